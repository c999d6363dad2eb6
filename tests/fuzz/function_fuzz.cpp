// Functions and colour spaces from arbitrary bytes. The first byte picks
// the set-up: 0 a calculator program (the rest of the input) with 1 … 4
// inputs and outputs; 1 a sampled function whose parameters come from the
// next bytes and whose samples are the rest; 2 PDF objects parsed from the
// rest (references resolve into the same bytes) built as functions and as
// colour spaces. Every function is evaluated at edge and in-between inputs,
// every colour space converts a few colours.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <string>

#include "pdf/core/pdf_lexer.h"
#include "pdf/core/pdf_memory_stream.h"
#include "pdf/core/pdf_parser.h"
#include "pdf/render/pdf_colorspace.h"
#include "pdf/render/pdf_function.h"

namespace {

using namespace qp::pdf;

TPDObjectPtr Parse(const std::string& text, TPDObjectResolver* document, bool streams) {
  TPDParser parser({document, nullptr, nullptr},
                   std::make_unique<TPDLexer>(std::make_unique<TMemoryStream>(text)), streams);
  return parser.GetObject();
}

std::unique_ptr<TPDStream> MakeStream(const std::string& dict, std::string data) {
  TPDObjectPtr object = Parse(dict, nullptr, false);
  if (!object->IsDict()) return nullptr;
  return std::make_unique<TPDStream>(
      std::make_shared<TMemoryStream>(std::move(data)),
      std::unique_ptr<TPDDictionary>(static_cast<TPDDictionary*>(object.release())));
}

// Object N is whatever the parser reads at offset N * 16 of the input.
class SelfDocument final : public TPDObjectResolver {
 public:
  explicit SelfDocument(std::string text) : text_(std::move(text)) {}
  TPDBaseObject* GetObject(uint32_t number) override {
    if (auto it = cache_.find(number); it != cache_.end()) return it->second.get();
    const uint64_t offset = uint64_t{number} * 16;
    if (offset >= text_.size() || cache_.size() > 64) return nullptr;
    cache_[number] = nullptr;
    TPDObjectPtr object = Parse(text_.substr(offset), this, true);
    return (cache_[number] = std::move(object)).get();
  }

 private:
  std::string text_;
  std::map<uint32_t, TPDObjectPtr> cache_;
};

void Exercise(const TPDFunction& function) {
  static const double kProbes[] = {
      0, 1, 0.5, -1, 0.25, 1e30, -1e30, 1e-9, 0.999, 2, std::numeric_limits<double>::quiet_NaN()};
  for (double probe : kProbes) {
    TFuncValues in;
    in.fill(probe);
    TFuncValues out{};
    function.Transform(in, out);
  }
}

void Exercise(const TPDColorSpace& space) {
  TColor colors[4];
  colors[1] = space.GetDefaultColor();
  colors[2].Comps.fill(kFixedOne / 2);
  colors[3].Comps.fill(INT32_MAX);
  TRGB rgb[4];
  space.GetRGBs(colors, rgb, 4);
  for (const TColor& color : colors) {
    space.GetRGB(color);
    space.GetGray(color);
    space.GetCMYK(color);
  }
  TComponentRanges low, range;
  space.GetDefaultRanges(low, range, 255);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const int mode = data[0] % 3;
  const int m = 1 + data[1] % 4;
  const int n = 1 + (data[1] >> 2) % 4;
  std::string domain, range;
  for (int i = 0; i < m; ++i) domain += "-2 2 ";
  for (int i = 0; i < n; ++i) range += "-1 3 ";

  if (mode == 0) {
    auto stream = MakeStream(
        "<< /FunctionType 4 /Domain [" + domain + "] /Range [" + range + "] >>", bytes.substr(2));
    if (TPDFunctionPtr function = TPDFunction::MakeFunction(stream.get())) Exercise(*function);
  } else if (mode == 1) {
    if (size < 6) return 0;
    static const int kBits[] = {1, 2, 4, 8, 12, 16, 24, 32};
    std::string sizes;
    for (int i = 0; i < m; ++i) sizes += std::to_string(1 + data[2 + i % 3] % 17) + " ";
    auto stream =
        MakeStream("<< /FunctionType 0 /Domain [" + domain + "] /Range [" + range + "] /Size [" +
                       sizes + "] /BitsPerSample " + std::to_string(kBits[data[5] % 8]) +
                       (data[5] & 8 ? " /Encode [3 0 0 7 1 1 2 -5]" : "") +
                       (data[5] & 16 ? " /Decode [1 0 0 1 -3 3 0.5 0.5]" : "") + " >>",
                   bytes.substr(6));
    if (TPDFunctionPtr function = TPDFunction::MakeFunction(stream.get())) Exercise(*function);
  } else {
    SelfDocument document(bytes.substr(2));
    TPDParser parser({&document, nullptr, nullptr},
                     std::make_unique<TPDLexer>(std::make_unique<TMemoryStream>(bytes.substr(2))),
                     true);
    for (int i = 0; i < 16; ++i) {
      TPDObjectPtr object = parser.GetObject();
      if (object->IsEOF()) break;
      if (TPDFunctionPtr function = TPDFunction::MakeFunction(object.get(), &document)) {
        Exercise(*function);
      }
      if (TPDColorSpacePtr space = TPDColorSpace::MakeColorSpace(object.get(), "Fuzz", &document)) {
        Exercise(*space);
      }
    }
  }
  return 0;
}
