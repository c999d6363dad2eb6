#pragma once
// Writes small JPEG files through libjpeg for the reader's tests.

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace qp::testing {

// Compresses width x height samples of `components` channels (1 gray, 3 RGB,
// 4 CMYK as stored, which libjpeg marks as Adobe CMYK) at high quality.
inline std::vector<uint8_t> EncodeJpeg(int width, int height, int components,
                                       const std::vector<uint8_t>& samples,
                                       bool progressive = false) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 98, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row =
        const_cast<JSAMPROW>(samples.data() + size_t(cinfo.next_scanline) * width * components);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

// A flat image of one sample value per channel.
inline std::vector<uint8_t> FlatJpeg(int width, int height, std::vector<uint8_t> pixel) {
  std::vector<uint8_t> samples;
  for (int i = 0; i < width * height; ++i)
    samples.insert(samples.end(), pixel.begin(), pixel.end());
  return EncodeJpeg(width, height, static_cast<int>(pixel.size()), samples);
}

}  // namespace qp::testing
