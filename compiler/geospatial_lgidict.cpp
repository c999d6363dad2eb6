#include "compiler/geospatial_lgidict.h"

#include <algorithm>
#include <cmath>

#include "pdf/core/pdf_objects.h"

namespace qp {
namespace {

using pdf::TPDArray;
using pdf::TPDBaseObject;
using pdf::TPDDictionary;

// A text value, written as a string or a name.
std::string TextOf(const TPDBaseObject* object) {
  if (object == nullptr) return {};
  if (object->IsName()) return static_cast<const pdf::TPDName*>(object)->Value();
  if (object->IsString()) return static_cast<const pdf::TPDString*>(object)->GetBytes();
  return {};
}

// Numbers in a map frame may also be written as strings, for precision.
bool ReadNumbers(const TPDBaseObject* object, const char* key, size_t maxCount,
                 std::vector<double>& out, std::string& why) {
  return ReadGeoNumbers(object, key, maxCount, true, out, why);
}

// The coordinate system of /Projection; false with `why` set for one this
// reader does not handle.
bool ReadProjection(const TPDBaseObject* object, GeospatialViewport& frame, std::string& why) {
  if (object == nullptr || !object->IsDict()) {
    why = "the map frame has no /Projection";
    return false;
  }
  const auto& projection = static_cast<const TPDDictionary&>(*object);
  const std::string type = TextOf(projection.LookUp("ProjectionType"));
  if (type == "GEOGRAPHIC") {
    frame.System.Kind = GeoSystemKind::Geographic;
    return true;
  }
  if (type != "UT") {
    why = "unsupported projection" + (type.empty() ? std::string() : " " + type.substr(0, 40));
    return false;
  }
  const std::optional<double> zone = ReadGeoNumber(projection.LookUp("Zone"), true);
  const std::string hemisphere = TextOf(projection.LookUp("Hemisphere"));
  const std::string datum = TextOf(projection.LookUp("Datum"));
  if (!zone || *zone < 1 || *zone > 60 || *zone != std::floor(*zone) ||
      (hemisphere != "N" && hemisphere != "S")) {
    why = "the UTM projection has no valid /Zone and /Hemisphere";
    return false;
  }
  const int z = static_cast<int>(*zone);
  frame.System.Kind = GeoSystemKind::Projected;
  frame.PlanePoints = true;
  if (datum == "WGE") {
    frame.System.Epsg = (hemisphere == "N" ? 32600 : 32700) + z;
  } else if (datum.rfind("NAR", 0) == 0 && hemisphere == "N" && z <= 23) {
    frame.System.Epsg = 26900 + z;  // NAD 83 / UTM zone z N
  } else {
    why = "unsupported datum " + (datum.empty() ? std::string("(none)") : datum.substr(0, 40)) +
          " for UTM";
    return false;
  }
  return true;
}

bool ReadFrame(const TPDDictionary& dict, const PageRect& wholePage, GeospatialViewport& frame,
               std::string& why) {
  if (!ReadProjection(dict.LookUp("Projection"), frame, why)) return false;

  // The neatline bounds the frame; two points are a diagonal.
  frame.Area = wholePage;
  std::vector<double> neatline;
  if (const TPDBaseObject* object = dict.LookUp("Neatline"); object != nullptr) {
    if (!ReadNumbers(object, "Neatline", 2 * kMaxGeoControlPoints, neatline, why)) return false;
    if (neatline.size() < 4 || neatline.size() % 2 != 0) {
      why = "/Neatline does not hold points";
      return false;
    }
    PageRect area{INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (size_t i = 0; i < neatline.size(); i += 2)
      area = {std::min(area.x0, neatline[i]), std::min(area.y0, neatline[i + 1]),
              std::max(area.x1, neatline[i]), std::max(area.y1, neatline[i + 1])};
    if (!(area.x1 > area.x0) || !(area.y1 > area.y0)) {
      why = "/Neatline encloses no area";
      return false;
    }
    frame.Area = area;
  }

  const auto add = [&](double x, double y, double mapX, double mapY) {
    frame.Points.push_back({{x, y}, {mapY, mapX}});  // map x is easting or longitude
  };
  std::vector<double> ctm;
  if (const TPDBaseObject* object = dict.LookUp("CTM"); object != nullptr) {
    if (!ReadNumbers(object, "CTM", 6, ctm, why)) return false;
    if (ctm.size() != 6) {
      why = "/CTM does not have six numbers";
      return false;
    }
    // Three corners of the frame (or the page) fix the same affine mapping.
    const PageRect a = *frame.Area;
    for (const PagePoint p : {PagePoint{a.x0, a.y0}, PagePoint{a.x1, a.y0}, PagePoint{a.x0, a.y1}})
      add(p.x, p.y, ctm[0] * p.x + ctm[2] * p.y + ctm[4], ctm[1] * p.x + ctm[3] * p.y + ctm[5]);
    return true;
  }
  const TPDBaseObject* registration = dict.LookUp("Registration");
  if (registration == nullptr || !registration->IsArray()) {
    why = "the map frame has neither /CTM nor /Registration";
    return false;
  }
  const auto& points = static_cast<const TPDArray&>(*registration);
  if (points.GetLength() > kMaxGeoControlPoints) {
    why = "/Registration has too many points";
    return false;
  }
  for (size_t i = 0; i < points.GetLength(); ++i) {
    std::vector<double> point;
    if (!ReadNumbers(points.Get(i), "Registration", 4, point, why)) return false;
    if (point.size() != 4) {
      why = "a /Registration point does not have four numbers";
      return false;
    }
    add(point[0], point[1], point[2], point[3]);
  }
  if (frame.Points.size() < 3) {
    why = "fewer than three control points";
    return false;
  }
  return true;
}

}  // namespace

std::vector<GeospatialViewport> ReadLgiMapFrames(const TPDDictionary& page,
                                                 const PageRect& wholePage, std::string* problem) {
  std::vector<GeospatialViewport> frames;
  const TPDBaseObject* lgi = page.LookUp("LGIDict");
  if (lgi == nullptr) return frames;
  std::vector<const TPDDictionary*> dicts;
  if (lgi->IsDict()) {
    dicts.push_back(static_cast<const TPDDictionary*>(lgi));
  } else if (lgi->IsArray()) {
    const auto& array = static_cast<const TPDArray&>(*lgi);
    for (size_t i = 0; i < std::min(array.GetLength(), kMaxGeospatialViewports); ++i)
      if (const TPDBaseObject* entry = array.Get(i); entry != nullptr && entry->IsDict())
        dicts.push_back(static_cast<const TPDDictionary*>(entry));
  } else {
    if (problem)
      *problem = "The page's map frames (/LGIDict) are neither a dictionary nor an array";
    return frames;
  }
  for (size_t i = 0; i < dicts.size(); ++i) {
    GeospatialViewport frame;
    frame.Number = static_cast<int>(i) + 1;
    std::string why;
    if (!ReadFrame(*dicts[i], wholePage, frame, why)) {
      frame.Points.clear();
      frame.Problem = "Map frame " + std::to_string(frame.Number) + ": " + why;
    }
    frames.push_back(std::move(frame));
  }
  return frames;
}

}  // namespace qp
