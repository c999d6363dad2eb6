#include "pdf/core/pdf_filter_manager.h"

#include <memory>
#include <string>

#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_filter_stream.h"

namespace qp::pdf {

namespace {

// The value of `key`, or of `shortKey` when `key` is absent or null.
TPDBaseObject* LookUpEither(const TPDDictionary& dict, std::string_view key,
                            std::string_view shortKey) {
  TPDBaseObject* value = dict.LookUp(key);
  if (value == nullptr || value->IsNull()) value = dict.LookUp(shortKey);
  return value != nullptr && value->IsNull() ? nullptr : value;
}

int IntParam(const TPDDictionary* params, std::string_view key, int fallback) {
  if (params == nullptr) return fallback;
  const TPDBaseObject* value = params->LookUp(key);
  if (value == nullptr || !value->IsInteger()) return fallback;
  return static_cast<const TPDInteger*>(value)->Value();
}

bool BoolParam(const TPDDictionary* params, std::string_view key, bool fallback) {
  if (params == nullptr) return fallback;
  const TPDBaseObject* value = params->LookUp(key);
  if (value == nullptr || !value->IsBoolean()) return fallback;
  return static_cast<const TPDBoolean*>(value)->Value();
}

TStreamType StreamTypeOf(FilterKind kind) {
  switch (kind) {
    case FilterKind::kFlate:
      return stFlate;
    case FilterKind::kLzw:
      return stLZW;
    case FilterKind::kAsciiHex:
      return stASCIIHex;
    case FilterKind::kAscii85:
      return stASCII85;
    case FilterKind::kRunLength:
      return stRunLength;
    case FilterKind::kCcittFax:
      return stCCITTFax;
    case FilterKind::kDct:
      return stDCT;
    case FilterKind::kJpx:
      return stJPX;
    case FilterKind::kJbig2:
      return stJBIG2;
    case FilterKind::kUnknown:
      break;
  }
  return stWeird;
}

// The decoded bytes of /JBIG2Globals; nothing when it is not a stream.
std::shared_ptr<const std::string> ReadGlobals(const TPDDictionary& params) {
  constexpr size_t kMaxGlobals = size_t{16} << 20;
  TPDBaseObject* globals = params.LookUp("JBIG2Globals");
  if (globals == nullptr || !globals->IsStream()) return nullptr;
  auto& stream = static_cast<TPDStream&>(*globals);
  auto bytes = std::make_shared<std::string>();
  try {
    stream.Reset();
    stream.Read(*bytes, kMaxGlobals);
  } catch (const EPDFEngineError&) {
    return nullptr;
  }
  return bytes;
}

FilterParams ReadParams(const TPDDictionary* dict) {
  FilterParams params;
  params.predictor.predictor = IntParam(dict, "Predictor", 1);
  params.predictor.columns = IntParam(dict, "Columns", 1);
  params.predictor.colors = IntParam(dict, "Colors", 1);
  params.predictor.bits_per_component = IntParam(dict, "BitsPerComponent", 8);
  params.early_change = IntParam(dict, "EarlyChange", 1);
  CcittParams& fax = params.ccitt;
  fax.k = IntParam(dict, "K", 0);
  fax.end_of_line = BoolParam(dict, "EndOfLine", false);
  fax.encoded_byte_align = BoolParam(dict, "EncodedByteAlign", false);
  fax.columns = IntParam(dict, "Columns", 1728);
  fax.rows = IntParam(dict, "Rows", 0);
  fax.end_of_block = BoolParam(dict, "EndOfBlock", true);
  fax.black_is_1 = BoolParam(dict, "BlackIs1", false);
  params.dct.color_transform = IntParam(dict, "ColorTransform", -1);
  return params;
}

// An empty parameter array, or one whose first element is an empty
// dictionary, counts as no parameters at all.
bool IsEmptyParams(const TPDBaseObject* params) {
  if (params == nullptr || !params->IsArray()) return false;
  const auto& array = static_cast<const TPDArray&>(*params);
  if (array.GetLength() == 0) return true;
  const TPDBaseObject* first = array.Get(0);
  return first != nullptr && first->IsDict() &&
         static_cast<const TPDDictionary*>(first)->GetLength() == 0;
}

}  // namespace

std::unique_ptr<TStream> TPDFilterManager::MakeFilterStream(std::string_view name,
                                                            const TPDBaseObject* params,
                                                            std::unique_ptr<TStream> below) const {
  if (!below) throw ExInvalidStream();
  // A /Crypt filter names how the document's security handler treats this
  // stream; the parser has already applied it, so the bytes pass on as
  // they are.
  if (name == "Crypt") return below;
  const FilterKind kind = FilterKindFromName(name);
  if (kind == FilterKind::kUnknown) return std::make_unique<TEOFStream>(std::move(below));
  const auto* dict =
      params != nullptr && params->IsDict() ? static_cast<const TPDDictionary*>(params) : nullptr;
  FilterParams values = ReadParams(dict);
  if (kind == FilterKind::kJbig2 && dict != nullptr) values.jbig2_globals = ReadGlobals(*dict);
  const DecodeLimits limits = limits_;
  return std::make_unique<TFilterStream>(StreamTypeOf(kind), std::move(below),
                                         [kind, values, limits](std::unique_ptr<ByteSource> input) {
                                           return MakeDecoder(kind, std::move(input), values,
                                                              limits);
                                         });
}

std::unique_ptr<TPDStream> TPDFilterManager::GetFilter(std::unique_ptr<TPDDictionary> dict,
                                                       std::unique_ptr<TStream> raw) {
  if (!dict) throw ExInvalidObject();
  if (!raw) throw ExInvalidStream();
  const TPDBaseObject* filter = LookUpEither(*dict, "Filter", "F");
  const TPDBaseObject* params = LookUpEither(*dict, "DecodeParms", "DP");
  if (IsEmptyParams(params)) params = nullptr;

  // Parameters without a filter describe nothing to decode: the data is
  // used as it stands.
  if (filter == nullptr) {
    return std::make_unique<TPDStream>(std::shared_ptr<TStream>(std::move(raw)), std::move(dict));
  }
  if (filter->IsName()) {
    auto top =
        MakeFilterStream(static_cast<const TPDName*>(filter)->Value(), params, std::move(raw));
    return std::make_unique<TPDStream>(std::shared_ptr<TStream>(std::move(top)), std::move(dict));
  }
  if (!filter->IsArray()) return nullptr;

  const auto& names = static_cast<const TPDArray&>(*filter);
  const TPDArray* paramArray =
      params != nullptr && params->IsArray() ? static_cast<const TPDArray*>(params) : nullptr;
  std::unique_ptr<TStream> top = std::move(raw);
  for (size_t i = 0; i < names.GetLength(); ++i) {
    const TPDBaseObject* name = names.Get(i);
    if (name == nullptr || !name->IsName()) {
      // A chain that cannot be read further: what was built so far, behind a
      // stream that reports its end, without the dictionary.
      return std::make_unique<TPDStream>(
          std::shared_ptr<TStream>(std::make_unique<TEOFStream>(std::move(top))), nullptr);
    }
    const TPDBaseObject* elementParams = paramArray != nullptr ? paramArray->Get(i) : nullptr;
    top =
        MakeFilterStream(static_cast<const TPDName*>(name)->Value(), elementParams, std::move(top));
  }
  return std::make_unique<TPDStream>(std::shared_ptr<TStream>(std::move(top)), std::move(dict));
}

}  // namespace qp::pdf
