#pragma once
// The page-to-earth mapping of a map drawn in a known coordinate system,
// fitted from control points: affine from the page to the system's own
// coordinates (latitude and longitude, or the projected plane), then through
// PROJ to WGS 84 latitude and longitude where the system is not WGS 84
// itself.

#include <memory>
#include <span>
#include <string>

#include "compiler/chart_geo_mapping.h"
#include "compiler/geospatial_viewport.h"

namespace qp {

// The least-squares fit through the control points, whose positions are
// latitudes and longitudes in the system's geographic system, or with
// `planePoints` the projected system's northing (as Latitude) and easting
// (as Longitude). nullptr with `problem` set when PROJ refuses the system,
// the points fix no mapping, or they contradict each other (one further from
// the fit than a hundredth of their spread). A geographic system without a
// code or WKT is taken as WGS 84.
std::unique_ptr<PageGeoMapping> FitGeoMapping(const GeoCoordinateSystem& system,
                                              std::span<const GeoControlPoint> points,
                                              bool planePoints, std::string* problem);

}  // namespace qp
