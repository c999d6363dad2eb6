#pragma once
// The geospatial viewports of a page (/VP entries whose /Measure is of
// subtype /GEO), read into plain data: where on the page each one lies, its
// control points as page points with their latitude and longitude, and the
// coordinate system the map is drawn in.

#include <optional>
#include <string>
#include <vector>

#include "compiler/chart_geo_mapping.h"

namespace qp {

namespace pdf {
class TPDBaseObject;
class TPDDictionary;
}  // namespace pdf

enum class GeoSystemKind { Geographic, Projected };

// The /GCS of a measure: the code or the WKT text PROJ reads it from.
struct GeoCoordinateSystem {
  GeoSystemKind Kind = GeoSystemKind::Geographic;
  std::optional<int> Epsg;
  std::string Wkt;
};

struct GeospatialViewport {
  int Number = 0;  // 1-based position in /VP (or in the map frames)
  std::string Name;
  // The part of the page the mapping is valid for (the bounds' box, else
  // the viewport's /BBox); std::nullopt when not even /BBox can be read.
  std::optional<PageRect> Area;
  // Page points with the latitude and longitude the file gives them; with
  // `PlanePoints`, with the projected system's northing (as Latitude) and
  // easting (as Longitude) instead.
  std::vector<GeoControlPoint> Points;
  bool PlanePoints = false;
  GeoCoordinateSystem System;
  // Why the viewport cannot be used; empty when it can.
  std::string Problem;
};

// More entries than this in /VP, or control points in a measure, are not read.
inline constexpr size_t kMaxGeospatialViewports = 64;
inline constexpr size_t kMaxGeoControlPoints = 256;
// A longer WKT text is refused.
inline constexpr size_t kMaxWktLength = 64 * 1024;

// A finite number, or with `stringsToo` a string that holds one.
std::optional<double> ReadGeoNumber(const pdf::TPDBaseObject* object, bool stringsToo);

// An array of at most `maxCount` finite numbers (with `stringsToo`, numbers
// written as strings count too); false with `why` naming `key` when it is
// not one.
bool ReadGeoNumbers(const pdf::TPDBaseObject* object, const char* key, size_t maxCount,
                    bool stringsToo, std::vector<double>& out, std::string& why);

// The geospatial viewports of the page dictionary, in /VP order; viewports
// without a /GEO measure are left out. `problem` receives a message when
// /VP itself cannot be read (not an array, too many entries).
std::vector<GeospatialViewport> ReadGeospatialViewports(const pdf::TPDDictionary& page,
                                                        std::string* problem);

}  // namespace qp
