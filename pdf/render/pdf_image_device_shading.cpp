// Shading drawing of the raster device. Axial and radial shadings become
// Cairo gradients over their sampled colour stops; an Extend on one side
// only is drawn by moving the gradient's far end out to the edge of the
// painted area. Function-based shadings are a smoothed image of their grid,
// meshes an image rasterised over the painted area.

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "pdf/render/pdf_image_device.h"
#include "pdf/render/pdf_shading.h"
#include "pdf/render/shading_mesh_raster.h"

namespace qp::pdf {

namespace {

using PatternPtr = std::unique_ptr<cairo_pattern_t, decltype(&cairo_pattern_destroy)>;
using SurfacePtr = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;

// An extended end never reaches past this many gradient lengths.
constexpr double kMaxExtension = 1024;

bool IsUsable(const cairo_matrix_t& m) {
  for (double v : {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0}) {
    if (!std::isfinite(v) || std::fabs(v) > 1e12) return false;
  }
  cairo_matrix_t inverse = m;
  return cairo_matrix_invert(&inverse) == CAIRO_STATUS_SUCCESS;
}

// The corners of the painted area's bounding box, in the current user space.
struct Corners {
  double x[4], y[4];
};

Corners ClipCorners(cairo_t* cr) {
  double x1, y1, x2, y2;
  cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
  return {{x1, x2, x1, x2}, {y1, y1, y2, y2}};
}

// Adds the stops with gradient position t mapped to (t - ta) / (tb - ta),
// and the end colours held to both ends of the pattern.
void AddStops(cairo_pattern_t* pattern, const std::vector<TShadingStop>& stops, double ta,
              double tb) {
  const double span = tb - ta;
  const TShadingStop& first = stops.front();
  const TShadingStop& last = stops.back();
  if (ta < 0) cairo_pattern_add_color_stop_rgb(pattern, 0, first.r, first.g, first.b);
  for (const TShadingStop& s : stops) {
    cairo_pattern_add_color_stop_rgb(pattern, (s.t - ta) / span, s.r, s.g, s.b);
  }
  if (tb > 1) cairo_pattern_add_color_stop_rgb(pattern, 1, last.r, last.g, last.b);
}

cairo_extend_t ExtendOf(const TPDShading& s) {
  return s.ExtendStart && s.ExtendEnd ? CAIRO_EXTEND_PAD : CAIRO_EXTEND_NONE;
}

PatternPtr AxialPattern(const TPDShading& s, const Corners& area) {
  const double x0 = s.Coords[0], y0 = s.Coords[1], x1 = s.Coords[2], y1 = s.Coords[3];
  const double dx = x1 - x0, dy = y1 - y0, length2 = dx * dx + dy * dy;
  if (!(length2 > 0) || !std::isfinite(length2)) return {nullptr, cairo_pattern_destroy};
  double ta = 0, tb = 1;
  if (s.ExtendStart != s.ExtendEnd) {
    // One end extended: the gradient runs on to the farthest corner.
    for (int i = 0; i < 4; ++i) {
      const double t = ((area.x[i] - x0) * dx + (area.y[i] - y0) * dy) / length2;
      if (s.ExtendStart) ta = std::min(ta, t);
      if (s.ExtendEnd) tb = std::max(tb, t);
    }
    ta = std::max(ta, -kMaxExtension), tb = std::min(tb, kMaxExtension);
  }
  PatternPtr p(cairo_pattern_create_linear(x0 + ta * dx, y0 + ta * dy, x0 + tb * dx, y0 + tb * dy),
               cairo_pattern_destroy);
  AddStops(p.get(), s.Stops, ta, tb);
  cairo_pattern_set_extend(p.get(), ExtendOf(s));
  return p;
}

// How far past one end (t = 1, or t = 0 going backwards) a radial shading
// extends: until the circle covers the area, its radius shrinks to 0, or
// kMaxExtension.
double RadialReach(const TPDShading& s, const Corners& area, bool forward) {
  const double cx0 = s.Coords[0], cy0 = s.Coords[1], r0 = s.Coords[2];
  const double dcx = s.Coords[3] - cx0, dcy = s.Coords[4] - cy0, dr = s.Coords[5] - r0;
  const double sign = forward ? 1 : -1;
  // Radius r0 + t dr reaches 0 at t = -r0 / dr.
  double limit = kMaxExtension + 1;
  if (dr * sign < 0) limit = std::min(limit, std::fabs(r0 / dr) - (forward ? 1 : 0));
  auto covers = [&](double t) {
    const double cx = cx0 + t * dcx, cy = cy0 + t * dcy, r = r0 + t * dr;
    for (int i = 0; i < 4; ++i) {
      if (std::hypot(area.x[i] - cx, area.y[i] - cy) > r) return false;
    }
    return true;
  };
  const double start = forward ? 1 : 0;
  double reach = 1;
  while (reach < limit && !covers(start + sign * reach)) reach *= 2;
  return std::max(0.0, std::min(reach, limit));
}

PatternPtr RadialPattern(const TPDShading& s, const Corners& area) {
  double ta = 0, tb = 1;
  if (s.ExtendStart != s.ExtendEnd) {
    if (s.ExtendStart) ta = -RadialReach(s, area, false);
    if (s.ExtendEnd) tb = 1 + RadialReach(s, area, true);
  }
  const double cx0 = s.Coords[0], cy0 = s.Coords[1], r0 = s.Coords[2];
  const double dcx = s.Coords[3] - cx0, dcy = s.Coords[4] - cy0, dr = s.Coords[5] - r0;
  PatternPtr p(
      cairo_pattern_create_radial(cx0 + ta * dcx, cy0 + ta * dcy, std::max(0.0, r0 + ta * dr),
                                  cx0 + tb * dcx, cy0 + tb * dcy, std::max(0.0, r0 + tb * dr)),
      cairo_pattern_destroy);
  AddStops(p.get(), s.Stops, ta, tb);
  cairo_pattern_set_extend(p.get(), ExtendOf(s));
  return p;
}

// The mesh rasterised over the painted area's pixel extents, as a pattern
// in shading space (when `toTarget` is the matrix in use); nothing when the
// area is empty or beyond kMaxMeshPixels.
constexpr int64_t kMaxMeshPixels = int64_t{1} << 26;

PatternPtr MeshPattern(cairo_t* cr, const TPDShading& s, const cairo_matrix_t& toTarget,
                       SurfacePtr& image) {
  PatternPtr none(nullptr, cairo_pattern_destroy);
  cairo_save(cr);
  cairo_identity_matrix(cr);
  double x1, y1, x2, y2;
  cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
  cairo_restore(cr);
  const double left = std::floor(x1), top = std::floor(y1);
  const double width = std::ceil(x2) - left, height = std::ceil(y2) - top;
  if (!(width >= 1 && height >= 1) || width * height > double(kMaxMeshPixels)) return none;
  const int x0 = static_cast<int>(left), y0 = static_cast<int>(top);
  const int w = static_cast<int>(width), h = static_cast<int>(height);
  image.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
  if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return none;
  cairo_surface_flush(image.get());
  RasteriseMesh(s, toTarget, reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(image.get())),
                cairo_image_surface_get_stride(image.get()) / 4, x0, y0, w, h);
  cairo_surface_mark_dirty(image.get());
  PatternPtr p(cairo_pattern_create_for_surface(image.get()), cairo_pattern_destroy);
  cairo_matrix_t shift, m;
  cairo_matrix_init_translate(&shift, -x0, -y0);
  cairo_matrix_multiply(&m, &toTarget, &shift);
  cairo_pattern_set_matrix(p.get(), &m);
  cairo_pattern_set_filter(p.get(), CAIRO_FILTER_NEAREST);
  return p;
}

}  // namespace

