#pragma once
// Where a chart page lies on the earth: a mapping from points of the page to
// latitude and longitude, found in the file (a geospatial viewport) or read
// from the graticule the chart prints. Page points are in the page's default
// user space (PDF points, as the content stream draws them with the identity
// matrix, before the page's /Rotate is applied).

#include <memory>
#include <optional>
#include <span>
#include <string>

namespace qp {

inline constexpr char kNoGeoReferenceMessage[] = "No geo-reference found on this page";

struct PagePoint {
  double x = 0;
  double y = 0;
};

// A rectangle of the page in the same space; x0 <= x1 and y0 <= y1.
struct PageRect {
  double x0 = 0;
  double y0 = 0;
  double x1 = 0;
  double y1 = 0;
};

// Degrees, north and east positive.
struct GeoPosition {
  double Latitude = 0;
  double Longitude = 0;
};

class PageGeoMapping {
 public:
  virtual ~PageGeoMapping() = default;
  // The position of a page point, or std::nullopt where the mapping gives none
  // (for example outside the valid range of a projection).
  virtual std::optional<GeoPosition> PositionAt(PagePoint point) const = 0;
};

// longitude = LonX * x + LonY * y + Lon0; latitude = LatX * x + LatY * y + Lat0.
class AffineGeoMapping final : public PageGeoMapping {
 public:
  double LonX = 0, LonY = 0, Lon0 = 0;
  double LatX = 0, LatY = 0, Lat0 = 0;

  std::optional<GeoPosition> PositionAt(PagePoint point) const override;
};

struct GeoControlPoint {
  PagePoint Page;
  GeoPosition Position;
};

// The least-squares affine mapping through the control points; std::nullopt
// for fewer than three points, points (nearly) in a line, or values that are
// not finite.
std::optional<AffineGeoMapping> FitAffineGeoMapping(std::span<const GeoControlPoint> points);

// What a finder found: the mapping, and where it came from ("geospatial
// viewport", "graticule") for messages and reports.
struct ChartGeoReference {
  std::shared_ptr<const PageGeoMapping> Mapping;
  std::string Origin;
};

}  // namespace qp
