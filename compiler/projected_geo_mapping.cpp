#include "compiler/projected_geo_mapping.h"

#include <proj.h>

#include <cmath>
#include <vector>

namespace qp {

struct ProjectedGeoMapping::Proj {
  struct ContextDeleter {
    void operator()(PJ_CONTEXT* context) const { proj_context_destroy(context); }
  };
  struct ObjectDeleter {
    void operator()(PJ* object) const { proj_destroy(object); }
  };
  using Context = std::unique_ptr<PJ_CONTEXT, ContextDeleter>;
  using Object = std::unique_ptr<PJ, ObjectDeleter>;

  Context context;
  Object geoToPlane;  // declared after the context, so destroyed before it  // longitude, latitude
                      // in degrees to easting, northing
};

namespace {

using Proj = ProjectedGeoMapping::Proj;

Proj::Context NewContext() {
  Proj::Context context(proj_context_create());
  if (context) {
    proj_log_level(context.get(), PJ_LOG_NONE);
    proj_context_set_enable_network(context.get(), 0);
  }
  return context;
}

std::string LastError(PJ_CONTEXT* context) {
  const int error = proj_context_errno(context);
  const char* text = error != 0 ? proj_context_errno_string(context, error) : nullptr;
  return text != nullptr ? text : "not a coordinate system it knows";
}

// The system as PROJ reads it: the EPSG code first, the WKT when there is no
// code or PROJ does not know it. A bound system (WKT with TOWGS84) gives its
// source system.
Proj::Object CreateSystem(PJ_CONTEXT* context, const GeoCoordinateSystem& system,
                          std::string& why) {
  Proj::Object crs;
  if (system.Epsg) {
    crs.reset(proj_create(context, ("EPSG:" + std::to_string(*system.Epsg)).c_str()));
    if (!crs) why = "PROJ does not accept EPSG:" + std::to_string(*system.Epsg);
  }
  if (!crs && !system.Wkt.empty()) {
    PROJ_STRING_LIST warnings = nullptr, errors = nullptr;
    crs.reset(proj_create_from_wkt(context, system.Wkt.c_str(), nullptr, &warnings, &errors));
    if (!crs) {
      why = "PROJ does not accept the WKT";
      if (errors != nullptr && errors[0] != nullptr) why += std::string(": ") + errors[0];
    }
    proj_string_list_destroy(warnings);
    proj_string_list_destroy(errors);
  }
  if (crs && proj_get_type(crs.get()) == PJ_TYPE_BOUND_CRS)
    crs.reset(proj_get_source_crs(context, crs.get()));
  if (!crs && why.empty()) why = "PROJ: " + LastError(context);
  return crs;
}

bool IsGeographic(const PJ* crs) {
  const PJ_TYPE type = proj_get_type(crs);
  return type == PJ_TYPE_GEOGRAPHIC_2D_CRS || type == PJ_TYPE_GEOGRAPHIC_3D_CRS;
}

}  // namespace

std::string CheckGeographicSystem(const GeoCoordinateSystem& system) {
  if (!system.Epsg && system.Wkt.empty()) return {};
  Proj::Context context = NewContext();
  if (!context) return "PROJ cannot start";
  std::string why;
  Proj::Object crs = CreateSystem(context.get(), system, why);
  if (!crs) return why;
  if (!IsGeographic(crs.get())) return "the geographic coordinate system is not a geographic one";
  return {};
}

ProjectedGeoMapping::ProjectedGeoMapping(std::unique_ptr<Proj> proj,
                                         const AffineGeoMapping& toPlane)
    : proj_(std::move(proj)), to_plane_(toPlane) {}

ProjectedGeoMapping::~ProjectedGeoMapping() = default;

std::unique_ptr<ProjectedGeoMapping> ProjectedGeoMapping::Fit(
    const GeoCoordinateSystem& system, std::span<const GeoControlPoint> points, bool planePoints,
    std::string* problem) {
  auto fail = [&](std::string why) {
    if (problem) *problem = std::move(why);
    return nullptr;
  };
  auto proj = std::make_unique<Proj>();
  proj->context = NewContext();
  if (!proj->context) return fail("PROJ cannot start");
  PJ_CONTEXT* context = proj->context.get();
  std::string why;
  Proj::Object crs = CreateSystem(context, system, why);
  if (!crs) return fail(why);
  if (proj_get_type(crs.get()) != PJ_TYPE_PROJECTED_CRS)
    return fail("the projected coordinate system is not a projected one");
  Proj::Object geographic(proj_crs_get_geodetic_crs(context, crs.get()));
  if (!geographic) return fail("PROJ finds no geographic system under the projection");
  Proj::Object operation(
      proj_create_crs_to_crs_from_pj(context, geographic.get(), crs.get(), nullptr, nullptr));
  if (!operation) return fail("PROJ: " + LastError(context));
  // Longitude first and easting first, whatever the systems' axis order.
  proj->geoToPlane.reset(proj_normalize_for_visualization(context, operation.get()));
  if (!proj->geoToPlane) return fail("PROJ: " + LastError(context));
  operation.reset();
  geographic.reset();
  crs.reset();

  std::vector<GeoControlPoint> planeControlPoints;
  planeControlPoints.reserve(points.size());
  for (const GeoControlPoint& point : points) {
    if (planePoints) {
      planeControlPoints.push_back(point);
      continue;
    }
    const PJ_COORD projected =
        proj_trans(proj->geoToPlane.get(), PJ_FWD,
                   proj_coord(point.Position.Longitude, point.Position.Latitude, 0, 0));
    if (!std::isfinite(projected.xy.x) || !std::isfinite(projected.xy.y) ||
        projected.xy.x == HUGE_VAL || projected.xy.y == HUGE_VAL)
      return fail("a control point lies outside the projection");
    planeControlPoints.push_back({point.Page, {projected.xy.y, projected.xy.x}});
  }
  const std::optional<AffineGeoMapping> toPlane = FitAffineGeoMapping(planeControlPoints);
  if (!toPlane) return fail("the control points lie in a line");
  return std::unique_ptr<ProjectedGeoMapping>(new ProjectedGeoMapping(std::move(proj), *toPlane));
}

std::optional<GeoPosition> ProjectedGeoMapping::PositionAt(PagePoint point) const {
  const std::optional<GeoPosition> plane = to_plane_.PositionAt(point);
  if (!plane) return std::nullopt;
  PJ_COORD geographic;
  {
    std::lock_guard lock(mutex_);
    geographic = proj_trans(proj_->geoToPlane.get(), PJ_INV,
                            proj_coord(plane->Longitude, plane->Latitude, 0, 0));
  }
  const double longitude = geographic.lp.lam, latitude = geographic.lp.phi;
  if (!std::isfinite(longitude) || !std::isfinite(latitude) || std::fabs(latitude) > 90)
    return std::nullopt;
  return GeoPosition{latitude, longitude};
}

}  // namespace qp
