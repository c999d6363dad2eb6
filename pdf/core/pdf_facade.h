#pragma once
// TPDFDocument: what the rest of the system uses of the PDF engine: loading,
// the page count, page sizes in a chosen unit, rotations, and setting the
// rotation of pages.

#include <climits>
#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "pdf/core/pdf_document.h"

namespace qp::pdf {

class EPDFException : public std::runtime_error {
 public:
  explicit EPDFException(const std::string& message) : std::runtime_error(message) {}
};

class EInvalidPageError : public EPDFException {
 public:
  explicit EInvalidPageError(const std::string& message) : EPDFException(message) {}
};

class EFileNotFound : public std::runtime_error {
 public:
  EFileNotFound() : std::runtime_error("File Not Found") {}
};

enum TMeasurementUnit { muPixels, muPoints, muInches, muMM, muTwips };
enum TRotationAngle { ra0, raCW90, raCW180, raCW270, raACW90, raACW180, raACW270 };

class TPDFDocument;
// Asked for a password: may change it; clearing `continueLoading` gives up.
using TPasswordEvent = std::function<void(TPDFDocument& sender, std::string& password, int tries,
                                          bool& continueLoading)>;

class TPDFDocument {
 public:
  // The display's logical resolution, in pixels per inch.
  static constexpr double kScreenPixelsPerInch = 96;

  TPDFDocument();
  ~TPDFDocument();

  // A loaded document that holds more fetched objects, or stream objects
  // (each with its decoders' buffers, some 100 KiB), than these is loaded
  // afresh rather than kept: its objects are never dropped.
  static constexpr size_t kMaxKeptObjects = 100000;
  static constexpr size_t kMaxKeptStreams = 512;

  // Raises EFileNotFound for a missing file; false when a password is needed
  // and not given; engine load failures propagate. Loading the file that is
  // loaded, unchanged since (same file, size and times), keeps the loaded
  // document and its resource cache, with the rotations set since undone;
  // with a cache budget of 0, and for a file modified less than two seconds
  // before it was loaded, every load reads the file afresh.
  bool LoadFromFile(const std::string& fileName);
  // Reads the whole stream into memory and loads from there.
  bool LoadFromStream(std::istream& stream);
  void Reset();

  int32_t GetPageCount();
  // Raises EInvalidPageError "Invalid page number (%d)" out of range.
  TPageSize GetPageSize(int32_t pageNo, TMeasurementUnit unit);
  // -1 without a document.
  int32_t GetPageRotate(int32_t pageNo);
  void RotatePages(const std::string& pageRange, TRotationAngle angle);
  // The page numbers a page range text lists (raises EInvalidPageError).
  // Pages above `listLimit` are checked but not listed, so that a huge page
  // count cannot make a huge list.
  static std::vector<int32_t> ParsePageRange(const std::string& pageRange, int32_t pageCount,
                                             int32_t listLimit = INT32_MAX);

  bool IsLoaded() const { return is_loaded_; }
  bool IsEncrypted() const { return is_encrypted_; }
  // Whether the file's damaged cross-reference was rebuilt (files load with
  // repair allowed).
  bool WasRepaired() const { return document_ && document_->WasRepaired(); }
  const std::string& Filename() const { return file_name_; }
  const std::string& WorkFileName() const { return file_name_; }
  int64_t FileSize() const { return file_size_; }
  int32_t Permissions() const { return permissions_; }
  TMeasurementUnit MeasurementUnit() const { return measurement_unit_; }
  void SetMeasurementUnit(TMeasurementUnit unit) { measurement_unit_ = unit; }
  const std::string& Password() const { return password_; }
  void SetPassword(std::string password) { password_ = std::move(password); }
  void SetOnPassword(TPasswordEvent handler) { on_password_ = std::move(handler); }
  const std::string& CMapPath() const { return cmap_path_; }
  void SetCMapPath(std::string path);
  TPDDocument* Document() const { return document_.get(); }
  // The byte budget of the loaded documents' resource caches (0: none).
  void SetResourceCacheBudget(size_t bytes);
  size_t ResourceCacheBudget() const { return cache_budget_; }

  // Paths of pages drawn from now on are anti-aliased with 4 x 4 samples
  // per pixel (TPDDocument::SetFastAntiAliasing).
  void SetFastAntiAliasing(bool fast);
  // Pages drawn from now on go onto targets that are white already
  // (TPDDocument::SetTargetsWhite).
  void SetTargetsWhite(bool white);

  // What tells a file apart from an earlier state of it.
  struct FileStamp {
    uint64_t device = 0, inode = 0;
    int64_t size = 0, modified = 0, changed = 0;  // times in nanoseconds
    bool operator==(const FileStamp&) const = default;
  };

 private:
  bool LoadBytes(std::string bytes, const std::string& fileName);
  // Runs `load` until it succeeds, asking the password handler after each
  // "password required"; false when the handler gives up or there is none.
  bool LoadAskingForPassword(const std::function<void()>& load);
  void FinishLoad(const std::string& fileName, int64_t fileSize);
  // Keeps the loaded document for `fileName` when it is that file unchanged.
  bool KeepLoaded(const std::string& fileName, const std::optional<FileStamp>& stamp);
  TPDPage& PageOrThrow(int32_t pageNo);

  std::unique_ptr<TPDDocument> document_;
  bool is_loaded_ = false;
  bool is_encrypted_ = false;
  std::string file_name_;
  int64_t file_size_ = 0;
  TMeasurementUnit measurement_unit_ = muPixels;
  std::string password_;
  int tries_ = 0;
  bool continue_ = true;
  int32_t permissions_ = 0;
  TPasswordEvent on_password_;
  std::string cmap_path_;
  size_t cache_budget_ = TPDResourceCache::kDefaultBudget;
  bool fast_anti_aliasing_ = false;
  bool targets_white_ = false;
  std::optional<FileStamp> stamp_;  // of the loaded file
  // Pages rotated since loading, with their rotation before (nothing when it
  // could not be read).
  std::unordered_map<int32_t, std::optional<int32_t>> rotated_;
};

}  // namespace qp::pdf
