#pragma once
// Page-to-earth mappings for maps drawn in a projected coordinate system:
// the page maps affinely onto the projected plane, and each position is found
// by inverse projection through PROJ.

#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "compiler/chart_geo_mapping.h"
#include "compiler/geospatial_viewport.h"

namespace qp {

// Empty when PROJ reads the system (its EPSG code, else its WKT) as a
// geographic one, else why not. A system with neither is accepted.
std::string CheckGeographicSystem(const GeoCoordinateSystem& system);

class ProjectedGeoMapping final : public PageGeoMapping {
 public:
  // The least-squares affine fit from the control points' page points to
  // their projected coordinates: the points' latitudes and longitudes
  // (those of the system's own geographic system) projected, or with
  // `planePoints` the coordinates themselves (northing as Latitude, easting
  // as Longitude). nullptr with `problem` set when PROJ refuses the system
  // or the points fix no mapping.
  static std::unique_ptr<ProjectedGeoMapping> Fit(const GeoCoordinateSystem& system,
                                                  std::span<const GeoControlPoint> points,
                                                  bool planePoints, std::string* problem);
  ~ProjectedGeoMapping() override;

  // Latitude and longitude in the projected system's geographic system.
  std::optional<GeoPosition> PositionAt(PagePoint point) const override;

  // PROJ's objects, kept out of this header.
  struct Proj;

 private:
  ProjectedGeoMapping(std::unique_ptr<Proj> proj, const AffineGeoMapping& toPlane);

  // PROJ objects are not safe to use from two threads at once; each mapping
  // has its own context, and calls on one mapping take turns.
  std::unique_ptr<Proj> proj_;
  AffineGeoMapping to_plane_;  // "Longitude" is easting, "Latitude" northing
  mutable std::mutex mutex_;
};

}  // namespace qp
