#pragma once
// TPDFDocument: what the rest of the system uses of the PDF engine: loading,
// the page count, page sizes in a chosen unit, rotations, and setting the
// rotation of pages.

#include <climits>
#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <stdexcept>
#include <string>
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

  // Raises EFileNotFound for a missing file; false when a password is needed
  // and not given; engine load failures propagate.
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

 private:
  bool LoadBytes(std::string bytes, const std::string& fileName);
  // Runs `load` until it succeeds, asking the password handler after each
  // "password required"; false when the handler gives up or there is none.
  bool LoadAskingForPassword(const std::function<void()>& load);
  void FinishLoad(const std::string& fileName, int64_t fileSize);
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
};

}  // namespace qp::pdf
