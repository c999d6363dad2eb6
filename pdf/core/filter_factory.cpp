#include "pdf/core/filters.h"

namespace qp::pdf {

FilterKind FilterKindFromName(std::string_view name) {
  if (name == "FlateDecode" || name == "Fl") return FilterKind::kFlate;
  if (name == "LZWDecode" || name == "LZW") return FilterKind::kLzw;
  if (name == "ASCIIHexDecode" || name == "AHx") return FilterKind::kAsciiHex;
  if (name == "ASCII85Decode" || name == "A85") return FilterKind::kAscii85;
  if (name == "RunLengthDecode" || name == "RL") return FilterKind::kRunLength;
  if (name == "CCITTFaxDecode" || name == "CCF") return FilterKind::kCcittFax;
  if (name == "DCTDecode" || name == "DCT") return FilterKind::kDct;
  if (name == "JPXDecode") return FilterKind::kJpx;
  if (name == "JBIG2Decode") return FilterKind::kJbig2;
  return FilterKind::kUnknown;
}

std::unique_ptr<ByteSource> MakeDecoder(FilterKind kind, std::unique_ptr<ByteSource> input,
                                        const FilterParams& params, const DecodeLimits& limits) {
  switch (kind) {
    case FilterKind::kFlate:
      return MakeFlateDecoder(std::move(input), params.predictor, limits);
    case FilterKind::kLzw:
      return MakeLzwDecoder(std::move(input), LzwParams{params.predictor, params.early_change},
                            limits);
    case FilterKind::kAsciiHex:
      return MakeAsciiHexDecoder(std::move(input), limits);
    case FilterKind::kAscii85:
      return MakeAscii85Decoder(std::move(input), limits);
    case FilterKind::kRunLength:
      return MakeRunLengthDecoder(std::move(input), limits);
    case FilterKind::kCcittFax:
      return MakeCcittDecoder(std::move(input), params.ccitt, limits);
    case FilterKind::kDct:
      return MakeDctDecoder(std::move(input), params.dct, limits);
    case FilterKind::kJpx:
      return MakeJpxDecoder(std::move(input));
    case FilterKind::kJbig2:
      return MakeJbig2Decoder(std::move(input), params.jbig2_globals, limits);
    case FilterKind::kUnknown:
      break;
  }
  return input;
}

}  // namespace qp::pdf
