#include "compiler/geo_system_mapping.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

#include "compiler/proj_library.h"

namespace qp {
namespace {

// Control points further than this fraction of their spread from the fitted
// mapping contradict each other.
constexpr double kMaxResidualFraction = 0.01;
constexpr double kMetresPerDegree = 111320;

// PROJ's functions, once NewContext found them.
const ProjFunctions& Proj() {
  return *OpenProj();
}

struct ContextDeleter {
  void operator()(PJ_CONTEXT* context) const { Proj().context_destroy(context); }
};
struct ObjectDeleter {
  void operator()(PJ* object) const { Proj().destroy(object); }
};
using ProjContext = std::unique_ptr<PJ_CONTEXT, ContextDeleter>;
using ProjObject = std::unique_ptr<PJ, ObjectDeleter>;

// The affine fit into the system's coordinates, then a PROJ operation from
// those to WGS 84 longitude and latitude.
class ProjGeoMapping final : public PageGeoMapping {
 public:
  ProjGeoMapping(ProjContext context, ProjObject toWgs84, const AffineGeoMapping& toSystem)
      : context_(std::move(context)), to_wgs84_(std::move(toWgs84)), to_system_(toSystem) {}

  std::optional<GeoPosition> PositionAt(PagePoint point) const override {
    const std::optional<GeoPosition> system = to_system_.PositionAt(point);
    if (!system) return std::nullopt;
    PJ_COORD wgs84;
    {
      // PROJ objects are not safe to use from two threads at once; each
      // mapping has its own context, and calls on one mapping take turns.
      std::lock_guard lock(mutex_);
      wgs84 = Proj().trans(to_wgs84_.get(), PJ_FWD, ProjCoord(system->Longitude, system->Latitude));
    }
    const double longitude = wgs84.xy.x, latitude = wgs84.xy.y;
    if (!std::isfinite(longitude) || !std::isfinite(latitude) || std::fabs(latitude) > 90)
      return std::nullopt;
    return GeoPosition{latitude, longitude};
  }

 private:
  ProjContext context_;
  ProjObject to_wgs84_;         // declared after the context, so destroyed before it
  AffineGeoMapping to_system_;  // "Longitude" is easting, "Latitude" northing when projected
  mutable std::mutex mutex_;
};

// A context of its own for each mapping, or none when PROJ cannot be opened.
ProjContext NewContext() {
  if (OpenProj() == nullptr) return nullptr;
  ProjContext context(Proj().context_create());
  if (context) {
    Proj().log_level(context.get(), PJ_LOG_NONE);
    Proj().context_set_enable_network(context.get(), 0);
  }
  return context;
}

std::string LastError(PJ_CONTEXT* context) {
  const int error = Proj().context_errno(context);
  const char* text = error != 0 ? Proj().context_errno_string(context, error) : nullptr;
  return text != nullptr ? text : "not a coordinate system it knows";
}

// The system as PROJ reads it: the EPSG code first, the WKT when there is no
// code or PROJ does not know it.
ProjObject CreateSystem(PJ_CONTEXT* context, const GeoCoordinateSystem& system, std::string& why) {
  ProjObject crs;
  if (system.Epsg) {
    crs.reset(Proj().create(context, ("EPSG:" + std::to_string(*system.Epsg)).c_str()));
    if (!crs) why = "PROJ does not accept EPSG:" + std::to_string(*system.Epsg);
  }
  if (!crs && !system.Wkt.empty()) {
    PROJ_STRING_LIST warnings = nullptr, errors = nullptr;
    crs.reset(Proj().create_from_wkt(context, system.Wkt.c_str(), nullptr, &warnings, &errors));
    if (!crs) {
      why = "PROJ does not accept the WKT";
      if (errors != nullptr && errors[0] != nullptr) why += std::string(": ") + errors[0];
    }
    Proj().string_list_destroy(warnings);
    Proj().string_list_destroy(errors);
  }
  if (!crs && why.empty()) why = "PROJ: " + LastError(context);
  return crs;
}

double GeographicDistance(const GeoPosition& a, const GeoPosition& b) {
  const double north = (a.Latitude - b.Latitude) * kMetresPerDegree;
  const double east = (a.Longitude - b.Longitude) * kMetresPerDegree *
                      std::cos((a.Latitude + b.Latitude) / 2 * M_PI / 180);
  return std::hypot(north, east);
}

double PlaneDistance(const GeoPosition& a, const GeoPosition& b) {
  return std::hypot(a.Latitude - b.Latitude, a.Longitude - b.Longitude);
}

// The affine fit, refused when the points lie in a line or contradict each
// other.
std::optional<AffineGeoMapping> FitChecked(const std::vector<GeoControlPoint>& points, bool plane,
                                           std::string& why) {
  std::optional<AffineGeoMapping> fit = FitAffineGeoMapping(points);
  if (!fit) {
    why = "the control points lie in a line";
    return std::nullopt;
  }
  const auto distance = plane ? PlaneDistance : GeographicDistance;
  double spread = 0, worst = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    const std::optional<GeoPosition> at = fit->PositionAt(points[i].Page);
    worst = std::max(worst, at ? distance(*at, points[i].Position) : INFINITY);
    for (size_t j = i + 1; j < points.size(); ++j)
      spread = std::max(spread, distance(points[i].Position, points[j].Position));
  }
  if (!(worst <= std::max(1.0, kMaxResidualFraction * spread))) {
    why = "the control points contradict each other (one lies " +
          std::to_string(static_cast<long long>(std::min(worst, 1e12))) +
          (plane ? " units" : " m") + " from the fit)";
    return std::nullopt;
  }
  return fit;
}

}  // namespace

