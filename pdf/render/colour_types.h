#pragma once
// Colour records in 16.16 fixed point (65536 = 1.0) and the conversions
// between doubles and that form. Every conversion saturates, so huge or
// NaN values from a file never reach an undefined cast.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace qp::pdf {

inline constexpr int kMaxColorComps = 32;
inline constexpr int32_t kFixedOne = 65536;

struct TColor {
  std::array<int32_t, kMaxColorComps> Comps{};
};

struct TRGB {
  int32_t R = 0;
  int32_t G = 0;
  int32_t B = 0;
};

struct TCMYK {
  int32_t C = 0;
  int32_t M = 0;
  int32_t Y = 0;
  int32_t K = 0;
};

inline bool operator==(const TColor& a, const TColor& b) {
  return a.Comps == b.Comps;
}
inline bool operator==(const TRGB& a, const TRGB& b) {
  return a.R == b.R && a.G == b.G && a.B == b.B;
}
inline bool operator==(const TCMYK& a, const TCMYK& b) {
  return a.C == b.C && a.M == b.M && a.Y == b.Y && a.K == b.K;
}

// Per-component image decode ranges: low value and width.
using TComponentRanges = std::array<double, kMaxColorComps>;

// A double already rounded or truncated to an integral value, as int32
// (NaN gives 0, out-of-range values saturate).
inline int32_t SaturateToInt32(double integral) {
  if (!(integral == integral)) return 0;
  if (integral >= 2147483647.0) return INT32_MAX;
  if (integral <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(integral);
}

// round(v): nearest integer, halves to even (the default rounding mode).
inline int32_t RoundToInt32(double v) {
  return SaturateToInt32(std::nearbyint(v));
}

// v × 65536 rounded, halves to even: how operand values become components.
inline int32_t FixedFromDouble(double v) {
  return RoundToInt32(v * kFixedOne);
}

// v × 65536 truncated toward zero: how computed colours become components.
inline int32_t FixedTruncFromDouble(double v) {
  return SaturateToInt32(std::trunc(v * kFixedOne));
}

inline double DoubleFromFixed(int32_t v) {
  return v / static_cast<double>(kFixedOne);
}

inline int32_t ClampFixed(int32_t v) {
  return std::clamp<int32_t>(v, 0, kFixedOne);
}

// A 16.16 intensity as a byte, the way the raster device rounds it.
inline uint8_t ByteFromFixed(int32_t v) {
  return static_cast<uint8_t>((static_cast<int64_t>(ClampFixed(v)) * 255 + 32768) / 65536);
}

}  // namespace qp::pdf
