// Tiling patterns on the raster device. The cell's content is drawn once
// into an image of one period (a few periods for cells of a few pixels),
// which Cairo repeats over the painted area; rendered cells are kept for
// later fills with the same pattern at the same place. When only a few
// cells reach the area (a large step), they are drawn directly instead.

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "pdf/render/pdf_image_device.h"

namespace qp::pdf {

namespace {

using ContextPtr = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

// A cell image spans at least this many pixels along each axis: smaller
// cells are drawn several times into it, at most kMaxPeriods times.
constexpr double kMinCellPixels = 8;
constexpr double kMaxPeriods = 4;
// Copies of a cell's box that may overlap one period along an axis (a box
// much larger than the step).
constexpr double kMaxOverlap = 8;

bool IsUsable(const cairo_matrix_t& m) {
  for (double v : {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0}) {
    if (!std::isfinite(v) || std::fabs(v) > 1e12) return false;
  }
  cairo_matrix_t inverse = m;
  return cairo_matrix_invert(&inverse) == CAIRO_STATUS_SUCCESS;
}

bool SameMatrix(const cairo_matrix_t& a, const cairo_matrix_t& b) {
  return a.xx == b.xx && a.yx == b.yx && a.xy == b.xy && a.yy == b.yy && a.x0 == b.x0 &&
         a.y0 == b.y0;
}

double Overlap(double box, double step) {
  return std::clamp(std::ceil(box / step), 1.0, kMaxOverlap);
}

}  // namespace

void TPDImageDevice::BeginCell(double pageHeight) {
  page_height_ = pageHeight;
  cairo_save(cr_);
  ++save_depth_;
  page_started_ = true;
  cairo_set_antialias(cr_, PathAntiAlias());
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
}

void TPDImageDevice::DrawCellAt(const TPDTiling& t, double dx, double dy) {
  const int depth = save_depth_;
  cairo_save(cr_);
  ++save_depth_;
  TPDState s = t.CellState;
  s.ConcatCTM(TPDMatrix(1, 0, 0, 1, dx, dy));
  s.MoveTo(t.BBox[0], t.BBox[1]);
  s.LineTo(t.BBox[2], t.BBox[1]);
  s.LineTo(t.BBox[2], t.BBox[3]);
  s.LineTo(t.BBox[0], t.BBox[3]);
  s.ClosePath();
  ClipPath(s, CAIRO_FILL_RULE_WINDING);
  s.ClearPath();
  try {
    t.Cell.Display(*this, s);
  } catch (...) {
    RestoreTo(depth);
    throw;
  }
  RestoreTo(depth);
}

TPDImageDevice::CairoPatternPtr TPDImageDevice::CellPattern(const TPDTiling& t,
                                                            const cairo_matrix_t& toTarget) {
  CairoPatternPtr none(nullptr, cairo_pattern_destroy);
  const double xs = t.XStep, ys = t.YStep;
  // Target pixels of one step along each axis of pattern space.
  const double ux = std::hypot(toTarget.xx, toTarget.yx) * xs;
  const double uy = std::hypot(toTarget.xy, toTarget.yy) * ys;
  if (!(ux > 0 && uy > 0)) return none;
  const double kx = ux < kMinCellPixels ? std::min(kMaxPeriods, std::ceil(kMinCellPixels / ux)) : 1;
  const double ky = uy < kMinCellPixels ? std::min(kMaxPeriods, std::ceil(kMinCellPixels / uy)) : 1;
  double w = std::max(1.0, std::round(ux * kx)), h = std::max(1.0, std::round(uy * ky));
  const double fit =
      std::min({1.0, std::sqrt(kMaxCellPixels / (w * h)), kMaxCellSide / w, kMaxCellSide / h});
  w = std::max(1.0, std::floor(w * fit)), h = std::max(1.0, std::floor(h * fit));

  std::shared_ptr<cairo_surface_t> surface;
  cairo_matrix_t cellFromPattern;
  for (const CellImage& c : cell_cache_) {
    if (c.key == t.Key && c.colour.R == t.Colour.R && c.colour.G == t.Colour.G &&
        c.colour.B == t.Colour.B && SameMatrix(c.matrix, toTarget)) {
      surface = c.surface;
      cellFromPattern = c.cellFromPattern;
      break;
    }
  }
  TPDFormBudget* budget = t.Cell.Budget();
  if (!surface && budget && !budget->SpendPixels(w * h)) return none;
  if (!surface) {
    surface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(w), int(h)),
                  cairo_surface_destroy);
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return none;
    // Pattern space to cell pixels: the box's corner at the origin, kx by
    // ky periods across the image.
    const double sx = w / (kx * xs), sy = h / (ky * ys);
    cairo_matrix_init(&cellFromPattern, sx, 0, 0, sy, -t.BBox[0] * sx, -t.BBox[1] * sy);
    // The cell device's playback takes the page's pixels (as the cell's
    // CTM reaches them) to cell pixels.
    const TPDMatrix& c = t.CellState.CTM;
    cairo_matrix_t pagePixels;
    cairo_matrix_init(&pagePixels, c.M11, -c.M12, c.M21, -c.M22, c.Dx, page_height_ - c.Dy);
    if (cairo_matrix_invert(&pagePixels) != CAIRO_STATUS_SUCCESS) return none;
    cairo_matrix_t playback;
    cairo_matrix_multiply(&playback, &pagePixels, &cellFromPattern);
    ContextPtr cr(cairo_create(surface.get()), cairo_destroy);
    {
      TPDImageDevice cell(cr.get(), playback, allow_anti_alias_);
      cell.SetFastAntiAliasing(fast_anti_alias_);
      cell.SetResourceCache(resource_cache_);
      cell.BeginCell(page_height_);
      const double nx = Overlap(t.BBox[2] - t.BBox[0], xs);
      const double ny = Overlap(t.BBox[3] - t.BBox[1], ys);
      for (double j = 1 - ny; j < ky; ++j) {
        for (double i = 1 - nx; i < kx; ++i) cell.DrawCellAt(t, i * xs, j * ys);
      }
      cell.EndPage();
    }
    cairo_surface_flush(surface.get());
    const size_t bytes = size_t(w) * size_t(h) * 4;
    if (cell_cache_bytes_ + bytes > kCellCacheBytes) {
      cell_cache_.clear();
      cell_cache_bytes_ = 0;
    }
    if (bytes <= kCellCacheBytes) {
      cell_cache_.push_back({t.Key, t.Colour, toTarget, surface, cellFromPattern});
      cell_cache_bytes_ += bytes;
    }
  }
  CairoPatternPtr pattern(cairo_pattern_create_for_surface(surface.get()), cairo_pattern_destroy);
  cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_GOOD);
  // Target pixels to pattern space to cell pixels.
  cairo_matrix_t inverse = toTarget, m;
  cairo_matrix_invert(&inverse);
  cairo_matrix_multiply(&m, &inverse, &cellFromPattern);
  cairo_pattern_set_matrix(pattern.get(), &m);
  return pattern;
}

