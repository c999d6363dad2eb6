#include "compiler/jpeg_reader.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include "compiler/plate_error.h"

namespace qp {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return: it
// jumps back to the setjmp of the step in progress. The steps below keep no
// C++ objects with destructors between setjmp and the library calls.
struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  char damage[JMSG_LENGTH_MAX];  // first warning that means damaged data
};

extern "C" void OnJpegError(j_common_ptr cinfo) {
  auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->message);
  std::longjmp(errors->jump, 1);
}

// Warnings of premature end or corrupt entropy data mean the picture is
// damaged; libjpeg would go on with grey or garbage pixels.
extern "C" void OnJpegMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  int code = cinfo->err->msg_code;
  if ((code == JWRN_JPEG_EOF || code == JWRN_HUFF_BAD_CODE || code == JWRN_MUST_RESYNC) &&
      errors->damage[0] == 0) {
    (*cinfo->err->format_message)(cinfo, errors->damage);
  }
}

bool ReadHeader(jpeg_decompress_struct* cinfo, JpegErrors* errors, const uint8_t* data,
                size_t size) {
  if (setjmp(errors->jump)) return false;
  jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(cinfo, TRUE);
  switch (cinfo->jpeg_color_space) {
    case JCS_CMYK:
    case JCS_YCCK:
      cinfo->out_color_space = JCS_CMYK;
      break;
    default:
      cinfo->out_color_space = JCS_RGB;  // also expands grayscale
      break;
  }
  return true;
}

bool Decompress(jpeg_decompress_struct* cinfo, JpegErrors* errors, uint8_t* line,
                PlateRaster* raster) {
  if (setjmp(errors->jump)) return false;
  jpeg_start_decompress(cinfo);
  const bool cmyk = cinfo->out_color_space == JCS_CMYK;
  const bool inverted = cinfo->saw_Adobe_marker;
  const int width = raster->Width();
  while (cinfo->output_scanline < cinfo->output_height) {
    const int y = static_cast<int>(cinfo->output_scanline);
    JSAMPROW rows[1] = {line};
    if (jpeg_read_scanlines(cinfo, rows, 1) != 1) break;
    uint32_t* out = raster->Row(y);
    for (int x = 0; x < width; ++x) {
      uint32_t r, g, b;
      if (cmyk) {
        uint32_t c = line[4 * x], m = line[4 * x + 1], ye = line[4 * x + 2], k = line[4 * x + 3];
        if (!inverted) {
          c = 255 - c;
          m = 255 - m;
          ye = 255 - ye;
          k = 255 - k;
        }
        // Stored inverted, each ink value is already 255 minus the coverage.
        r = (c * k + 127) / 255;
        g = (m * k + 127) / 255;
        b = (ye * k + 127) / 255;
      } else {
        r = line[3 * x];
        g = line[3 * x + 1];
        b = line[3 * x + 2];
      }
      out[x] = (r << 16) | (g << 8) | b;
    }
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

struct DecompressGuard {
  jpeg_decompress_struct* cinfo;
  ~DecompressGuard() { jpeg_destroy_decompress(cinfo); }
};

}  // namespace

PlateRaster DecodeJpeg(std::span<const uint8_t> bytes, int64_t maxPixels) {
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
    throw PlateError("not a JPEG file (no start-of-image marker)");
  }
  jpeg_decompress_struct cinfo;
  JpegErrors errors;
  std::memset(&errors, 0, sizeof errors);
  cinfo.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = &OnJpegError;
  errors.manager.emit_message = &OnJpegMessage;
  jpeg_create_decompress(&cinfo);
  DecompressGuard guard{&cinfo};

  if (!ReadHeader(&cinfo, &errors, bytes.data(), bytes.size())) {
    throw PlateError(std::string("corrupt JPEG data: ") + errors.message);
  }
  const int64_t width = cinfo.image_width, height = cinfo.image_height;
  PlateRaster::CheckSize(width, height);
  if (width * height > maxPixels) {
    throw PlateError("image size " + std::to_string(width) + " x " + std::to_string(height) +
                     " is too large");
  }
  PlateRaster raster(static_cast<int>(width), static_cast<int>(height));
  std::vector<uint8_t> line(size_t(width) * 4);
  if (!Decompress(&cinfo, &errors, line.data(), &raster)) {
    throw PlateError(std::string("corrupt JPEG data: ") + errors.message);
  }
  if (errors.damage[0] != 0) {
    throw PlateError(std::string("damaged JPEG data: ") + errors.damage);
  }
  return raster;
}

}  // namespace qp
