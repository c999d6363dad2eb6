// Colour conversion throughput: rows of colours through GetRGBs, the way
// image conversion uses the spaces.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "pdf/core/pdf_lexer.h"
#include "pdf/core/pdf_memory_stream.h"
#include "pdf/core/pdf_parser.h"
#include "pdf/render/pdf_colorspace.h"

namespace {

using namespace qp::pdf;

class OneStream final : public TPDObjectResolver {
 public:
  OneStream(const std::string& dict, std::string data) {
    TPDParser parser({nullptr, nullptr, nullptr},
                     std::make_unique<TPDLexer>(std::make_unique<TMemoryStream>(dict)), false);
    TPDObjectPtr object = parser.GetObject();
    stream_ = std::make_unique<TPDStream>(
        std::make_shared<TMemoryStream>(std::move(data)),
        std::unique_ptr<TPDDictionary>(static_cast<TPDDictionary*>(object.release())));
  }
  TPDBaseObject* GetObject(uint32_t number) override {
    return number == 1 ? stream_.get() : nullptr;
  }

 private:
  std::unique_ptr<TPDStream> stream_;
};

void Convert(benchmark::State& state, const std::string& text, int comps, int distinct) {
  std::string samples(256, '\0');
  for (int i = 0; i < 256; ++i) samples[i] = static_cast<char>(255 - i);
  OneStream document(
      "<< /FunctionType 0 /Domain [0 1] /Range [0 1 0 1 0 1 0 1] /Size [64] "
      "/BitsPerSample 8 >>",
      samples);
  TPDParser parser({&document, nullptr, nullptr},
                   std::make_unique<TPDLexer>(std::make_unique<TMemoryStream>(text)), false);
  TPDObjectPtr object = parser.GetObject();
  TPDColorSpacePtr space = TPDColorSpace::MakeColorSpace(object.get(), {}, &document);
  if (!space) {
    state.SkipWithError("space not built");
    return;
  }
  std::vector<TColor> row(1024);
  for (size_t i = 0; i < row.size(); ++i) {
    for (int c = 0; c < comps; ++c) {
      row[i].Comps[c] = static_cast<int32_t>((i % distinct) * 65536 / distinct);
    }
  }
  std::vector<TRGB> out(row.size());
  for (auto _ : state) {
    space->GetRGBs(row.data(), out.data(), row.size());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(row.size()));
}

BENCHMARK_CAPTURE(Convert, DeviceGray, "/DeviceGray", 1, 256);
BENCHMARK_CAPTURE(Convert, DeviceRGB, "/DeviceRGB", 3, 256);
BENCHMARK_CAPTURE(Convert, DeviceCMYK, "/DeviceCMYK", 4, 256);
BENCHMARK_CAPTURE(Convert, Lab, "[/Lab << /WhitePoint [0.9505 1 1.089] >>]", 3, 256);
BENCHMARK_CAPTURE(Convert, Indexed,
                  "[/Indexed /DeviceCMYK 3 <00000000 FF000000 00FF0000 000000FF>]", 1, 4);
BENCHMARK_CAPTURE(Convert, SeparationSampledRepeated, "[/Separation /S /DeviceCMYK 1 0 R]", 1, 1);
BENCHMARK_CAPTURE(Convert, SeparationSampledVarying, "[/Separation /S /DeviceCMYK 1 0 R]", 1, 256);

}  // namespace
