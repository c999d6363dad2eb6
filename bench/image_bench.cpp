// Image conversion speed: a 2000 x 2000 RGB JPEG image (made with libjpeg
// at set-up) decoded through the DCT filter into the ARGB32 bitmap; also
// the same pixels unencoded, to separate conversion from JPEG decoding.
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "pdf/core/pdf_filter_manager.h"
#include "pdf/core/pdf_lexer.h"
#include "pdf/core/pdf_memory_stream.h"
#include "pdf/core/pdf_parser.h"
#include "pdf/render/pdf_image.h"

namespace {

using namespace qp::pdf;

constexpr int kSide = 2000;

std::string Samples() {
  std::string samples(static_cast<size_t>(kSide) * kSide * 3, '\0');
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      char* p = &samples[(static_cast<size_t>(y) * kSide + x) * 3];
      p[0] = static_cast<char>(x * 255 / kSide);
      p[1] = static_cast<char>(y * 255 / kSide);
      p[2] = static_cast<char>((x ^ y) & 0xFF);
    }
  }
  return samples;
}

std::string EncodeJpeg(const std::string& samples) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = kSide;
  cinfo.image_height = kSide;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(
        const_cast<char*>(samples.data() + static_cast<size_t>(cinfo.next_scanline) * kSide * 3));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string jpeg(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return jpeg;
}

std::unique_ptr<TPDStream> ImageStream(const std::string& dictText, const std::string& data) {
  TPDParser parser({nullptr, nullptr, nullptr},
                   std::make_unique<TPDLexer>(std::make_unique<TMemoryStream>(dictText)), false);
  TPDObjectPtr object = parser.GetObject();
  TPDFilterManager filters;
  return filters.GetFilter(
      std::unique_ptr<TPDDictionary>(static_cast<TPDDictionary*>(object.release())),
      std::make_unique<TMemoryStream>(data));
}

void Convert(benchmark::State& state, const std::string& filter, bool encode) {
  const std::string samples = Samples();
  const std::string data = encode ? EncodeJpeg(samples) : samples;
  auto stream = ImageStream(
      "<< /Width 2000 /Height 2000 /ColorSpace /DeviceRGB "
      "/BitsPerComponent 8 " +
          filter + " >>",
      data);
  for (auto _ : state) {
    TPDImage image(nullptr, nullptr, stream.get());
    TImageBitmap bitmap = image.ToBitmap();
    if (bitmap.IsEmpty()) {
      state.SkipWithError("image not converted");
      return;
    }
    benchmark::DoNotOptimize(bitmap.Data.data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t{kSide} * kSide);
}

BENCHMARK_CAPTURE(Convert, RgbDct2000, "/Filter /DCTDecode", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Convert, RgbRaw2000, "", false)->Unit(benchmark::kMillisecond);

}  // namespace
