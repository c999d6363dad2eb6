#include "compiler/png_writer.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "compiler/plate_error.h"

namespace qp {

namespace {

// Measured on an FAA chart at width 1024: zlib level 2 without row filters
// takes a third less CPU than the default level with adaptive filtering and
// gives a smaller file (long runs of white compress best unfiltered).
constexpr int kCompressionLevel = 2;

struct PngFailure {
  char message[256];
};

extern "C" void OnPngError(png_structp png, png_const_charp message) {
  auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
  std::snprintf(failure->message, sizeof failure->message, "%s", message);
  png_longjmp(png, 1);
}

extern "C" void OnPngWarning(png_structp, png_const_charp) {}

enum class PixelForm { kRgb, kRgb24, kIndexed };

struct PngImage {
  int width = 0;
  int height = 0;
  PixelForm form = PixelForm::kRgb;
  const uint8_t* rows = nullptr;  // first row
  size_t stride = 0;              // bytes from one row to the next
  std::span<const uint32_t> palette;
};

// Keeps no C++ objects with destructors alive across the library calls, as
// libpng leaves by longjmp on failure.
extern "C" void AppendToString(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))
      ->append(reinterpret_cast<const char*>(data), length);
}

extern "C" void FlushNothing(png_structp) {}

// Writes to `file`, or appends to `bytes` when `file` is null.
bool WriteRows(png_structp png, png_infop info, std::FILE* file, std::string* bytes,
               const PngImage& image, png_color* palette) {
  if (setjmp(png_jmpbuf(png))) return false;
  if (file) {
    png_init_io(png, file);
  } else {
    png_set_write_fn(png, bytes, &AppendToString, &FlushNothing);
  }
  png_set_compression_level(png, kCompressionLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  const int colourType =
      image.form == PixelForm::kIndexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB;
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8, colourType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (image.form == PixelForm::kIndexed) {
    png_set_PLTE(png, info, palette, static_cast<int>(image.palette.size()));
  }
  png_write_info(png, info);
  if (image.form == PixelForm::kRgb24) {
    // Little-endian 0x00RRGGBB lies in memory as B, G, R, unused.
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
  }
  for (int y = 0; y < image.height; ++y) {
    png_write_row(png, image.rows + static_cast<size_t>(y) * image.stride);
  }
  png_write_end(png, nullptr);
  return true;
}

// Writes the image to `path`, or appends it to `bytes` when that is given.
void Write(const std::filesystem::path& path, const PngImage& image, std::string* bytes = nullptr) {
  std::FILE* file = bytes ? nullptr : std::fopen(path.c_str(), "wb");
  if (!file && !bytes) {
    int error = errno;
    throw PlateError("Unable to create " + path.string() + ": " + std::strerror(error));
  }
  std::vector<png_color> palette;
  for (uint32_t c : image.palette) {
    palette.push_back(png_color{static_cast<png_byte>(c), static_cast<png_byte>(c >> 8),
                                static_cast<png_byte>(c >> 16)});
  }
  PngFailure failure{};
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, &OnPngError, &OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = info && WriteRows(png, info, file, bytes, image, palette.data());
  png_destroy_write_struct(&png, &info);
  bool closed = !file || std::fclose(file) == 0;
  if (!ok || !closed) {
    throw PlateError("Unable to write " + path.string() + ": " +
                     (failure.message[0] ? failure.message : "write error"));
  }
}

// Throws unless the image has pixels and its buffer holds them all.
void RequireImage(const std::filesystem::path& path, int width, int height, bool buffer_fits) {
  if (width < 1 || height < 1 || !buffer_fits) {
    throw PlateError("Unable to write " + path.string() + ": no image");
  }
}

}  // namespace

void WritePng(const std::filesystem::path& path, int width, int height,
              std::span<const uint32_t> colours) {
  RequireImage(path, width, height, colours.size() == size_t(width) * size_t(height));
  std::vector<uint8_t> rgb(colours.size() * 3);
  for (size_t i = 0; i < colours.size(); ++i) {
    rgb[3 * i] = static_cast<uint8_t>(colours[i]);
    rgb[3 * i + 1] = static_cast<uint8_t>(colours[i] >> 8);
    rgb[3 * i + 2] = static_cast<uint8_t>(colours[i] >> 16);
  }
  Write(path, {width, height, PixelForm::kRgb, rgb.data(), size_t(width) * 3, {}});
}

void WriteRgb24Png(const std::filesystem::path& path, int width, int height, int stride,
                   const uint8_t* pixels) {
  RequireImage(path, width, height, stride >= width * 4);
  Write(path, {width, height, PixelForm::kRgb24, pixels, static_cast<size_t>(stride), {}});
}

std::string Rgb24PngBytes(int width, int height, int stride, const uint8_t* pixels) {
  const std::filesystem::path name("standard output");
  RequireImage(name, width, height, stride >= width * 4);
  std::string bytes;
  Write(name, {width, height, PixelForm::kRgb24, pixels, static_cast<size_t>(stride), {}}, &bytes);
  return bytes;
}

void WriteIndexedPng(const std::filesystem::path& path, int width, int height,
                     std::span<const uint8_t> indices, std::span<const uint32_t> palette) {
  RequireImage(path, width, height,
               indices.size() == size_t(width) * size_t(height) && !palette.empty() &&
                   palette.size() <= 256);
  Write(path, {width, height, PixelForm::kIndexed, indices.data(), size_t(width), palette});
}

}  // namespace qp
