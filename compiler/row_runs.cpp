#include "compiler/row_runs.h"

#include <algorithm>

#include "compiler/plate_raster.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qp {

namespace {

constexpr uint32_t kColourBits = 0xFFFFFF;

// The first x in [from, width) whose colour differs from `native`, or width.
int RunEnd(const uint32_t* row, int from, int width, uint32_t native) {
  int x = from;
  // Runs at anti-aliased edges are mostly a pixel or two long.
  for (const int stop = std::min(width, from + 3); x < stop; ++x) {
    if ((row[x] & kColourBits) != native) return x;
  }
#if defined(__SSE2__)
  const __m128i want = _mm_set1_epi32(static_cast<int>(native));
  const __m128i colour = _mm_set1_epi32(static_cast<int>(kColourBits));
  auto equal4 = [&](int at) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + at));
    return _mm_cmpeq_epi32(_mm_and_si128(pixels, colour), want);
  };
  while (x + 16 <= width) {
    const __m128i all = _mm_and_si128(_mm_and_si128(equal4(x), equal4(x + 4)),
                                      _mm_and_si128(equal4(x + 8), equal4(x + 12)));
    if (_mm_movemask_ps(_mm_castsi128_ps(all)) != 0xF) break;
    x += 16;
  }
  while (x + 4 <= width) {
    const int equal = _mm_movemask_ps(_mm_castsi128_ps(equal4(x)));
    if (equal != 0xF) return x + __builtin_ctz(~equal & 0xF);
    x += 4;
  }
#endif
  while (x < width && (row[x] & kColourBits) == native) ++x;
  return x;
}

void AddRun(std::vector<IndexRun>& runs, uint8_t index, int length) {
  if (!runs.empty() && runs.back().index == index) {
    runs.back().length += length;
  } else {
    runs.push_back({index, length});
  }
}

}  // namespace

RowRunMapper::RowRunMapper() : matcher_(PlatePaletteMatcher()) {
  cachedNative_.fill(0xFFFFFFFF);  // matches no pixel
}

uint8_t RowRunMapper::Miss(uint32_t native, uint32_t slot) {
  cachedNative_[slot] = native;
  cachedIndex_[slot] = matcher_.Match(PlateRaster::NativeToColour(native));
  return cachedIndex_[slot];
}

void RowRunMapper::Map(const uint32_t* row, int width, std::vector<IndexRun>& runs) {
  runs.clear();
  int x = 0;
  while (x < width) {
    const uint32_t native = row[x] & kColourBits;
    const int end = RunEnd(row, x + 1, width, native);
    AddRun(runs, IndexOf(native), end - x);
    x = end;
  }
}

void RunsOfIndices(std::span<const uint8_t> row, std::vector<IndexRun>& runs) {
  runs.clear();
  size_t x = 0;
  while (x < row.size()) {
    const uint8_t v = row[x];
    const size_t start = x++;
    while (x < row.size() && row[x] == v) ++x;
    runs.push_back({v, static_cast<int>(x - start)});
  }
}

// Records: a control byte below 0x80 heads that many literal indices; 0x80 + n
// heads one index repeated n times (n, like the literal count, at most 127).
// A record's control byte is reserved when it opens and filled when it
// closes; one reserved for a record that never received a pixel is taken
// back. Three equal indices start a repeat record, but in literal mode only
// when at least one more pixel follows them; the output must follow these
// rules byte for byte.
void EncodeRuns(std::span<const IndexRun> runs, int width, std::vector<uint8_t>& out) {
  const size_t base = out.size();
  out.resize(base + MaxEncodedRowBytes(width));
  out.resize(base + EncodeRunsInto(runs, width, out.data() + base));
}

// Every closed record holds at least one pixel in at most two bytes per
// pixel, and at most one record (two bytes) is open without pixels: hence
// MaxEncodedRowBytes.
size_t EncodeRunsInto(std::span<const IndexRun> runs, int width, uint8_t* const start) {
  uint8_t* q = start;
  uint8_t* control = nullptr;  // the open record's control byte; none yet in this row
  bool repeat = false;
  int count = 0;
  int x = 0;

  for (const IndexRun& run : runs) {
    const uint8_t v = run.index;
    int left = run.length;
    if (left <= 0) continue;
    if (repeat) {
      // The run that ended fills its record; this one opens the next.
      if (count == 0) {
        q = control;
      } else {
        *control = static_cast<uint8_t>(0x80 + count);
      }
      control = q;
      *q++ = 0;
      *q++ = v;
      ++x;
      --left;
      count = 1;
      repeat = left >= 2;
    }
    while (left > 0) {
      if (repeat) {
        const int take = std::min(left, 127 - count);
        count += take;
        x += take;
        left -= take;
        if (count == 127) {
          *control = 0xFF;
          control = q;
          *q++ = 0;
          *q++ = v;
          count = 0;
        }
      } else if (left >= 3 && x <= width - 4) {
        if (control && count >= 1) {
          *control = static_cast<uint8_t>(count);
        } else if (control) {
          q = control;
        }
        control = q;
        *q++ = 0;
        *q++ = v;
        count = 3;
        x += 3;
        left -= 3;
        repeat = true;
      } else {
        if (!control) {
          control = q;
          *q++ = 0;
        }
        *q++ = v;
        ++count;
        ++x;
        --left;
        if (count == 127) {
          *control = 0x7F;
          control = q;
          *q++ = 0;
          count = 0;
        }
      }
    }
  }

  if (control) {
    if (count == 0) {
      q = control;
    } else {
      *control = static_cast<uint8_t>(repeat ? 0x80 + count : count);
    }
  }
  return static_cast<size_t>(q - start);
}

}  // namespace qp
