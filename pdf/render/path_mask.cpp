#include "pdf/render/path_mask.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qp::pdf {

namespace {

// Floor and ceiling of a value >= 0, without a call into the maths library.
inline int FloorOf(double v) {
  return static_cast<int>(v);
}
inline int CeilingOf(double v) {
  const int i = static_cast<int>(v);
  return i + (i < v);
}

}  // namespace

void TPathMask::Reset() {
  points_.clear();
  contour_starts_.clear();
}

void TPathMask::Add(double x, double y) {
  if (points_.empty()) {
    left_ = right_ = x;
    top_ = bottom_ = y;
  } else {
    left_ = std::min(left_, x), right_ = std::max(right_, x);
    top_ = std::min(top_, y), bottom_ = std::max(bottom_, y);
  }
  points_.push_back({x, y});
}

void TPathMask::MoveTo(double x, double y) {
  contour_starts_.push_back(points_.size());
  Add(x, y);
}

void TPathMask::LineTo(double x, double y) {
  if (contour_starts_.empty()) MoveTo(x, y);
  Add(x, y);
}

int TPathMask::ChordsOfCurve(double x0, double y0, double x1, double y1, double x2, double y2,
                             double x3, double y3) {
  // A cubic cut into n equal steps of its parameter strays at most
  // 3/4 * |second difference| / n^2 from its chords.
  const double ddx = std::max(std::fabs(x0 - 2 * x1 + x2), std::fabs(x1 - 2 * x2 + x3));
  const double ddy = std::max(std::fabs(y0 - 2 * y1 + y2), std::fabs(y1 - 2 * y2 + y3));
  const double steps = std::ceil(std::sqrt(0.75 * std::hypot(ddx, ddy) / kFlatness));
  return std::isfinite(steps) ? static_cast<int>(std::clamp(steps, 1.0, double(kMaxChords)))
                              : kMaxChords;
}

void TPathMask::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
  if (contour_starts_.empty()) MoveTo(x1, y1);
  const Point p0 = points_.back();
  // The box takes the control points too, as callers expect of it.
  left_ = std::min({left_, x1, x2}), right_ = std::max({right_, x1, x2});
  top_ = std::min({top_, y1, y2}), bottom_ = std::max({bottom_, y1, y2});
  CutCurve(p0.x, p0.y, x1, y1, x2, y2, x3, y3, [this](double x, double y) { Add(x, y); });
}

void TPathMask::AddEdge(double x0, double y0, double x1, double y1) {
  if (y0 == y1) return;
  float dir = 1;
  if (y0 > y1) {
    std::swap(x0, x1), std::swap(y0, y1);
    dir = -1;
  }
  const double h = height_, w = width_;
  if (y0 >= 0 && y1 <= h && x0 >= 0 && x0 <= w && x1 >= 0 && x1 <= w) {
    AddEdgeInColumns(x0, y0, x1, y1, dir);  // the usual case: within the box
    return;
  }
  if (y1 <= 0 || y0 >= h) return;
  const double dxdy = (x1 - x0) / (y1 - y0);
  auto xAt = [&](double y) { return x0 + (y - y0) * dxdy; };
  const double top = std::max(y0, 0.0), bottom = std::min(y1, h);
  // The edge is cut where it crosses the box's left and right sides. Left
  // of the box, a part covers whole pixels of its rows, as the left side
  // itself would; right of it, a part changes no pixel of the box.
  double cuts[4] = {top, 0, 0, bottom};
  int count = 1;
  if (x0 != x1) {
    for (const double side : {0.0, w}) {
      const double y = y0 + (side - x0) / dxdy;
      if (y > top && y < bottom) cuts[count++] = y;
    }
    if (count == 3 && cuts[1] > cuts[2]) std::swap(cuts[1], cuts[2]);
  }
  cuts[count++] = bottom;
  for (int i = 0; i + 1 < count; ++i) {
    const double ya = cuts[i], yb = cuts[i + 1];
    if (!(yb > ya)) continue;
    const double middle = xAt(0.5 * (ya + yb));
    if (middle >= w) {
      // Changes no pixel of the box, but what lies left of it stays
      // covered to the box's right side.
      for (int row = FloorOf(ya), end = std::min(height_, CeilingOf(yb)); row < end; ++row) {
        spans_[row].end = width_;
      }
      continue;
    }
    if (middle <= 0) {
      AddEdgeInColumns(0, ya, 0, yb, dir);
    } else {
      AddEdgeInColumns(std::clamp(xAt(ya), 0.0, w), ya, std::clamp(xAt(yb), 0.0, w), yb, dir);
    }
  }
}

