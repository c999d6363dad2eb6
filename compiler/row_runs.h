#pragma once
// Rows as runs of one palette index. Charts are mostly long stretches of one
// colour, so the encoder finds each run with wide compares and writes its
// records per run, not per pixel.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "compiler/palette.h"

namespace qp {

struct IndexRun {
  uint8_t index = 0;
  int length = 0;
};

// Maps rows of native pixels (0x00RRGGBB, top byte ignored) to runs of plate
// palette indices; neighbouring runs always differ in index.
class RowRunMapper {
 public:
  RowRunMapper();
  void Map(const uint32_t* row, int width, std::vector<IndexRun>& runs);

 private:
  uint8_t IndexOf(uint32_t native) {
    const uint32_t slot = (native * 0x9E3779B1u) >> (32 - kCacheBits);
    return cachedNative_[slot] == native ? cachedIndex_[slot] : Miss(native, slot);
  }
  uint8_t Miss(uint32_t native, uint32_t slot);

  const PaletteMatcher& matcher_;
  // The matcher's table is 16 MB: a small cache of the colours met keeps
  // the anti-aliased edges of a chart, a few hundred colours, out of memory.
  static constexpr int kCacheBits = 10;
  std::array<uint32_t, 1 << kCacheBits> cachedNative_;
  std::array<uint8_t, 1 << kCacheBits> cachedIndex_{};
};

// The runs of a row of indices.
void RunsOfIndices(std::span<const uint8_t> row, std::vector<IndexRun>& runs);

// Appends the encoded form of a row given as runs (neighbours differing in
// index) whose lengths add up to `width`.
void EncodeRuns(std::span<const IndexRun> runs, int width, std::vector<uint8_t>& out);
// The same written at `out`, which has room for MaxEncodedRowBytes(width);
// returns the bytes written.
size_t EncodeRunsInto(std::span<const IndexRun> runs, int width, uint8_t* out);
inline size_t MaxEncodedRowBytes(int width) {
  return 2 * static_cast<size_t>(width > 0 ? width : 0) + 4;
}

}  // namespace qp
