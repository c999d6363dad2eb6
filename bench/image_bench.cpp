// Image conversion speed: a 2000 x 2000 RGB JPEG image (made with libjpeg
// at set-up) decoded through the DCT filter into the ARGB32 bitmap; also
// the same pixels unencoded, to separate conversion from JPEG decoding.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_jpeg.h"
#include "pdf/core/pdf_filter_manager.h"
#include "pdf/core/pdf_lexer.h"
#include "pdf/core/pdf_memory_stream.h"
#include "pdf/core/pdf_parser.h"
#include "pdf/render/pdf_image.h"

namespace {

using namespace qp::pdf;

constexpr int kSide = 2000;

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
  const std::string samples = qp::bench::SyntheticRgb(kSide);
  const std::string data = encode ? qp::bench::EncodeJpeg(samples, kSide) : samples;
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