void TPathMask::AddEdgeInColumns(double x0, double y0, double x1, double y1, float dir) {
  const double dxdy = (x1 - x0) / (y1 - y0);
  const double w = width_;
  double x = x0;
  const int rowEnd = std::min(height_, CeilingOf(y1));
  for (int row = FloorOf(y0); row < rowEnd; ++row) {
    float* const cells = cells_.data() + static_cast<size_t>(row) * cell_stride_;
    const double dy = std::min(row + 1.0, y1) - std::max(double(row), y0);
    const double next = std::clamp(x + dxdy * dy, 0.0, w);
    const double d = dy * dir;
    const double left = std::min(x, next), right = std::max(x, next);
    const int first = FloorOf(left);
    const double leftFloor = first;
    const int end = CeilingOf(right);
    RowSpan& span = spans_[row];
    span.start = std::min(span.start, first);
    span.end = std::max(span.end, end + 2);
    if (end <= first + 1) {
      // Within one pixel: the part right of the edge's mean x is covered.
      const double across = 0.5 * (x + next) - leftFloor;
      cells[first] += static_cast<float>(d - d * across);
      cells[first + 1] += static_cast<float>(d * across);
    } else {
      // Across pixels: the coverage grows by the slope's share per pixel,
      // with the triangles cut off in the first and the last.
      const double s = 1 / (right - left);
      const double firstFraction = left - leftFloor;
      const double firstArea = 0.5 * s * (1 - firstFraction) * (1 - firstFraction);
      const double lastFraction = right - (end - 1);
      const double lastArea = 0.5 * s * lastFraction * lastFraction;
      cells[first] += static_cast<float>(d * firstArea);
      if (end == first + 2) {
        cells[first + 1] += static_cast<float>(d * (1 - firstArea - lastArea));
      } else {
        const double second = s * (1.5 - firstFraction);
        cells[first + 1] += static_cast<float>(d * (second - firstArea));
        const float step = static_cast<float>(d * s);
        for (int i = first + 2; i < end - 1; ++i) cells[i] += step;
        const double beforeLast = second + (end - first - 3) * s;
        cells[end - 1] += static_cast<float>(d * (1 - beforeLast - lastArea));
      }
      cells[end] += static_cast<float>(d * lastArea);
    }
    x = next;
  }
}

cairo_surface_t* TPathMask::Render(int x0, int y0, int x1, int y1, bool evenOdd,
                                   bool clearOutsideSpans) {
  return RenderCoverage(x0, y0, x1, y1, evenOdd, clearOutsideSpans) ? CoverageSurface() : nullptr;
}

bool TPathMask::RenderCoverage(int x0, int y0, int x1, int y1, bool evenOdd,
                               bool clearOutsideSpans) {
  if (points_.empty() || x1 <= x0 || y1 <= y0) return false;
  if (left_ < x0 - kMaxReach || right_ > x1 + kMaxReach || top_ < y0 - kMaxReach ||
      bottom_ > y1 + kMaxReach) {
    return false;
  }
  width_ = x1 - x0, height_ = y1 - y0;
  cell_stride_ = width_ + 2;
  const size_t cellCount = static_cast<size_t>(cell_stride_) * static_cast<size_t>(height_);
  if (cells_.size() < cellCount) cells_.resize(cellCount);  // new cells are zero
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, width_);
  // Grown only: every byte of the box is written below.
  const size_t coverageBytes = static_cast<size_t>(stride) * static_cast<size_t>(height_);
  if (coverage_.size() < coverageBytes) coverage_.resize(coverageBytes);
  spans_.assign(static_cast<size_t>(height_), RowSpan{width_, 0});
  for (size_t c = 0; c < contour_starts_.size(); ++c) {
    const size_t start = contour_starts_[c];
    const size_t end = c + 1 < contour_starts_.size() ? contour_starts_[c + 1] : points_.size();
    for (size_t i = start; i < end; ++i) {
      const Point& a = points_[i];
      const Point& b = points_[i + 1 < end ? i + 1 : start];  // the last edge closes the contour
      AddEdge(a.x - x0, a.y - y0, b.x - x0, b.y - y0);
    }
  }

  for (int row = 0; row < height_; ++row) {
    float* const cells = cells_.data() + static_cast<size_t>(row) * cell_stride_;
    unsigned char* const out = coverage_.data() + static_cast<size_t>(row) * stride;
    RowSpan& span = spans_[row];
    // Left of the row's first touched cell nothing is covered, and the
    // contours being closed, nothing right of its last.
    span.end = std::min(span.end, width_);
    if (span.start >= span.end) {
      span = {0, 0};
      continue;
    }
    Accumulate(cells, out, span.start, span.end, evenOdd);
    cells[width_] = cells[width_ + 1] = 0;
  }
  coverage_stride_ = stride;
  if (clearOutsideSpans) ClearOutsideSpans();
  return true;
}

