// Images from arbitrary bytes: the input is up to four parts separated by
// NUL bytes: an image dictionary, its encoded data, and the dictionary and
// data of object 2 (a mask or soft mask the image may refer to). Both
// streams are decoded through the filter manager, then the image is turned
// into a bitmap.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_filter_manager.h"
#include "pdf/core/pdf_lexer.h"
#include "pdf/core/pdf_memory_stream.h"
#include "pdf/core/pdf_parser.h"
#include "pdf/render/pdf_image.h"

namespace {

using namespace qp::pdf;

class FuzzDocument final : public TPDObjectResolver {
 public:
  TPDBaseObject* GetObject(uint32_t number) override {
    return number == 2 ? second.get() : nullptr;
  }
  std::unique_ptr<TPDStream> second;
};

std::unique_ptr<TPDStream> MakeStream(const std::string& dictText, const std::string& data,
                                      TPDObjectResolver* document) {
  TPDParser parser({document, nullptr, nullptr},
                   std::make_unique<TPDLexer>(std::make_unique<TMemoryStream>(dictText)), false);
  TPDObjectPtr object = parser.GetObject();
  if (!object || !object->IsDict()) return nullptr;
  auto* dict = static_cast<TPDDictionary*>(object.release());
  dict->SetParentDoc(document);
  DecodeLimits limits;
  limits.max_output = 64u << 20;
  TPDFilterManager filters(limits);
  try {
    auto stream = filters.GetFilter(std::unique_ptr<TPDDictionary>(dict),
                                    std::make_unique<TMemoryStream>(data));
    if (stream) stream->SetParentDoc(document);
    return stream;
  } catch (const EPDFEngineError&) {
    return nullptr;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && parts.size() < 4) {
      parts.emplace_back();
    } else {
      parts.back().push_back(static_cast<char>(data[i]));
    }
  }
  parts.resize(4);
  FuzzDocument document;
  document.second = MakeStream(parts[2], parts[3], &document);
  std::unique_ptr<TPDStream> image = MakeStream(parts[0], parts[1], &document);
  if (!image) return 0;
  TImageLimits limits;
  limits.max_pixels = int64_t{1} << 22;
  TPDImage converted(&document, nullptr, image.get(), false, limits);
  const TImageBitmap bitmap = converted.ToBitmap();
  if (!bitmap.IsEmpty() &&
      bitmap.Data.size() < static_cast<size_t>(bitmap.Stride) * bitmap.Height) {
    __builtin_trap();
  }
  return 0;
}
