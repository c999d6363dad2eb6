#pragma once
// Stream decoders. Each decoder is a ByteSource that pulls encoded bytes from
// the source below it, which it owns. Damaged data never throws: the decoded
// data simply ends early, or continues with best-effort values.
//
// Filter names map to decoders as follows (see FilterKindFromName):
//   FlateDecode/Fl, LZWDecode/LZW, ASCIIHexDecode/AHx, ASCII85Decode/A85,
//   RunLengthDecode/RL, CCITTFaxDecode/CCF, DCTDecode/DCT, JPXDecode.
// JBIG2Decode is read through jbig2dec. Any other name (Crypt, ...) is kUnknown: the glue that
// builds a chain passes the bytes below through unchanged for it (the input source itself is the
// result), and ends the chain there.
//
// Every factory takes a non-null input; the glue reports a missing stream
// ("Invalid Stream") before it builds a chain.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/core/byte_source.h"

namespace qp::pdf {

// What the decoders of one document may still produce in all, shared by each
// decoder made for it: a file of many streams, each under its own cap, cannot
// decode without end. A document resets it before each page it draws.
struct DecodeBudget {
  uint64_t remaining = UINT64_MAX;
  bool spent = false;  // a decoder's data was cut short by it
};

// Caps the decoded size of one stream: a decoder ends its data at this many
// bytes, so that a Flate, LZW, run-length or fax bomb cannot exhaust memory.
// With a budget, the data also ends when the budget runs out.
struct DecodeLimits {
  uint64_t max_output = uint64_t{1} << 30;
  std::shared_ptr<DecodeBudget> budget;
};

// /DecodeParms of FlateDecode and LZWDecode.
struct PredictorParams {
  int predictor = 1;
  int columns = 1;
  int colors = 1;
  int bits_per_component = 8;
};

struct LzwParams {
  PredictorParams predictor;
  int early_change = 1;
};

// /DecodeParms of CCITTFaxDecode.
struct CcittParams {
  int k = 0;
  bool end_of_line = false;
  bool encoded_byte_align = false;
  int columns = 1728;
  int rows = 0;
  bool end_of_block = true;
  bool black_is_1 = false;
};

// /DecodeParms of DCTDecode: -1 lets the data decide.
struct DctParams {
  int color_transform = -1;
};

enum class FilterKind {
  kFlate,
  kLzw,
  kAsciiHex,
  kAscii85,
  kRunLength,
  kCcittFax,
  kDct,
  kJpx,
  kJbig2,
  kUnknown
};

FilterKind FilterKindFromName(std::string_view name);

// Flate (zlib format). A predictor other than 1 is applied on top of the
// inflated data; with the default parameters the output is the inflated data
// before any predictor.
std::unique_ptr<ByteSource> MakeFlateDecoder(std::unique_ptr<ByteSource> input,
                                             const PredictorParams& params = {},
                                             const DecodeLimits& limits = {});

std::unique_ptr<ByteSource> MakeLzwDecoder(std::unique_ptr<ByteSource> input,
                                           const LzwParams& params = {},
                                           const DecodeLimits& limits = {});

// Undoes a PNG (10-15) or TIFF (2) predictor. Predictor 1, or parameters that
// are not positive or whose row size overflows, return `input` itself.
std::unique_ptr<ByteSource> MakePredictorDecoder(std::unique_ptr<ByteSource> input,
                                                 const PredictorParams& params,
                                                 const DecodeLimits& limits = {});

std::unique_ptr<ByteSource> MakeAsciiHexDecoder(std::unique_ptr<ByteSource> input,
                                                const DecodeLimits& limits = {});
std::unique_ptr<ByteSource> MakeAscii85Decoder(std::unique_ptr<ByteSource> input,
                                               const DecodeLimits& limits = {});
std::unique_ptr<ByteSource> MakeRunLengthDecoder(std::unique_ptr<ByteSource> input,
                                                 const DecodeLimits& limits = {});

// Group 3 and Group 4 fax. Output rows are packed 8 pixels a byte, most
// significant bit first, 0 for black unless black_is_1.
std::unique_ptr<ByteSource> MakeCcittDecoder(std::unique_ptr<ByteSource> input,
                                             const CcittParams& params = {},
                                             const DecodeLimits& limits = {});

// JPEG with 8-bit samples (baseline, extended sequential or progressive,
// Huffman-coded). Output: one byte per component per pixel, interleaved, rows
// top to bottom; YCbCr and YCCK are converted when the colour transform says
// so. Other JPEG kinds yield no data.
std::unique_ptr<ByteSource> MakeDctDecoder(std::unique_ptr<ByteSource> input,
                                           const DctParams& params = {},
                                           const DecodeLimits& limits = {});

// JPEG 2000 is not decoded: the data is empty.
std::unique_ptr<ByteSource> MakeJpxDecoder(std::unique_ptr<ByteSource> input);

// JBIG2 in the embedded form, with the bytes of /JBIG2Globals when given.
// Output: rows of 1-bit pixels, 0 for black. Data that does not decode
// yields no data.
std::unique_ptr<ByteSource> MakeJbig2Decoder(std::unique_ptr<ByteSource> input,
                                             std::shared_ptr<const std::string> globals,
                                             const DecodeLimits& limits = {});

// Parameters for MakeDecoder; only the member of the kind in question is used.
struct FilterParams {
  PredictorParams predictor;
  int early_change = 1;
  CcittParams ccitt;
  DctParams dct;
  std::shared_ptr<const std::string> jbig2_globals;
};

// One decoder by kind; kUnknown returns `input` unchanged.
std::unique_ptr<ByteSource> MakeDecoder(FilterKind kind, std::unique_ptr<ByteSource> input,
                                        const FilterParams& params = {},
                                        const DecodeLimits& limits = {});

}  // namespace qp::pdf