cairo_surface_t* TPathMask::CoverageSurface() {
  cairo_surface_t* surface = cairo_image_surface_create_for_data(coverage_.data(), CAIRO_FORMAT_A8,
                                                                 width_, height_, coverage_stride_);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  return surface;
}

namespace {

// Coverage of a pixel whose winding number, in coverage, is `sum`.
inline unsigned char CoverageOf(float sum, bool evenOdd) {
  int v = static_cast<int>(std::fabs(sum) * 255 + 0.5f);
  if (!evenOdd) return static_cast<unsigned char>(std::min(v, 255));
  if (v > 255) {
    v %= 510;
    if (v > 255) v = 510 - v;
  }
  return static_cast<unsigned char>(v);
}

}  // namespace

void TPathMask::Accumulate(float* cells, unsigned char* out, int from, int end, bool evenOdd) {
  float sum = 0;
  int x = from;
#if defined(__SSE2__)
  // Four pixels at a time: a prefix sum within the four, plus the sum so far.
  const __m128 signBit = _mm_set1_ps(-0.0f), scale = _mm_set1_ps(255), half = _mm_set1_ps(0.5f);
  // Levels are held below this before the conversion, so that none leaves
  // 32 bits; under the even-odd rule, four levels under 510 fold at once.
  const __m128 ceiling = _mm_set1_ps(evenOdd ? 1e6f : 255);
  const __m128i fold = _mm_set1_epi16(510), beyondFold = _mm_set1_epi32(509);
  __m128 carry = _mm_setzero_ps();
  for (; x + 4 <= end; x += 4) {
    __m128 v = _mm_loadu_ps(cells + x);
    _mm_storeu_ps(cells + x, _mm_setzero_ps());
    v = _mm_add_ps(v, _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(v), 4)));
    v = _mm_add_ps(v, _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(v), 8)));
    v = _mm_add_ps(v, carry);
    carry = _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3));
    const __m128 level =
        _mm_min_ps(_mm_add_ps(_mm_mul_ps(_mm_andnot_ps(signBit, v), scale), half), ceiling);
    const __m128i levels = _mm_cvttps_epi32(level);
    __m128i words = _mm_packs_epi32(levels, _mm_setzero_si128());
    if (evenOdd) {
      if (_mm_movemask_epi8(_mm_cmpgt_epi32(levels, beyondFold)) != 0) {
        alignas(16) float sums[4];
        _mm_store_ps(sums, v);
        for (int i = 0; i < 4; ++i) out[x + i] = CoverageOf(sums[i], true);
        continue;
      }
      words = _mm_min_epi16(words, _mm_sub_epi16(fold, words));
    }
    const int bytes = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
    std::memcpy(out + x, &bytes, 4);
  }
  sum = _mm_cvtss_f32(carry);
#endif
  for (; x < end; ++x) {
    sum += cells[x];
    cells[x] = 0;
    out[x] = CoverageOf(sum, evenOdd);
  }
}

void TPathMask::ClearOutsideSpans() {
  for (int row = 0; row < height_; ++row) {
    unsigned char* const out = coverage_.data() + static_cast<size_t>(row) * coverage_stride_;
    const RowSpan& span = spans_[row];
    std::memset(out, 0, static_cast<size_t>(span.start));
    std::memset(out + span.end, 0, static_cast<size_t>(width_ - span.end));
  }
}

