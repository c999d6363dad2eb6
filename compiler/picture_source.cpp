#include "compiler/picture_source.h"

#include <span>
#include <string>

#include "compiler/binary_file.h"
#include "compiler/bmp_reader.h"
#include "compiler/jpeg_reader.h"
#include "compiler/plate_error.h"

namespace qp {

namespace {

// A picture file larger than this cannot be one the compiler would accept.
constexpr uint64_t kMaxPictureFileSize = uint64_t{2} << 30;

std::string LowerExtension(const std::filesystem::path& source) {
  std::string name = source.filename().string();
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return "";
  std::string ext = name.substr(dot);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext;
}

}  // namespace

SourceKind SourceKindOf(const std::filesystem::path& source) {
  std::string ext = LowerExtension(source);
  if (ext == ".pdf") return SourceKind::Pdf;
  if (ext == ".bmp") return SourceKind::Bmp;
  if (ext == ".jpg" || ext == ".jpeg") return SourceKind::Jpeg;
  return SourceKind::Unsupported;
}

PlateRaster LoadPicture(const std::filesystem::path& source) {
  SourceKind kind = SourceKindOf(source);
  if (kind != SourceKind::Bmp && kind != SourceKind::Jpeg) {
    throw PlateError("Unsupported image file type: " + source.string());
  }
  std::error_code ec;
  if (!std::filesystem::exists(source, ec)) {
    throw PlateError("Unable to load picture " + source.string() + ": file not found");
  }
  std::string data = ReadWholeFile(source, kMaxPictureFileSize);  // names the file on failure
  std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  try {
    if (bytes.empty()) throw PlateError("file is empty");
    return kind == SourceKind::Bmp ? DecodeBmp(bytes) : DecodeJpeg(bytes);
  } catch (const PlateError& e) {
    throw PlateError("Unable to load picture " + source.string() + ": " + e.what());
  }
}

PreviewPictureResult PreviewPicture(const std::filesystem::path& source) {
  PreviewPictureResult result;
  result.image = LoadPicture(source);
  result.PreviewWidth = static_cast<uint16_t>(result.image.Width());
  result.PreviewHeight = static_cast<uint16_t>(result.image.Height());
  return result;
}

EncodedImage RasterisePicturePlate(const std::filesystem::path& source, bool clip,
                                   const ClipRect& rect, const std::filesystem::path& tempFile) {
  PlateRaster raster = LoadPicture(source);
  return EncodePlateImage(raster, clip, rect, tempFile);
}

}  // namespace qp
