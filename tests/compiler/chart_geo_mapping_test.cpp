#include "compiler/chart_geo_mapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace qp {
namespace {

// A chart 600 points wide: longitude grows to the right, latitude upwards.
GeoPosition TruePosition(PagePoint p) {
  return {42.0 + 0.0004 * p.y + 0.00001 * p.x, -71.0 + 0.0005 * p.x};
}

TEST(FitAffineGeoMapping, RecoversTheMappingFromItsControlPoints) {
  const std::vector<std::vector<PagePoint>> pointSets = {
      {{10, 10}, {590, 20}, {300, 770}},                         // exactly three
      {{10, 10}, {590, 20}, {300, 770}, {40, 700}, {500, 500}},  // more than three
  };
  for (const auto& pagePoints : pointSets) {
    std::vector<GeoControlPoint> points;
    for (PagePoint p : pagePoints) points.push_back({p, TruePosition(p)});
    const auto fit = FitAffineGeoMapping(points);
    ASSERT_TRUE(fit.has_value()) << pagePoints.size() << " points";
    for (PagePoint probe : {PagePoint{0, 0}, PagePoint{612, 792}, PagePoint{123, 456}}) {
      const auto at = fit->PositionAt(probe);
      ASSERT_TRUE(at.has_value());
      EXPECT_NEAR(at->Latitude, TruePosition(probe).Latitude, 1e-9);
      EXPECT_NEAR(at->Longitude, TruePosition(probe).Longitude, 1e-9);
    }
  }
}

TEST(FitAffineGeoMapping, RefusesPointsThatDoNotFixAMapping) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::vector<GeoControlPoint>> cases = {
      {},
      {{{0, 0}, {42, -71}}, {{100, 100}, {42.1, -70.9}}},
      {{{0, 0}, {42, -71}}, {{100, 100}, {42.1, -70.9}}, {{200, 200}, {42.2, -70.8}}},
      {{{0, 0}, {42, -71}}, {{0, 0}, {42, -71}}, {{0, 0}, {42, -71}}},
      {{{0, 0}, {42, -71}}, {{100, 0}, {42, -70.9}}, {{0, nan}, {42.1, -71}}},
      {{{0, 0}, {42, -71}}, {{100, 0}, {42, -70.9}}, {{0, 100}, {nan, -71}}},
  };
  for (size_t i = 0; i < cases.size(); ++i)
    EXPECT_FALSE(FitAffineGeoMapping(cases[i]).has_value()) << "case " << i;
}

}  // namespace
}  // namespace qp