namespace {

// Each of the two bytes of `lanes` (bits 0-7 and 16-23) times a / 255,
// rounded as pixman does.
inline uint32_t MultiplyLanes(uint32_t lanes, uint32_t a) {
  const uint32_t t = lanes * a + 0x00800080u;
  return ((((t >> 8) & 0x00FF00FFu) + t) >> 8) & 0x00FF00FFu;
}

// The two lanes added, each held at 255.
inline uint32_t AddLanes(uint32_t x, uint32_t y) {
  uint32_t t = x + y;
  t |= 0x10000100u - ((t >> 8) & 0x00FF00FFu);
  return t & 0x00FF00FFu;
}

}  // namespace

void TPathMask::Blend(cairo_surface_t* target, const Coverage& mask, int x, int y, const Box& box,
                      uint32_t argb, const RowSpan* spans) {
  // Within the box, the mask and the target.
  const int left = std::max({box.x0, x, 0}), top = std::max({box.y0, y, 0});
  const int right = std::min({box.x1, x + mask.width, cairo_image_surface_get_width(target)});
  const int bottom = std::min({box.y1, y + mask.height, cairo_image_surface_get_height(target)});
  if (right <= left || bottom <= top) return;
  uint8_t* pixels = cairo_image_surface_get_data(target);
  const int stride = cairo_image_surface_get_stride(target);
  const uint8_t* coverage = mask.data;
  const int maskStride = mask.stride;
  const uint32_t colour = argb | 0xFF000000u;
  const uint32_t colourRB = colour & 0x00FF00FFu, colourAG = (colour >> 8) & 0x00FF00FFu;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i colour4 = _mm_set1_epi32(static_cast<int>(colour));
  const __m128i colour16 = _mm_unpacklo_epi8(colour4, zero);
  const __m128i half = _mm_set1_epi16(0x80), scale = _mm_set1_epi16(0x0101);
  const __m128i full = _mm_set1_epi16(255);
  // x * y / 255 in 16-bit lanes, rounded as MultiplyLanes.
  auto multiply = [&](__m128i u, __m128i v) {
    return _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(u, v), half), scale);
  };
#endif
  for (int row = top; row < bottom; ++row) {
    auto* out = reinterpret_cast<uint32_t*>(pixels + static_cast<ptrdiff_t>(row) * stride);
    const uint8_t* m = coverage + static_cast<ptrdiff_t>(row - y) * maskStride - x;
    int col = left, rowRight = right;
    if (spans) {
      col = std::max(left, x + spans[row - y].start);
      rowRight = std::min(right, x + spans[row - y].end);
    }
#if defined(__SSE2__)
    // Four pixels at a time; blocks wholly outside or inside the fill are
    // the most common.
    for (; col + 4 <= rowRight; col += 4) {
      uint32_t a4;
      std::memcpy(&a4, m + col, 4);
      if (a4 == 0) continue;
      auto* at = reinterpret_cast<__m128i*>(out + col);
      if (a4 == 0xFFFFFFFFu) {
        _mm_storeu_si128(at, colour4);
        continue;
      }
      __m128i a = _mm_cvtsi32_si128(static_cast<int>(a4));
      a = _mm_unpacklo_epi8(a, a);
      a = _mm_unpacklo_epi16(a, a);  // each coverage byte four times
      const __m128i aLow = _mm_unpacklo_epi8(a, zero), aHigh = _mm_unpackhi_epi8(a, zero);
      const __m128i d = _mm_loadu_si128(at);
      const __m128i colourPart =
          _mm_packus_epi16(multiply(colour16, aLow), multiply(colour16, aHigh));
      const __m128i pixelPart =
          _mm_packus_epi16(multiply(_mm_unpacklo_epi8(d, zero), _mm_sub_epi16(full, aLow)),
                           multiply(_mm_unpackhi_epi8(d, zero), _mm_sub_epi16(full, aHigh)));
      _mm_storeu_si128(at, _mm_adds_epu8(colourPart, pixelPart));
    }
#endif
    for (; col < rowRight; ++col) {
      const uint32_t a = m[col];
      if (a == 0) continue;
      if (a == 255) {
        out[col] = colour;
        continue;
      }
      // colour * a + pixel * (255 - a), channel by channel, in two lanes at
      // a time.
      const uint32_t d = out[col];
      const uint32_t rb =
          AddLanes(MultiplyLanes(colourRB, a), MultiplyLanes(d & 0x00FF00FFu, 255 - a));
      const uint32_t ag =
          AddLanes(MultiplyLanes(colourAG, a), MultiplyLanes((d >> 8) & 0x00FF00FFu, 255 - a));
      out[col] = rb | (ag << 8);
    }
  }
}

}  // namespace qp::pdf
