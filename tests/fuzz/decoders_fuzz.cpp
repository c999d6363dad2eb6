// Fuzzes every stream decoder. Byte 0 picks the decoder, bytes 1-3 its
// parameters (predictors included for Flate and LZW); the rest is the data.

#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "pdf/core/filters.h"
#include "pdf/core/memory_source.h"

using namespace qp::pdf;

namespace {

PredictorParams PickPredictor(uint8_t a, uint8_t b) {
  static constexpr int kPredictors[] = {1, 2, 10, 11, 12, 13, 14, 15, 5, 1};
  static constexpr int kBits[] = {1, 2, 4, 8, 16, 8, 3, 0};
  PredictorParams p;
  p.predictor = kPredictors[a % 10];
  p.columns = 1 + (b & 0x3F) * ((a >> 4) + 1);
  p.colors = 1 + ((b >> 6) & 3);
  p.bits_per_component = kBits[(a >> 4) & 7];
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  FilterKind kinds[] = {FilterKind::kFlate,   FilterKind::kLzw,       FilterKind::kAsciiHex,
                        FilterKind::kAscii85, FilterKind::kRunLength, FilterKind::kCcittFax,
                        FilterKind::kDct,     FilterKind::kJpx,       FilterKind::kUnknown};
  FilterKind kind = kinds[data[0] % 9];
  FilterParams params;
  params.predictor = PickPredictor(data[1], data[2]);
  params.early_change = data[3] & 1;
  static constexpr int kK[] = {-1, 0, 1, 4};
  params.ccitt.k = kK[data[1] & 3];
  params.ccitt.end_of_line = data[1] & 4;
  params.ccitt.encoded_byte_align = data[1] & 8;
  params.ccitt.end_of_block = !(data[1] & 16);
  params.ccitt.black_is_1 = data[1] & 32;
  params.ccitt.columns = 1 + data[2] * 8;
  params.ccitt.rows = (data[3] >> 1) & 0x3F;
  params.dct.color_transform = (data[3] >> 1) % 3 - 1;
  DecodeLimits limits{1 << 20, nullptr};

  auto decoder = MakeDecoder(kind, std::make_unique<MemorySource>(std::span(data + 4, size - 4)),
                             params, limits);
  std::vector<uint8_t> buffer(4099);
  size_t chunk = 1 + data[0] / 9 * 97 % 4099;
  size_t first = 0;
  for (size_t n; (n = decoder->Read(buffer.data(), chunk)) > 0;) first += n;
  // A second pass after Rewind must give the same length.
  decoder->Rewind();
  size_t second = 0;
  for (size_t n; (n = decoder->Read(buffer.data(), buffer.size())) > 0;) second += n;
  if (first != second) __builtin_trap();
  return 0;
}
