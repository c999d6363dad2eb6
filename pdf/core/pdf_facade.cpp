#include "pdf/core/pdf_facade.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <sstream>

#include <sys/stat.h>
#include <time.h>

#include "pdf/core/pdf_errors.h"

namespace qp::pdf {

namespace {

std::string PageNumberMessage(int64_t pageNo) {
  return "Invalid page number (" + std::to_string(pageNo) + ")";
}

[[noreturn]] void ThrowRange(const std::string& item) {
  throw EInvalidPageError("Invalid page range (" + item + ")");
}

std::string Trim(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return {};
  const size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

bool ToInteger(const std::string& text, int64_t* value) {
  if (text.empty() || text.size() > 11) return false;
  size_t pos = 0;
  if (text[0] == '-' || text[0] == '+') pos = 1;
  if (pos == text.size()) return false;
  for (size_t i = pos; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  *value = std::stoll(text);
  return *value >= INT32_MIN && *value <= INT32_MAX;
}

// Items split at commas and white space; a double-quoted item keeps both.
std::vector<std::string> SplitItems(const std::string& text) {
  std::vector<std::string> items;
  std::string item;
  bool quoted = false;
  bool any = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (!quoted && (c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
      if (any) items.push_back(item);
      item.clear();
      any = false;
    } else {
      item += c;
      any = true;
    }
  }
  if (any) items.push_back(item);
  return items;
}

double PointsToUnit(double points, TMeasurementUnit unit) {
  switch (unit) {
    case muPixels:
      return points * TPDFDocument::kScreenPixelsPerInch / 72;
    case muPoints:
      return points;
    case muInches:
      return points / 72;
    case muMM:
      return points / 2.83464;
    case muTwips:
      return points / 0.05;
  }
  return points;
}

std::optional<TPDFDocument::FileStamp> StampOf(const std::string& fileName) {
  struct stat info {};
  if (::stat(fileName.c_str(), &info) != 0) return std::nullopt;
  TPDFDocument::FileStamp stamp;
  stamp.device = info.st_dev;
  stamp.inode = info.st_ino;
  stamp.size = info.st_size;
  stamp.modified = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  stamp.changed = int64_t(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
  return stamp;
}

// A file changed this recently may change again within its clock's
// granularity without a new time: it is never kept.
bool RecentlyChanged(const TPDFDocument::FileStamp& stamp) {
  constexpr int64_t kMargin = int64_t{2} * 1000000000;
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return stamp.modified > int64_t(now.tv_sec) * 1000000000 + now.tv_nsec - kMargin;
}

}  // namespace

TPDFDocument::TPDFDocument() = default;
TPDFDocument::~TPDFDocument() = default;

void TPDFDocument::SetCMapPath(std::string path) {
  cmap_path_ = std::move(path);
  if (document_) document_->SetCMapPath(cmap_path_);
}

void TPDFDocument::SetResourceCacheBudget(size_t bytes) {
  cache_budget_ = bytes;
  if (document_) document_->ResourceCache().SetBudget(bytes);
}

void TPDFDocument::SetFastAntiAliasing(bool fast) {
  fast_anti_aliasing_ = fast;
  if (document_) document_->SetFastAntiAliasing(fast);
}

void TPDFDocument::SetTargetsWhite(bool white) {
  targets_white_ = white;
  if (document_) document_->SetTargetsWhite(white);
}

void TPDFDocument::Reset() {
  document_ = std::make_unique<TPDDocument>();
  document_->SetCMapPath(cmap_path_);
  document_->ResourceCache().SetBudget(cache_budget_);
  stamp_.reset();
  rotated_.clear();
  is_loaded_ = false;
  is_encrypted_ = false;
  tries_ = 0;
  password_.clear();
  file_name_.clear();
  file_size_ = 0;
  permissions_ = 0;
}

bool TPDFDocument::LoadAskingForPassword(const std::function<void()>& load) {
  for (;;) {
    is_loaded_ = false;
    document_->SetCMapPath(cmap_path_);
    document_->SetFastAntiAliasing(fast_anti_aliasing_);
    document_->SetTargetsWhite(targets_white_);
    document_->SetPassword(password_);
    try {
      load();
      return true;
    } catch (const ExPasswordRequired&) {
      if (!on_password_) return false;
      ++tries_;
      bool goOn = true;
      on_password_(*this, password_, tries_, goOn);
      if (goOn) continue;
      continue_ = true;
      return false;
    }
  }
}

void TPDFDocument::FinishLoad(const std::string& fileName, int64_t fileSize) {
  file_name_ = fileName;
  file_size_ = fileSize;
  rotated_.clear();
  is_encrypted_ = document_->IsEncrypted();
  permissions_ = document_->GetPermissions();
  is_loaded_ = true;
  continue_ = true;
}

bool TPDFDocument::KeepLoaded(const std::string& fileName, const std::optional<FileStamp>& stamp) {
  if (!is_loaded_ || !stamp || stamp != stamp_ || fileName != file_name_ || cache_budget_ == 0) {
    return false;
  }
  const TPDBaseDoc* base = document_->GetBaseDoc();
  if (!base || base->FetchedObjects() > kMaxKeptObjects ||
      base->FetchedStreams() > kMaxKeptStreams) {
    return false;
  }
  TPDPageTree* tree = document_->GetPageTree();
  for (const auto& [pageNo, degrees] : rotated_) {
    if (!degrees || !tree) return false;
  }
  for (const auto& [pageNo, degrees] : rotated_) {
    if (TPDPage* page = tree->GetPage(pageNo)) page->SetRotate(*degrees);
  }
  rotated_.clear();
  return true;
}

bool TPDFDocument::LoadFromFile(const std::string& fileName) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(fileName, error)) throw EFileNotFound();
  std::optional<FileStamp> stamp = StampOf(fileName);
  if (KeepLoaded(fileName, stamp)) return true;
  if (stamp && RecentlyChanged(*stamp)) stamp.reset();
  if (is_loaded_) Reset();
  if (!document_) {
    document_ = std::make_unique<TPDDocument>();
    document_->ResourceCache().SetBudget(cache_budget_);
  }
  bool loaded = LoadAskingForPassword([&] {
    document_->Unload();
    document_->LoadDocument(fileName, true);
  });
  if (!loaded) return false;
  FinishLoad(fileName, document_->GetBaseDoc()->GetFileSize());
  stamp_ = stamp;
  return true;
}

bool TPDFDocument::LoadFromStream(std::istream& stream) {
  std::ostringstream bytes;
  bytes << stream.rdbuf();
  return LoadBytes(std::move(bytes).str(), {});
}

bool TPDFDocument::LoadBytes(std::string bytes, const std::string& fileName) {
  if (is_loaded_) Reset();
  if (!document_) {
    document_ = std::make_unique<TPDDocument>();
    document_->ResourceCache().SetBudget(cache_budget_);
  }
  if (!LoadAskingForPassword([&] { document_->LoadDocumentFromBytes(bytes, true); })) return false;
  FinishLoad(fileName, static_cast<int64_t>(bytes.size()));
  return true;
}

int32_t TPDFDocument::GetPageCount() {
  return is_loaded_ ? document_->GetPageCount() : 0;
}

TPDPage& TPDFDocument::PageOrThrow(int32_t pageNo) {
  if (pageNo < 1 || pageNo > GetPageCount()) throw EInvalidPageError(PageNumberMessage(pageNo));
  TPDPage* page = document_->GetPageTree()->GetPage(pageNo);
  // "Count" promised more pages than the tree holds.
  if (page == nullptr) throw EInvalidPageError(PageNumberMessage(pageNo));
  return *page;
}

TPageSize TPDFDocument::GetPageSize(int32_t pageNo, TMeasurementUnit unit) {
  if (!document_ || !is_loaded_) return {};
  TPDPage& page = PageOrThrow(pageNo);
  const TPageSize points = page.GetPageSize();
  const int32_t rotate = page.Rotate();
  TPageSize size;
  const int64_t absolute = std::llabs(static_cast<int64_t>(rotate));
  if (absolute == 0 || absolute == 180) {
    size = points;
  } else if (absolute == 90 || absolute == 270) {
    size.Width = points.Height;
    size.Height = points.Width;
  } else {
    return {};
  }
  size.Width = PointsToUnit(size.Width, unit);
  size.Height = PointsToUnit(size.Height, unit);
  return size;
}

int32_t TPDFDocument::GetPageRotate(int32_t pageNo) {
  if (!document_ || !is_loaded_) return -1;
  return PageOrThrow(pageNo).Rotate();
}

std::vector<int32_t> TPDFDocument::ParsePageRange(const std::string& pageRange, int32_t pageCount,
                                                  int32_t listLimit) {
  const std::string text = pageRange.empty() ? "1-" + std::to_string(pageCount) : pageRange;
  std::vector<int32_t> pages;
  for (const std::string& item : SplitItems(text)) {
    const size_t dash = item.find('-');
    if (dash != std::string::npos) {
      const std::string firstText = Trim(item.substr(0, dash));
      const std::string lastText = Trim(item.substr(dash + 1));
      int64_t first = 1;
      int64_t last = pageCount;
      if (!firstText.empty() && !ToInteger(firstText, &first)) ThrowRange(item);
      if (!lastText.empty() && !ToInteger(lastText, &last)) ThrowRange(item);
      if (first < 1 || last < first || last > pageCount) ThrowRange(item);
      const int64_t listed = std::min<int64_t>(last, listLimit);
      for (int64_t page = first; page <= listed; ++page)
        pages.push_back(static_cast<int32_t>(page));
    } else {
      int64_t page = 0;
      if (!ToInteger(Trim(item), &page)) ThrowRange(item);
      if (page < 1 || page > pageCount) throw EInvalidPageError(PageNumberMessage(page));
      if (page <= listLimit) pages.push_back(static_cast<int32_t>(page));
    }
  }
  return pages;
}

void TPDFDocument::RotatePages(const std::string& pageRange, TRotationAngle angle) {
  if (!document_ || !is_loaded_) return;
  int32_t degrees = 0;
  switch (angle) {
    case ra0:
      degrees = 0;
      break;
    case raCW90:
    case raACW270:
      degrees = 90;
      break;
    case raCW180:
    case raACW180:
      degrees = 180;
      break;
    case raCW270:
    case raACW90:
      degrees = 270;
      break;
  }
  TPDPageTree* tree = document_->GetPageTree();
  const auto found = static_cast<int32_t>(std::min<size_t>(tree->FoundPages(), INT32_MAX));
  for (int32_t pageNo : ParsePageRange(pageRange, GetPageCount(), found)) {
    TPDPage* page = tree->GetPage(pageNo);
    if (!page) continue;
    if (!rotated_.contains(pageNo)) {
      std::optional<int32_t> before;
      try {
        before = page->Rotate();
      } catch (const EPDFEngineError&) {
        // Not a number: the file must be read again to get it back.
      }
      rotated_.emplace(pageNo, before);
    }
    page->SetRotate(degrees % 360);
  }
}

}  // namespace qp::pdf
