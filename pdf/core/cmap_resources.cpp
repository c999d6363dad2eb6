#include "pdf/core/cmap_resources.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

#include "pdf/core/pdf_file_stream.h"

namespace qp::pdf {

namespace {

namespace fs = std::filesystem;

// Files larger than this are no CMap resource.
constexpr uintmax_t kMaxResourceFile = 16u << 20;
// CIDs of the largest collections stay well below this.
constexpr size_t kMaxCIDs = 0x10000;

// A name that stays inside the folder.
bool IsPlainFileName(const std::string& name) {
  return !name.empty() && name.find('/') == std::string::npos &&
         name.find('\\') == std::string::npos && name != "." && name != ".." &&
         name.find('\0') == std::string::npos;
}

bool IsSmallRegularFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error) && fs::file_size(path, error) <= kMaxResourceFile &&
         !error;
}

// The file of `name`: directly in `folder`, else in one of its
// subfolders (sorted, so the choice is the same on every run).
std::optional<fs::path> FindResource(const std::string& folder, const std::string& name) {
  if (folder.empty() || !IsPlainFileName(name)) return std::nullopt;
  const fs::path direct = fs::path(folder) / name;
  if (IsSmallRegularFile(direct)) return direct;
  std::error_code error;
  std::set<fs::path> subfolders;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->is_directory(error)) subfolders.insert(it->path());
  }
  for (const fs::path& subfolder : subfolders) {
    const fs::path candidate = subfolder / name;
    if (IsSmallRegularFile(candidate)) return candidate;
  }
  return std::nullopt;
}

std::unique_ptr<TPDCMapParser> ParseFile(const fs::path& path) {
  std::unique_ptr<TPlatformFile> file = TPlatformFile::Open(path.string());
  if (!file) return nullptr;
  try {
    TFileStream stream(*file, 0, 0, false);
    return std::make_unique<TPDCMapParser>(stream);
  } catch (const std::exception&) {
    return nullptr;
  }
}

// Every resource read so far, by folder and name; a miss is kept too. The
// lock is recursive: a CMap loads the CMaps it uses while it is held.
struct ResourceCache {
  std::recursive_mutex mutex;
  std::map<std::pair<std::string, std::string>, std::shared_ptr<const TPDCMapParser>> cmaps;
  std::map<std::pair<std::string, std::string>, std::shared_ptr<const std::vector<uint32_t>>>
      unicode;
};

ResourceCache& Cache() {
  static ResourceCache cache;
  return cache;
}

std::shared_ptr<const TPDCMapParser> LoadChain(const std::string& folder, const std::string& name,
                                               int depth);

// Merges what `cmap` uses, `depth` CMaps down the chain.
void MergeChain(TPDCMapParser& cmap, const std::string& folder, const std::string& self,
                int depth) {
  const std::string parentName = cmap.UseCMap();
  if (parentName.empty()) return;
  std::shared_ptr<const TPDCMapParser> parent;
  if (parentName != self && depth < kMaxUseCMapDepth) {
    parent = LoadChain(folder, parentName, depth + 1);
  }
  // A CMap that uses itself, a chain too deep or a missing file: the CMap
  // keeps its own mappings only.
  if (parent) cmap.MergeParent(*parent);
}

std::shared_ptr<const TPDCMapParser> LoadChain(const std::string& folder, const std::string& name,
                                               int depth) {
  ResourceCache& cache = Cache();
  std::lock_guard lock(cache.mutex);
  const auto key = std::make_pair(folder, name);
  if (auto it = cache.cmaps.find(key); it != cache.cmaps.end()) return it->second;
  std::shared_ptr<TPDCMapParser> cmap;
  if (const std::optional<fs::path> file = FindResource(folder, name)) cmap = ParseFile(*file);
  if (cmap) {
    MergeChain(*cmap, folder, name, depth);
    cmap->BuildIndex();
  }
  cache.cmaps.emplace(key, cmap);
  return cmap;
}

std::shared_ptr<const std::vector<uint32_t>> ReadUnicodeTable(const fs::path& path) {
  std::unique_ptr<TPlatformFile> file = TPlatformFile::Open(path.string());
  if (!file) return nullptr;
  auto table = std::make_shared<std::vector<uint32_t>>();
  try {
    TFileStream stream(*file, 0, 0, false);
    // One hexadecimal value per line, line n for CID n.
    uint8_t buffer[8192];
    uint32_t value = 0;
    bool valid = true;
    for (;;) {
      const size_t got = stream.Read(buffer, sizeof buffer);
      if (got == 0) break;
      for (size_t i = 0; i < got; ++i) {
        const uint8_t c = buffer[i];
        if (c == '\n') {
          if (table->size() >= kMaxCIDs) return table;
          table->push_back(valid && value <= 0x10FFFF ? value : 0);
          value = 0;
          valid = true;
        } else if (c >= '0' && c <= '9') {
          value = (value << 4) | (c - '0');
        } else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
          value = (value << 4) | ((c | 0x20) - 'a' + 10);
        } else if (c != '\r') {
          valid = false;
        }
        if (value > 0x10FFFF) valid = false;
      }
    }
  } catch (const std::exception&) {
    // A damaged table keeps the lines read before the damage.
  }
  return table;
}

}  // namespace

const std::string& DefaultCMapFolder() {
  static const std::string folder = "/usr/share/poppler/cMap";
  return folder;
}

std::shared_ptr<const TPDCMapParser> LoadPredefinedCMap(const std::string& folder,
                                                        const std::string& name) {
  return LoadChain(folder, name, 0);
}

void ResolveUseCMap(TPDCMapParser& cmap, const std::string& folder) {
  MergeChain(cmap, folder, {}, 0);
}

std::shared_ptr<const std::vector<uint32_t>> LoadCIDToUnicode(const std::string& folder,
                                                              const std::string& collection) {
  if (folder.empty() || !IsPlainFileName(collection)) return nullptr;
  ResourceCache& cache = Cache();
  std::lock_guard lock(cache.mutex);
  const auto key = std::make_pair(folder, collection);
  if (auto it = cache.unicode.find(key); it != cache.unicode.end()) return it->second;
  std::shared_ptr<const std::vector<uint32_t>> table;
  fs::path base = fs::path(folder).lexically_normal();
  if (!base.has_filename()) base = base.parent_path();
  const fs::path file = base.parent_path() / "cidToUnicode" / collection;
  if (IsSmallRegularFile(file)) table = ReadUnicodeTable(file);
  cache.unicode.emplace(key, table);
  return table;
}

}  // namespace qp::pdf
