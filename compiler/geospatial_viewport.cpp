#include "compiler/geospatial_viewport.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "pdf/core/pdf_objects.h"

namespace qp {
namespace {

using pdf::TPDArray;
using pdf::TPDBaseObject;
using pdf::TPDDictionary;

bool ReadPairs(const TPDBaseObject* object, const char* key, std::vector<double>& out,
               std::string& why) {
  if (!ReadGeoNumbers(object, key, 2 * kMaxGeoControlPoints, false, out, why)) return false;
  if (out.size() % 2 != 0) {
    why = std::string("/") + key + " has an odd count of numbers";
    return false;
  }
  return true;
}

// Twice the signed area of the polygon of (x, y) pairs.
double PolygonArea2(const std::vector<double>& xy) {
  double sum = 0;
  const size_t n = xy.size() / 2;
  for (size_t i = 0; i < n; ++i) {
    const size_t j = (i + 1) % n;
    sum += xy[2 * i] * xy[2 * j + 1] - xy[2 * j] * xy[2 * i + 1];
  }
  return sum;
}

std::string NameOf(const TPDBaseObject* object) {
  return object != nullptr && object->IsName() ? static_cast<const pdf::TPDName*>(object)->Value()
                                               : std::string();
}

// The coordinate system of /GCS; false with `why` set when it names none
// this reader knows.
bool ReadCoordinateSystem(const TPDBaseObject* object, GeoCoordinateSystem& system,
                          std::string& why) {
  system = {};
  if (object == nullptr) return true;  // the control points are latitudes and longitudes anyway
  if (!object->IsDict()) {
    why = "/GCS is not a dictionary";
    return false;
  }
  const auto& gcs = static_cast<const TPDDictionary&>(*object);
  const std::string type = NameOf(gcs.LookUp("Type"));
  if (type == "GEOGCS") {
    system.Kind = GeoSystemKind::Geographic;
  } else if (type == "PROJCS") {
    system.Kind = GeoSystemKind::Projected;
  } else {
    why = "unknown coordinate system type" + (type.empty() ? std::string() : " /" + type);
    return false;
  }
  if (const TPDBaseObject* epsg = gcs.LookUp("EPSG"); epsg != nullptr) {
    const double code = epsg->IsNumber() ? epsg->GetNumber() : -1;
    if (code < 1 || code > 999999 || code != std::floor(code)) {
      why = "/EPSG is not a valid code";
      return false;
    }
    system.Epsg = static_cast<int>(code);
  }
  if (const TPDBaseObject* wkt = gcs.LookUp("WKT"); wkt != nullptr) {
    if (!wkt->IsString()) {
      why = "/WKT is not a string";
      return false;
    }
    system.Wkt = static_cast<const pdf::TPDString*>(wkt)->GetBytes();
    if (system.Wkt.size() > kMaxWktLength) {
      why = "/WKT is too long";
      return false;
    }
  }
  if (system.Kind == GeoSystemKind::Projected && !system.Epsg && system.Wkt.empty()) {
    why = "the projected coordinate system has neither /EPSG nor /WKT";
    return false;
  }
  return true;
}

// Fills `viewport` from its dictionary; false with `why` set on a problem.
bool ReadMeasure(const TPDDictionary& dict, const TPDDictionary& measure,
                 GeospatialViewport& viewport, std::string& why) {
  std::vector<double> box;
  if (!ReadGeoNumbers(dict.LookUp("BBox"), "BBox", 4, false, box, why)) return false;
  if (box.size() != 4) {
    why = "/BBox does not have four numbers";
    return false;
  }
  const PageRect bbox{std::min(box[0], box[2]), std::min(box[1], box[3]), std::max(box[0], box[2]),
                      std::max(box[1], box[3])};
  viewport.Area = bbox;
  const double width = bbox.x1 - bbox.x0, height = bbox.y1 - bbox.y0;
  if (!(width > 0) || !(height > 0)) {
    why = "/BBox encloses no area";
    return false;
  }
  const auto toPage = [&](double u, double v) {
    return PagePoint{bbox.x0 + u * width, bbox.y0 + v * height};
  };

  std::vector<double> bounds = {0, 0, 0, 1, 1, 1, 1, 0};
  if (const TPDBaseObject* object = measure.LookUp("Bounds"); object != nullptr) {
    if (!ReadPairs(object, "Bounds", bounds, why)) return false;
    if (bounds.size() < 6 || std::fabs(PolygonArea2(bounds)) < 1e-9) {
      why = "/Bounds enclose no area";
      return false;
    }
    PageRect area{INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (size_t i = 0; i < bounds.size(); i += 2) {
      const PagePoint p = toPage(bounds[i], bounds[i + 1]);
      area = {std::min(area.x0, p.x), std::min(area.y0, p.y), std::max(area.x1, p.x),
              std::max(area.y1, p.y)};
    }
    viewport.Area = area;
  }

  std::vector<double> gpts, lpts;
  if (!ReadPairs(measure.LookUp("GPTS"), "GPTS", gpts, why)) return false;
  if (const TPDBaseObject* object = measure.LookUp("LPTS"); object != nullptr) {
    if (!ReadPairs(object, "LPTS", lpts, why)) return false;
  } else {
    lpts = bounds;  // without /LPTS the positions are those of the bounds' points
  }
  if (lpts.size() != gpts.size()) {
    why = "/GPTS and /LPTS have different counts of points";
    return false;
  }
  if (gpts.size() < 6) {
    why = "fewer than three control points";
    return false;
  }
  for (size_t i = 0; i < gpts.size(); i += 2) {
    const GeoPosition position{gpts[i], gpts[i + 1]};
    if (std::fabs(position.Latitude) > 90 || std::fabs(position.Longitude) > 360) {
      why = "a control point lies outside the range of latitude and longitude";
      return false;
    }
    viewport.Points.push_back({toPage(lpts[i], lpts[i + 1]), position});
  }
  return ReadCoordinateSystem(measure.LookUp("GCS"), viewport.System, why);
}

}  // namespace

std::optional<double> ReadGeoNumber(const TPDBaseObject* object, bool stringsToo) {
  if (object == nullptr) return std::nullopt;
  if (object->IsNumber())
    return std::isfinite(object->GetNumber()) ? std::optional(object->GetNumber()) : std::nullopt;
  if (!stringsToo || !object->IsString()) return std::nullopt;
  const std::string text = static_cast<const pdf::TPDString*>(object)->GetBytes();
  if (text.empty() || text.size() > 64) return std::nullopt;
  // from_chars, not strtod: the decimal point whatever the locale.
  const char* begin = text.data();
  const char* last = begin + text.size();
  while (begin < last && *begin == ' ') ++begin;
  if (begin < last && *begin == '+') ++begin;
  while (last > begin && last[-1] == ' ') --last;
  double value = 0;
  const auto [end, error] = std::from_chars(begin, last, value);
  if (error != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
  return value;
}

bool ReadGeoNumbers(const TPDBaseObject* object, const char* key, size_t maxCount, bool stringsToo,
                    std::vector<double>& out, std::string& why) {
  out.clear();
  if (object == nullptr || !object->IsArray()) {
    why = std::string("/") + key + " is not an array";
    return false;
  }
  const auto& array = static_cast<const TPDArray&>(*object);
  if (array.GetLength() > maxCount) {
    why = std::string("/") + key + " has too many elements (" + std::to_string(array.GetLength()) +
          ")";
    return false;
  }
  for (size_t i = 0; i < array.GetLength(); ++i) {
    const std::optional<double> value = ReadGeoNumber(array.Get(i), stringsToo);
    if (!value) {
      why = std::string("/") + key + " holds something other than numbers";
      return false;
    }
    out.push_back(*value);
  }
  return true;
}

std::vector<GeospatialViewport> ReadGeospatialViewports(const TPDDictionary& page,
                                                        std::string* problem) {
  std::vector<GeospatialViewport> viewports;
  const TPDBaseObject* vp = page.LookUp("VP");
  if (vp == nullptr) return viewports;
  if (!vp->IsArray()) {
    if (problem) *problem = "The page's viewport list (/VP) is not an array";
    return viewports;
  }
  const auto& array = static_cast<const TPDArray&>(*vp);
  const size_t count = std::min(array.GetLength(), kMaxGeospatialViewports);
  for (size_t i = 0; i < count; ++i) {
    const TPDBaseObject* entry = array.Get(i);
    if (entry == nullptr || !entry->IsDict()) continue;
    const auto& dict = static_cast<const TPDDictionary&>(*entry);
    const TPDBaseObject* measure = dict.LookUp("Measure");
    if (measure == nullptr || !measure->IsDict()) continue;
    const auto& measureDict = static_cast<const TPDDictionary&>(*measure);
    if (NameOf(measureDict.LookUp("Subtype")) != "GEO") continue;

    GeospatialViewport viewport;
    viewport.Number = static_cast<int>(i) + 1;
    if (const TPDBaseObject* name = dict.LookUp("Name"); name != nullptr && name->IsString())
      viewport.Name = static_cast<const pdf::TPDString*>(name)->GetBytes().substr(0, 200);
    std::string why;
    if (!ReadMeasure(dict, measureDict, viewport, why)) {
      viewport.Points.clear();
      viewport.Problem = "Geospatial viewport " + std::to_string(viewport.Number) + ": " + why;
    }
    viewports.push_back(std::move(viewport));
  }
  return viewports;
}

}  // namespace qp