void TPDImageDevice::PaintTiling(const TPDState& state, const TPDTiling& t, TShadingArea area) {
  const cairo_matrix_t toTarget = ToTarget(t.CellState.CTM);
  if (!IsUsable(toTarget)) return;
  const double opacity = area == TShadingArea::kStroke ? state.StrokeOpacity : state.FillOpacity;
  const double alpha = std::isnan(opacity) ? 1.0 : std::clamp(opacity, 0.0, 1.0);
  const int depth = save_depth_;
  cairo_save(cr_);
  ++save_depth_;
  cairo_identity_matrix(cr_);
  CairoPatternPtr mask(nullptr, cairo_pattern_destroy);
  if (!ClipToArea(state, area, mask)) {
    RestoreTo(depth);
    return;
  }
  // The cells whose box reaches the painted area's extents.
  double x1, y1, x2, y2;
  cairo_clip_extents(cr_, &x1, &y1, &x2, &y2);
  cairo_matrix_t inverse = toTarget;
  cairo_matrix_invert(&inverse);
  double px0 = HUGE_VAL, py0 = HUGE_VAL, px1 = -HUGE_VAL, py1 = -HUGE_VAL;
  for (double cx : {x1, x2}) {
    for (double cy : {y1, y2}) {
      double x = cx, y = cy;
      cairo_matrix_transform_point(&inverse, &x, &y);
      px0 = std::min(px0, x), px1 = std::max(px1, x);
      py0 = std::min(py0, y), py1 = std::max(py1, y);
    }
  }
  const double xs = t.XStep, ys = t.YStep;
  const double i0 = std::ceil((px0 - t.BBox[2]) / xs), i1 = std::floor((px1 - t.BBox[0]) / xs);
  const double j0 = std::ceil((py0 - t.BBox[3]) / ys), j1 = std::floor((py1 - t.BBox[1]) / ys);
  const double cells = (i1 - i0 + 1) * (j1 - j0 + 1);
  if (!(x2 > x1 && y2 > y1) || !(cells >= 1)) {
    RestoreTo(depth);
    return;
  }
  CairoPatternPtr source(nullptr, cairo_pattern_destroy);
  if (cells <= kMaxDirectCells) {
    cairo_push_group(cr_);
    const int groupDepth = save_depth_;
    try {
      for (double j = j0; j <= j1; ++j) {
        for (double i = i0; i <= i1; ++i) DrawCellAt(t, i * xs, j * ys);
      }
    } catch (...) {
      RestoreTo(groupDepth);
      cairo_pattern_destroy(cairo_pop_group(cr_));
      RestoreTo(depth);
      throw;
    }
    cairo_identity_matrix(cr_);
    source.reset(cairo_pop_group(cr_));
  } else {
    try {
      source = CellPattern(t, toTarget);
    } catch (...) {
      RestoreTo(depth);
      throw;
    }
  }
  if (source && cairo_pattern_status(source.get()) == CAIRO_STATUS_SUCCESS) {
    cairo_identity_matrix(cr_);
    const bool grouped = BeginPaint(state, false);
    if (area == TShadingArea::kStroke) {
      if (alpha < 1) cairo_push_group(cr_);
      cairo_set_source(cr_, source.get());
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
      cairo_set_source(cr_, source.get());
      PaintSource(alpha, mask.get());
    }
    EndPaint(state, grouped);
  }
  RestoreTo(depth);
  CheckStatus();
}

}  // namespace qp::pdf