void TPDImageDevice::PaintShading(const TPDState& state, const TPDShading& shading,
                                  const TPDMatrix& shadingCTM, TShadingArea area, bool background) {
  const cairo_matrix_t toTarget = ToTarget(shadingCTM);
  if (!IsUsable(toTarget)) return;
  cairo_save(cr_);
  cairo_identity_matrix(cr_);
  CairoPatternPtr mask(nullptr, cairo_pattern_destroy);
  if (!ClipToArea(state, area, mask)) {
    cairo_restore(cr_);
    return;
  }
  cairo_set_matrix(cr_, &toTarget);
  if (shading.HasBBox) {
    const auto& b = shading.BBox;
    cairo_new_path(cr_);
    cairo_rectangle(cr_, b[0], b[1], b[2] - b[0], b[3] - b[1]);
    cairo_clip(cr_);
  }
  const double opacity = area == TShadingArea::kStroke ? state.StrokeOpacity : state.FillOpacity;
  const double alpha = std::isnan(opacity) ? 1.0 : std::clamp(opacity, 0.0, 1.0);
  PatternPtr pattern(nullptr, cairo_pattern_destroy);
  SurfacePtr grid(nullptr, cairo_surface_destroy);
  if (shading.Type == TPDShading::kFunctionBased) {
    const int w = shading.GridWidth, h = shading.GridHeight;
    grid.reset(cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(shading.Grid.data())),
        CAIRO_FORMAT_ARGB32, w, h, w * 4));
    pattern.reset(cairo_pattern_create_for_surface(grid.get()));
    cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_BILINEAR);
    // Grid cells to the Domain, the Domain to shading space.
    const auto& d = shading.Domain;
    const TPDMatrix cellToShading = shading.Matrix.PreMultiply(
        TPDMatrix((d[1] - d[0]) / w, 0, 0, (d[3] - d[2]) / h, d[0], d[2]));
    cairo_matrix_t cells;
    cairo_matrix_init(&cells, cellToShading.M11, cellToShading.M12, cellToShading.M21,
                      cellToShading.M22, cellToShading.Dx, cellToShading.Dy);
    cairo_matrix_t cellsToTarget;
    cairo_matrix_multiply(&cellsToTarget, &cells, &toTarget);
    if (!IsUsable(cellsToTarget)) {
      cairo_restore(cr_);
      return;
    }
    cairo_matrix_t inverse = cells;
    cairo_matrix_invert(&inverse);
    cairo_pattern_set_matrix(pattern.get(), &inverse);
    // Nothing is painted outside the Domain.
    cairo_save(cr_);
    cairo_transform(cr_, &cells);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, 0, 0, w, h);
    cairo_restore(cr_);
    cairo_clip(cr_);
  } else if (shading.Type >= 4) {
    pattern = MeshPattern(cr_, shading, toTarget, grid);
  } else {
    const Corners corners = ClipCorners(cr_);
    pattern = shading.Type == TPDShading::kAxial ? AxialPattern(shading, corners)
                                                 : RadialPattern(shading, corners);
  }
  if (!pattern || cairo_pattern_status(pattern.get()) != CAIRO_STATUS_SUCCESS) {
    cairo_restore(cr_);
    return;
  }
  const bool grouped = BeginPaint(state);
  if (area == TShadingArea::kStroke) {
    // The stroke is drawn with the gradient as its source (fixed in shading
    // space when set), in a group when it is translucent.
    cairo_identity_matrix(cr_);
    if (alpha < 1) cairo_push_group(cr_);
    cairo_set_matrix(cr_, &toTarget);
    cairo_set_source(cr_, pattern.get());
    cairo_identity_matrix(cr_);
    if (BuildPath(state)) {
      PrepareStroke(state);
      cairo_stroke(cr_);
    }
    cairo_identity_matrix(cr_);
    if (alpha < 1) {
      cairo_pop_group_to_source(cr_);
      cairo_paint_with_alpha(cr_, alpha);
    }
  } else {
    if (background && shading.HasBackground) {
      const auto& c = shading.Background;
      cairo_set_source_rgb(cr_, c[0], c[1], c[2]);
      PaintSource(alpha, mask.get());
    }
    cairo_set_source(cr_, pattern.get());
    PaintSource(alpha, mask.get());
  }
  EndPaint(state, grouped);
  cairo_restore(cr_);
  if (grid) cairo_surface_finish(grid.get());
  CheckStatus();
}

}  // namespace qp::pdf
