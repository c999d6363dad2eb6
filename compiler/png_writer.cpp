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

struct PngFailure {
  char message[256];
};

extern "C" void OnPngError(png_structp png, png_const_charp message) {
  auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
  std::snprintf(failure->message, sizeof failure->message, "%s", message);
  png_longjmp(png, 1);
}

extern "C" void OnPngWarning(png_structp, png_const_charp) {}

// Keeps no C++ objects with destructors alive across the library calls, as
// libpng leaves by longjmp on failure.
bool WriteRows(png_structp png, png_infop info, std::FILE* file, int width, int height,
               const uint32_t* colours, uint8_t* line) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    const uint32_t* row = colours + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      line[3 * x] = static_cast<uint8_t>(row[x]);
      line[3 * x + 1] = static_cast<uint8_t>(row[x] >> 8);
      line[3 * x + 2] = static_cast<uint8_t>(row[x] >> 16);
    }
    png_write_row(png, line);
  }
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

void WritePng(const std::filesystem::path& path, int width, int height,
              std::span<const uint32_t> colours) {
  if (width < 1 || height < 1 || colours.size() != size_t(width) * size_t(height)) {
    throw PlateError("Unable to write " + path.string() + ": no image");
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    int error = errno;
    throw PlateError("Unable to create " + path.string() + ": " + std::strerror(error));
  }
  PngFailure failure{};
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, &OnPngError, &OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<uint8_t> line(size_t(width) * 3);
  bool ok = info && WriteRows(png, info, file, width, height, colours.data(), line.data());
  png_destroy_write_struct(&png, &info);
  bool closed = std::fclose(file) == 0;
  if (!ok || !closed) {
    throw PlateError("Unable to write " + path.string() + ": " +
                     (failure.message[0] ? failure.message : "write error"));
  }
}

}  // namespace qp