std::unique_ptr<PageGeoMapping> FitGeoMapping(const GeoCoordinateSystem& system,
                                              std::span<const GeoControlPoint> points,
                                              bool planePoints, std::string* problem) {
  auto fail = [&](std::string why) -> std::unique_ptr<PageGeoMapping> {
    if (problem) *problem = std::move(why);
    return nullptr;
  };
  const bool projected = system.Kind == GeoSystemKind::Projected;
  std::vector<GeoControlPoint> systemPoints(points.begin(), points.end());
  std::string why;
  if (!projected && !system.Epsg && system.Wkt.empty()) {
    const std::optional<AffineGeoMapping> fit = FitChecked(systemPoints, false, why);
    if (!fit) return fail(why);
    return std::make_unique<AffineGeoMapping>(*fit);
  }

  ProjContext context = NewContext();
  if (!context) return fail("PROJ (" QP_PROJ_SONAME ") cannot be opened");
  PJ_CONTEXT* ctx = context.get();
  ProjObject crs = CreateSystem(ctx, system, why);
  if (!crs) return fail(why);
  // A system bound to WGS 84 (WKT with TOWGS84) is checked by its source
  // system and moved to WGS 84 by its bound.
  ProjObject source(Proj().get_type(crs.get()) == PJ_TYPE_BOUND_CRS
                        ? Proj().get_source_crs(ctx, crs.get())
                        : Proj().clone(ctx, crs.get()));
  if (!source) return fail("PROJ: " + LastError(ctx));
  const PJ_TYPE type = Proj().get_type(source.get());
  if (projected && type != PJ_TYPE_PROJECTED_CRS)
    return fail("the projected coordinate system is not a projected one");
  if (!projected && type != PJ_TYPE_GEOGRAPHIC_2D_CRS && type != PJ_TYPE_GEOGRAPHIC_3D_CRS)
    return fail("the geographic coordinate system is not a geographic one");

  ProjObject wgs84(Proj().create(ctx, "EPSG:4326"));
  if (!wgs84) return fail("PROJ does not know WGS 84 (is its database installed?)");
  if (projected && !planePoints) {
    // The control points are in the projection's own geographic system.
    ProjObject geographic(Proj().crs_get_geodetic_crs(ctx, source.get()));
    ProjObject toPlane(geographic ? Proj().create_crs_to_crs_from_pj(ctx, geographic.get(),
                                                                     source.get(), nullptr, nullptr)
                                  : nullptr);
    ProjObject toPlaneNormal(toPlane ? Proj().normalize_for_visualization(ctx, toPlane.get())
                                     : nullptr);
    if (!toPlaneNormal) return fail("PROJ: " + LastError(ctx));
    for (GeoControlPoint& point : systemPoints) {
      const PJ_COORD c = Proj().trans(toPlaneNormal.get(), PJ_FWD,
                                      ProjCoord(point.Position.Longitude, point.Position.Latitude));
      if (!std::isfinite(c.xy.x) || !std::isfinite(c.xy.y))
        return fail("a control point lies outside the projection");
      point.Position = {c.xy.y, c.xy.x};
    }
  }
  const std::optional<AffineGeoMapping> fit = FitChecked(systemPoints, projected, why);
  if (!fit) return fail(why);
  if (!projected && Proj().is_equivalent_to(source.get(), wgs84.get(),
                                            PJ_COMP_EQUIVALENT_EXCEPT_AXIS_ORDER_GEOGCRS))
    return std::make_unique<AffineGeoMapping>(*fit);

  // Longitude (or easting) first on both sides, whatever the axis order.
  ProjObject toWgs84(
      Proj().create_crs_to_crs_from_pj(ctx, crs.get(), wgs84.get(), nullptr, nullptr));
  ProjObject toWgs84Normal(toWgs84 ? Proj().normalize_for_visualization(ctx, toWgs84.get())
                                   : nullptr);
  if (!toWgs84Normal) return fail("PROJ finds no way to WGS 84: " + LastError(ctx));
  toWgs84.reset();
  wgs84.reset();
  source.reset();
  crs.reset();
  return std::make_unique<ProjGeoMapping>(std::move(context), std::move(toWgs84Normal), *fit);
}

}  // namespace qp
