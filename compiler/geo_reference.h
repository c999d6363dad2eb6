#pragma once
// Coordinates in 1/180000 degree (north and east positive), their text forms,
// and the corner arithmetic of geo-referenced plates.

#include <cstdint>
#include <string>
#include <string_view>

namespace qp {

inline constexpr int32_t kUnitsPerDegree = 180000;
inline constexpr int32_t kMaxLatitude = 16199999;   // one unit inside 90 degrees
inline constexpr int32_t kMaxLongitude = 32399999;  // one unit inside 180 degrees

struct PlateCorners {
  int32_t LatTL = 0;
  int32_t LongTL = 0;
  int32_t LatBR = 0;
  int32_t LongBR = 0;
  friend bool operator==(const PlateCorners&, const PlateCorners&) = default;
};

// A point the user marked on the preview: its pixel and its coordinates.
struct GeoReference {
  int32_t x = 0;
  int32_t y = 0;
  int32_t lat = 0;
  int32_t lon = 0;
};

// A rectangle in raster pixels; the right column and bottom row lie outside.
struct ClipRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  friend bool operator==(const ClipRect&, const ClipRect&) = default;
};

// "N51°28.40" and "W118°24.29": hemisphere, degrees, minutes and whole seconds.
// The texts are UTF-8; the degree sign counts as one character when parsed.
std::string LatToText(int32_t value);
std::string LongToText(int32_t value);
int32_t TextToLat(std::string_view text);
int32_t TextToLong(std::string_view text);

// Corners of a north-up preview of width x height pixels from two marked points.
PlateCorners ExtrapolateCorners(const GeoReference& first, const GeoReference& second,
                                int32_t width, int32_t height);

// Corners of the part `clip` of a raster of width x height pixels whose whole
// extent has the corners `corners`. A raster without pixels keeps the corners.
PlateCorners ClipCorners(const PlateCorners& corners, int32_t width, int32_t height,
                         const ClipRect& clip);

// Nearest integer, halves to even.
double RoundHalfEven(double value);

}  // namespace qp
