#include "compiler/chart_geo_mapping.h"

#include <algorithm>
#include <cmath>

namespace qp {

std::optional<GeoPosition> AffineGeoMapping::PositionAt(PagePoint point) const {
  GeoPosition p;
  p.Longitude = LonX * point.x + LonY * point.y + Lon0;
  p.Latitude = LatX * point.x + LatY * point.y + Lat0;
  if (!std::isfinite(p.Longitude) || !std::isfinite(p.Latitude)) return std::nullopt;
  return p;
}

namespace {

// Solves the 3x3 normal equations of one coordinate; false when singular.
bool Solve3(double m[3][3], double rhs[3], double out[3]) {
  double a[3][4];
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) a[r][c] = m[r][c];
    a[r][3] = rhs[r];
  }
  for (int col = 0; col < 3; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 3; ++r)
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    if (std::fabs(a[pivot][col]) < 1e-12) return false;
    if (pivot != col)
      for (int c = 0; c < 4; ++c) std::swap(a[col][c], a[pivot][c]);
    for (int r = 0; r < 3; ++r) {
      if (r == col) continue;
      const double f = a[r][col] / a[col][col];
      for (int c = col; c < 4; ++c) a[r][c] -= f * a[col][c];
    }
  }
  for (int r = 0; r < 3; ++r) out[r] = a[r][3] / a[r][r];
  return true;
}

}  // namespace

std::optional<AffineGeoMapping> FitAffineGeoMapping(std::span<const GeoControlPoint> points) {
  if (points.size() < 3) return std::nullopt;
  // Centre the page points so that the normal equations stay well conditioned
  // for coordinates in the hundreds of points.
  double cx = 0, cy = 0;
  for (const GeoControlPoint& p : points) {
    if (!std::isfinite(p.Page.x) || !std::isfinite(p.Page.y) ||
        !std::isfinite(p.Position.Latitude) || !std::isfinite(p.Position.Longitude))
      return std::nullopt;
    cx += p.Page.x;
    cy += p.Page.y;
  }
  cx /= double(points.size());
  cy /= double(points.size());
  double sxx = 0, sxy = 0, syy = 0, extent = 0;
  for (const GeoControlPoint& p : points) {
    const double x = p.Page.x - cx, y = p.Page.y - cy;
    sxx += x * x;
    sxy += x * y;
    syy += y * y;
    extent = std::max(extent, std::fabs(x) + std::fabs(y));
  }
  // Points in a line leave the spread matrix singular; compare its
  // determinant with the square of the points' spread.
  const double det = sxx * syy - sxy * sxy;
  if (extent <= 0 || det <= 1e-9 * (sxx + syy) * (sxx + syy)) return std::nullopt;

  double m[3][3] = {{sxx, sxy, 0}, {sxy, syy, 0}, {0, 0, double(points.size())}};
  double lonRhs[3] = {0, 0, 0}, latRhs[3] = {0, 0, 0};
  for (const GeoControlPoint& p : points) {
    const double x = p.Page.x - cx, y = p.Page.y - cy;
    lonRhs[0] += x * p.Position.Longitude;
    lonRhs[1] += y * p.Position.Longitude;
    lonRhs[2] += p.Position.Longitude;
    latRhs[0] += x * p.Position.Latitude;
    latRhs[1] += y * p.Position.Latitude;
    latRhs[2] += p.Position.Latitude;
  }
  double lon[3], lat[3];
  double m2[3][3];
  std::copy(&m[0][0], &m[0][0] + 9, &m2[0][0]);
  if (!Solve3(m, lonRhs, lon) || !Solve3(m2, latRhs, lat)) return std::nullopt;
  AffineGeoMapping fit;
  fit.LonX = lon[0];
  fit.LonY = lon[1];
  fit.Lon0 = lon[2] - lon[0] * cx - lon[1] * cy;
  fit.LatX = lat[0];
  fit.LatY = lat[1];
  fit.Lat0 = lat[2] - lat[0] * cx - lat[1] * cy;
  return fit;
}

}  // namespace qp
