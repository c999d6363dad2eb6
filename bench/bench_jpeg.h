#pragma once
// A synthetic RGB picture (gradients and a fine pattern, which JPEG cannot
// flatten) and its JPEG encoding, for the image benchmarks.
#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace qp::bench {

inline std::string SyntheticRgb(int side) {
  std::string samples(static_cast<size_t>(side) * side * 3, '\0');
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      char* p = &samples[(static_cast<size_t>(y) * side + x) * 3];
      p[0] = static_cast<char>(x * 255 / side);
      p[1] = static_cast<char>(y * 255 / side);
      p[2] = static_cast<char>((x ^ y) & 0xFF);
    }
  }
  return samples;
}

inline std::string EncodeJpeg(const std::string& samples, int side) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = side;
  cinfo.image_height = side;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(
        const_cast<char*>(samples.data() + static_cast<size_t>(cinfo.next_scanline) * side * 3));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string jpeg(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return jpeg;
}

}  // namespace qp::bench
