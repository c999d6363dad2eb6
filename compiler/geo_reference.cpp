#include "compiler/geo_reference.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

namespace qp {

namespace {

std::string CoordinateText(int32_t value, char positive, char negative, int degreeDigits) {
  int64_t a = std::llabs(static_cast<int64_t>(value));
  int64_t degrees = a / 180000;
  int64_t minutes = (a / 3000) % 60;
  int64_t seconds = (a % 3000) / 50;
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%c%0*lld\xC2\xB0%02lld.%02lld",
                value < 0 ? negative : positive, degreeDigits, static_cast<long long>(degrees),
                static_cast<long long>(minutes), static_cast<long long>(seconds));
  return buffer;
}

// Splits UTF-8 text into characters: a lead byte with its continuation bytes.
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> chars;
  size_t i = 0;
  while (i < text.size()) {
    size_t j = i + 1;
    while (j < text.size() && (static_cast<uint8_t>(text[j]) & 0xC0) == 0x80) ++j;
    chars.push_back(text.substr(i, j - i));
    i = j;
  }
  return chars;
}

// The characters at positions first..last (counted from 1) as a signed decimal
// integer; anything else, or a field the text does not reach, gives 0.
int64_t Field(const std::vector<std::string_view>& chars, size_t first, size_t last) {
  if (chars.size() < last) return 0;
  std::string field;
  for (size_t i = first - 1; i < last; ++i) field += chars[i];
  size_t pos = 0;
  bool negative = false;
  if (pos < field.size() && (field[pos] == '+' || field[pos] == '-'))
    negative = field[pos++] == '-';
  if (pos == field.size()) return 0;
  int64_t v = 0;
  for (; pos < field.size(); ++pos) {
    if (field[pos] < '0' || field[pos] > '9') return 0;
    v = v * 10 + (field[pos] - '0');
  }
  return negative ? -v : v;
}

int32_t TextToCoordinate(std::string_view text, char positive, char negative, int degreeDigits) {
  std::vector<std::string_view> chars = Characters(text);
  if (chars.empty()) return 0;
  int64_t sign;
  if (chars[0] == std::string_view(&positive, 1)) {
    sign = 1;
  } else if (chars[0] == std::string_view(&negative, 1)) {
    sign = -1;
  } else {
    return 0;
  }
  const size_t d = static_cast<size_t>(degreeDigits);
  int64_t degrees = Field(chars, 2, 1 + d);
  int64_t minutes = Field(chars, 3 + d, 4 + d);
  int64_t seconds = Field(chars, 6 + d, 7 + d);
  int64_t value = sign * (degrees * 180000 + minutes * 3000 + seconds * 50);
  // Two or three digits per field cannot leave the 32-bit range.
  return static_cast<int32_t>(value);
}

// Converts a rounded value to 32 bits, saturating instead of overflowing.
int32_t ToInt32(double value) {
  constexpr double lo = std::numeric_limits<int32_t>::min();
  constexpr double hi = std::numeric_limits<int32_t>::max();
  if (std::isnan(value)) return 0;
  return static_cast<int32_t>(std::clamp(value, lo, hi));
}

int32_t Clamp(double value, int32_t limit) {
  return ToInt32(std::clamp(value, -static_cast<double>(limit), static_cast<double>(limit)));
}

}  // namespace

double RoundHalfEven(double value) {
  double r = std::round(value);  // halves away from zero
  if (std::fabs(value - std::trunc(value)) == 0.5) r = 2.0 * std::round(value / 2.0);
  return r;
}

std::string LatToText(int32_t value) {
  return CoordinateText(value, 'N', 'S', 2);
}
std::string LongToText(int32_t value) {
  return CoordinateText(value, 'E', 'W', 3);
}
int32_t TextToLat(std::string_view text) {
  return TextToCoordinate(text, 'N', 'S', 2);
}
int32_t TextToLong(std::string_view text) {
  return TextToCoordinate(text, 'E', 'W', 3);
}

PlateCorners ExtrapolateCorners(const GeoReference& first, const GeoReference& second,
                                int32_t width, int32_t height) {
  double dy = static_cast<double>(second.y) - first.y;
  double dx = static_cast<double>(second.x) - first.x;
  if (dy == 0) dy = 1;
  if (dx == 0) dx = 1;
  double latPerPixel = std::fabs((static_cast<double>(first.lat) - second.lat) / dy);
  double longPerPixel = std::fabs((static_cast<double>(second.lon) - first.lon) / dx);
  PlateCorners c;
  c.LatTL = Clamp(RoundHalfEven(first.lat + first.y * latPerPixel), kMaxLatitude);
  c.LongTL = Clamp(RoundHalfEven(first.lon - first.x * longPerPixel), kMaxLongitude);
  c.LatBR =
      Clamp(RoundHalfEven(second.lat - (static_cast<double>(height) - second.y) * latPerPixel),
            kMaxLatitude);
  c.LongBR =
      Clamp(RoundHalfEven(second.lon + (static_cast<double>(width) - second.x) * longPerPixel),
            kMaxLongitude);
  return c;
}

PlateCorners ClipCorners(const PlateCorners& corners, int32_t width, int32_t height,
                         const ClipRect& clip) {
  if (width <= 0 || height <= 0) return corners;
  const double w = width, h = height;
  const double spanLong = static_cast<double>(corners.LongBR) - corners.LongTL;
  const double spanLat = static_cast<double>(corners.LatTL) - corners.LatBR;
  PlateCorners c;
  c.LongTL = ToInt32(corners.LongTL + RoundHalfEven((clip.Left / w) * spanLong));
  c.LongBR = ToInt32(corners.LongBR -
                     RoundHalfEven(((static_cast<double>(width) - clip.Right) / w) * spanLong));
  c.LatTL = ToInt32(corners.LatTL - RoundHalfEven((clip.Top / h) * spanLat));
  c.LatBR = ToInt32(corners.LatBR +
                    RoundHalfEven(((static_cast<double>(height) - clip.Bottom) / h) * spanLat));
  return c;
}

}  // namespace qp
