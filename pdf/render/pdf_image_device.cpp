#include "pdf/render/pdf_image_device.h"

#include <algorithm>
#include <cmath>

#include "pdf/render/pdf_render_errors.h"

namespace qp::pdf {

namespace {

// Rounds half to even and keeps the low eight bits, as the colour words do.
double ChannelFromFixed(int32_t v) {
  const double scaled = std::nearbyint(static_cast<double>(v) * 255.0 / 65536.0);
  return static_cast<double>(static_cast<int64_t>(scaled) & 0xFF) / 255.0;
}

double AlphaFromOpacity(double opacity) {
  if (std::isnan(opacity)) return 1;
  return std::clamp(std::nearbyint(opacity * 255.0), 0.0, 255.0) / 255.0;
}

double ClampCoordinate(double v) {
  return std::clamp(v, -TPDImageDevice::kMaxCoordinate, TPDImageDevice::kMaxCoordinate);
}

// Cairo's own name for a status is readable enough for a message.
std::string StatusText(cairo_status_t status) {
  return cairo_status_to_string(status);
}

}  // namespace

TPDImageDevice::TPDImageDevice(cairo_t* cr, const cairo_matrix_t& playback, bool allowAntiAlias)
    : cr_(cr), playback_(playback), allow_anti_alias_(allowAntiAlias) {}

TPDImageDevice::~TPDImageDevice() {
  RestoreTo(0);
}

void TPDImageDevice::CheckStatus() const {
  const cairo_status_t status = cairo_status(cr_);
  if (status != CAIRO_STATUS_SUCCESS) throw EGPLoadError(StatusText(status));
}

void TPDImageDevice::RestoreTo(int depth) {
  while (save_depth_ > depth) {
    if (save_depth_ == 1 && page_group_) {
      // The page drawn on its transparent group goes onto the white page.
      page_group_ = false;
      cairo_pop_group_to_source(cr_);
      cairo_paint(cr_);
    }
    cairo_restore(cr_);
    --save_depth_;
  }
}

void TPDImageDevice::StartPage(int /*nPage*/, const TPDState& state) {
  page_height_ = state.PageHeight;
  cairo_save(cr_);
  ++save_depth_;
  page_started_ = true;
  cairo_set_matrix(cr_, &playback_);
  cairo_rectangle(cr_, 0, 0, state.PageWidth, state.PageHeight);
  cairo_identity_matrix(cr_);
  if (playback_.xy == 0 && playback_.yx == 0) {
    double x0, y0, x1, y1;
    cairo_path_extents(cr_, &x0, &y0, &x1, &y1);
    SetPixelRectangle(x0, y0, x1, y1);
  }
  if (!target_white_) {
    cairo_set_source_rgb(cr_, 1, 1, 1);
    cairo_fill_preserve(cr_);
  }
  cairo_clip(cr_);
  cairo_set_antialias(cr_, PathAntiAlias());
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
  // Content blends with what it covers on the page, not with the paper:
  // a page that uses blend modes is drawn into a transparent group laid on
  // white at the end.
  if (state.PageBlends) {
    cairo_push_group(cr_);
    page_group_ = true;
  }
  CheckStatus();
  UpdateCTM(state, state.CTM);
}

void TPDImageDevice::EndPage() {
  RestoreTo(0);
  page_started_ = false;
  CheckStatus();
}

void TPDImageDevice::SaveState(const TPDState& /*state*/) {
  cairo_save(cr_);
  ++save_depth_;
}

void TPDImageDevice::RestoreState(const TPDState& state) {
  // The page's own save (and a form's) is never popped by Q.
  if (save_depth_ > 1) {
    cairo_restore(cr_);
    --save_depth_;
  }
  UpdateAll(state);
}

void TPDImageDevice::UpdateLineJoin(const TPDState& state) {
  switch (state.LineJoin) {
    case 0:
      line_join_ = CAIRO_LINE_JOIN_MITER;
      break;
    case 1:
      line_join_ = CAIRO_LINE_JOIN_ROUND;
      break;
    case 2:
      line_join_ = CAIRO_LINE_JOIN_BEVEL;
      break;
    default:
      break;
  }
}

void TPDImageDevice::UpdateLineCap(const TPDState& state) {
  switch (state.LineCap) {
    case 0:
      line_cap_ = CAIRO_LINE_CAP_BUTT;
      break;
    case 1:
      line_cap_ = CAIRO_LINE_CAP_ROUND;
      break;
    case 2:
      line_cap_ = CAIRO_LINE_CAP_SQUARE;
      break;
    default:
      break;
  }
}

void TPDImageDevice::UpdateMiterLimit(const TPDState& state) {
  const double m = state.MiterLimit;
  miter_limit_ = std::isfinite(m) ? std::clamp(m, 1.0, 1e4) : 10.0;
}

cairo_matrix_t TPDImageDevice::ToTarget(const TPDMatrix& c) const {
  // CTM, then the top-down flip of the page pixels, then the playback.
  cairo_matrix_t user;
  cairo_matrix_init(&user, c.M11, -c.M12, c.M21, -c.M22, c.Dx, page_height_ - c.Dy);
  cairo_matrix_t result;
  cairo_matrix_multiply(&result, &user, &playback_);
  return result;
}

template <bool kMeasure, class Sink>
bool TPDImageDevice::WalkTargetPath(const TPDState& state, Sink& sink) {
  const cairo_matrix_t m = UserToTarget(state);
  const TPDPath& path = state.Path;
  path_length_ = 0;
  double lastX = 0, lastY = 0;
  auto point = [&](const TPDSubPath& sp, size_t i, double& x, double& y) {
    const double ux = sp.X(i), uy = sp.Y(i);
    x = m.xx * ux + m.xy * uy + m.x0;
    y = m.yx * ux + m.yy * uy + m.y0;
    if (std::isnan(x) || std::isnan(y)) return false;
    x = ClampCoordinate(x), y = ClampCoordinate(y);
    if constexpr (kMeasure) {
      if (i > 0) path_length_ += std::fabs(x - lastX) + std::fabs(y - lastY);
    }
    lastX = x, lastY = y;
    return true;
  };
  for (size_t s = 0; s < path.SubPathCount(); ++s) {
    const TPDSubPath& sp = *path.SubPath(s);
    double x, y, x2, y2, x3, y3;
    if (!point(sp, 0, x, y)) return false;
    sink.MoveTo(x, y);
    size_t i = 0;
    for (size_t segment = 0; segment < sp.NumPoints(); ++segment) {
      if (sp.Curve(i + 1)) {
        if (!point(sp, i + 1, x, y) || !point(sp, i + 2, x2, y2) || !point(sp, i + 3, x3, y3)) {
          return false;
        }
        sink.CurveTo(x, y, x2, y2, x3, y3);
        i += 3;
      } else {
        if (!point(sp, i + 1, x, y)) return false;
        sink.LineTo(x, y);
        i += 1;
      }
    }
    if (sp.IsClosed()) sink.Close();
  }
  return true;
}

namespace {

struct CairoPathSink {
  cairo_t* cr;
  void MoveTo(double x, double y) { cairo_move_to(cr, x, y); }
  void LineTo(double x, double y) { cairo_line_to(cr, x, y); }
  void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
    cairo_curve_to(cr, x1, y1, x2, y2, x3, y3);
  }
  void Close() { cairo_close_path(cr); }
};

// Recognises a path that is one axis-aligned rectangle: a move and three or
// four lines (the fourth back to the start), closed or not.
struct RectangleSink {
  double x[5], y[5];
  int points = 0;
  bool other = false;
  void MoveTo(double px, double py) {
    if (points != 0) other = true;
    Add(px, py);
  }
  void LineTo(double px, double py) { Add(px, py); }
  void CurveTo(double, double, double, double, double, double) { other = true; }
  void Close() {}
  void Add(double px, double py) {
    if (points == 5) {
      other = true;
      return;
    }
    x[points] = px, y[points] = py, ++points;
  }
  // The rectangle's box, when the path is one.
  bool Box(double& x0, double& y0, double& x1, double& y1) const {
    if (other || points < 4) return false;
    if (points == 5 && (x[4] != x[0] || y[4] != y[0])) return false;
    // Edges alternate between horizontal and vertical, starting either way.
    const bool horizontalFirst = y[1] == y[0];
    for (int i = 0; i < 4; ++i) {
      const int j = (i + 1) % 4;
      const bool horizontal = (i % 2 == 0) == horizontalFirst;
      if (horizontal ? y[j] != y[i] : x[j] != x[i]) return false;
    }
    x0 = std::min(x[0], x[2]), x1 = std::max(x[0], x[2]);
    y0 = std::min(y[0], y[2]), y1 = std::max(y[0], y[2]);
    return true;
  }
};

}  // namespace

bool TPDImageDevice::SetPixelRectangle(double x0, double y0, double x1, double y1) {
  if (!allow_anti_alias_) return false;
  const double left = std::round(x0), top = std::round(y0);
  const double right = std::round(x1), bottom = std::round(y1);
  if (!(right > left && bottom > top)) return false;
  cairo_new_path(cr_);
  cairo_rectangle(cr_, left, top, right - left, bottom - top);
  return true;
}

bool TPDImageDevice::BuildPath(const TPDState& state) {
  cairo_new_path(cr_);
  CairoPathSink sink{cr_};
  if (WalkTargetPath<true>(state, sink)) return true;
  cairo_new_path(cr_);
  return false;
}

void TPDImageDevice::SetSource(const TRGB& rgb, double opacity) {
  cairo_set_source_rgba(cr_, ChannelFromFixed(rgb.R), ChannelFromFixed(rgb.G),
                        ChannelFromFixed(rgb.B), AlphaFromOpacity(opacity));
}

void TPDImageDevice::FillPath(const TPDState& state, cairo_fill_rule_t rule) {
  if (allow_anti_alias_ && FillWithMask(state, rule)) return;
  if (!BuildPath(state)) return;
  const bool grouped = BeginPaint(state);
  SetSource(state.GetFillRGB(), state.FillOpacity);
  cairo_set_fill_rule(cr_, rule);
  cairo_fill(cr_);
  EndPaint(state, grouped);
}

bool TPDImageDevice::FillWithMask(const TPDState& state, cairo_fill_rule_t rule) {
  path_mask_.Reset();
  // A path with a coordinate that is not a number, or with no point, fills
  // nothing.
  if (!WalkTargetPath<false>(state, path_mask_) || path_mask_.Empty()) return true;
  return PaintPathMask(state, state.GetFillRGB(), state.FillOpacity,
                       rule == CAIRO_FILL_RULE_EVEN_ODD);
}

bool TPDImageDevice::StrokeWithMask(const TPDState& state) {
  if (!state.LineDash.empty()) return false;
  const Pen pen = PenOf(state);
  if (!pen.round) return false;
  stroke_outline_.Reset();
  // A path with a coordinate that is not a number strokes nothing.
  if (!WalkTargetPath<false>(state, stroke_outline_)) return true;
  const TStrokeStyle style{pen.width * pen.unit / 2, line_cap_, line_join_, miter_limit_};
  path_mask_.Reset();
  if (!stroke_outline_.Outline(style, path_mask_)) return false;
  if (path_mask_.Empty()) return true;
  return PaintPathMask(state, state.GetStrokeRGB(), state.StrokeOpacity, false);
}

bool TPDImageDevice::PaintPathMask(const TPDState& state, const TRGB& rgb, double opacity,
                                   bool evenOdd) {
  double cx0, cy0, cx1, cy1;
  cairo_clip_extents(cr_, &cx0, &cy0, &cx1, &cy1);
  const double left = std::max({path_mask_.Left(), cx0, -kMaxCoordinate});
  const double top = std::max({path_mask_.Top(), cy0, -kMaxCoordinate});
  const double right = std::min({path_mask_.Right(), cx1, kMaxCoordinate});
  const double bottom = std::min({path_mask_.Bottom(), cy1, kMaxCoordinate});
  if (!(right > left && bottom > top)) return true;  // nothing inside the clip
  const int x0 = static_cast<int>(std::floor(left)), y0 = static_cast<int>(std::floor(top));
  const int x1 = static_cast<int>(std::ceil(right)), y1 = static_cast<int>(std::ceil(bottom));
  if (int64_t{x1 - x0} * (y1 - y0) > kMaxFillMaskPixels) return false;
  if (!path_mask_.RenderCoverage(x0, y0, x1, y1, evenOdd, /*clearOutsideSpans=*/false)) {
    return false;
  }
  const bool grouped = BeginPaint(state);
  if (grouped || !BlendOntoTarget(rgb, opacity, x0, y0)) {
    path_mask_.ClearOutsideSpans();
    if (cairo_surface_t* mask = path_mask_.CoverageSurface()) {
      SetSource(rgb, opacity);
      cairo_mask_surface(cr_, mask, x0, y0);
      cairo_surface_destroy(mask);
    }
  }
  EndPaint(state, grouped);
  return true;
}

bool TPDImageDevice::BlendOntoTarget(const TRGB& rgb, double opacity, int x, int y) {
  // Only an opaque colour laid over the page raster itself, under a clip of
  // whole-pixel rectangles: the common case, without Cairo's setup per fill.
  if (AlphaFromOpacity(opacity) != 1 || cairo_get_operator(cr_) != CAIRO_OPERATOR_OVER) {
    return false;
  }
  cairo_surface_t* target = cairo_get_group_target(cr_);
  double offsetX = 0, offsetY = 0;
  cairo_surface_get_device_offset(target, &offsetX, &offsetY);
  if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE ||
      cairo_image_surface_get_format(target) != CAIRO_FORMAT_RGB24 || offsetX != 0 ||
      offsetY != 0) {
    return false;
  }
  cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(cr_);
  bool whole = clip->status == CAIRO_STATUS_SUCCESS;
  for (int i = 0; whole && i < clip->num_rectangles; ++i) {
    const cairo_rectangle_t& r = clip->rectangles[i];
    whole = r.x == std::floor(r.x) && r.y == std::floor(r.y) && r.width == std::floor(r.width) &&
            r.height == std::floor(r.height);
  }
  if (whole) {
    auto byte = [](int32_t v) {
      return static_cast<uint32_t>(std::lround(ChannelFromFixed(v) * 255));
    };
    const uint32_t argb = (byte(rgb.R) << 16) | (byte(rgb.G) << 8) | byte(rgb.B);
    cairo_surface_flush(target);
    const TPathMask::Coverage coverage = path_mask_.LastCoverage();
    for (int i = 0; i < clip->num_rectangles; ++i) {
      const cairo_rectangle_t& r = clip->rectangles[i];
      const TPathMask::Box box{static_cast<int>(r.x), static_cast<int>(r.y),
                               static_cast<int>(r.x + r.width), static_cast<int>(r.y + r.height)};
      TPathMask::Blend(target, coverage, x, y, box, argb, path_mask_.Spans().data());
    }
    cairo_surface_mark_dirty_rectangle(target, x, y, coverage.width, coverage.height);
  }
  cairo_rectangle_list_destroy(clip);
  return whole;
}

void TPDImageDevice::Fill(const TPDState& state) {
  FillPath(state, CAIRO_FILL_RULE_WINDING);
}

void TPDImageDevice::EvenOddFill(const TPDState& state) {
  FillPath(state, CAIRO_FILL_RULE_EVEN_ODD);
}

void TPDImageDevice::Stroke(const TPDState& state) {
  if (allow_anti_alias_ && StrokeWithMask(state)) return;
  if (!BuildPath(state)) return;
  const bool grouped = BeginPaint(state);
  PrepareStroke(state);
  SetSource(state.GetStrokeRGB(), state.StrokeOpacity);
  cairo_stroke(cr_);
  cairo_identity_matrix(cr_);
  EndPaint(state, grouped);
}

TPDImageDevice::Pen TPDImageDevice::PenOf(const TPDState& state) const {
  // The path is in target pixels; the pen and the dashes are in user space,
  // so the stroke is made under the user-to-target matrix: a non-uniform
  // matrix gives an elliptical pen and dashes stretch with the path.
  Pen pen;
  cairo_matrix_t& m = pen.matrix;
  m = UserToTarget(state);
  const double expansion = std::sqrt(std::fabs(m.xx * m.yy - m.xy * m.yx));
  cairo_matrix_t inverse = m;
  const bool invertible = std::isfinite(expansion) && expansion > 0 &&
                          cairo_matrix_invert(&inverse) == CAIRO_STATUS_SUCCESS;
  if (!invertible) cairo_matrix_init_identity(&m);
  pen.unit = invertible ? expansion : 1;
  const double unit = pen.unit;
  double width = std::fabs(state.LineWidth);
  if (!std::isfinite(width)) width = 0;
  // Width 0, and widths under a tenth of a pixel, draw the thinnest line
  // (one pixel); other thin widths are drawn true and anti-aliased.
  if (!(width * unit >= 0.1)) width = 1 / unit;
  // The pen's longest axis is kept within kMaxPenWidth (the entries' norm
  // bounds how far the matrix stretches in any direction).
  const double stretch = std::sqrt(m.xx * m.xx + m.xy * m.xy + m.yx * m.yx + m.yy * m.yy);
  pen.width = std::min(width, kMaxPenWidth / std::max(unit, stretch));
  // A matrix that scales every direction alike (turned or mirrored at
  // most) gives a round pen.
  const double across = m.xx * m.xx + m.yx * m.yx, down = m.xy * m.xy + m.yy * m.yy;
  pen.round = invertible && std::fabs(across - down) <= 1e-9 * across &&
              std::fabs(m.xx * m.xy + m.yx * m.yy) <= 1e-9 * across;
  return pen;
}

void TPDImageDevice::PrepareStroke(const TPDState& state) {
  const Pen pen = PenOf(state);
  const cairo_matrix_t& m = pen.matrix;
  const double unit = pen.unit;
  double width = pen.width;

  dashes_.clear();
  const std::vector<float>& dash = state.LineDash;
  bool dashed = !dash.empty() && dash.size() <= kMaxDashEntries;
  double period = 0;
  if (dashed) {
    for (float length : dash) {
      const double l = static_cast<double>(length);
      if (!(l >= 0) || !std::isfinite(l)) {
        dashed = false;
        break;
      }
      dashes_.push_back(std::min(l, 1e7 / unit));
    }
    if (dashed && dashes_.size() % 2 == 1) {
      const size_t n = dashes_.size();
      for (size_t i = 0; i < n; ++i) dashes_.push_back(dashes_[i]);
    }
    for (double l : dashes_) period += l;
    // Dashes finer than a quarter pixel cannot be seen, and millions of
    // dashes on one path only cost time: both are drawn solid.
    const double targetPeriod = period * unit;
    if (!(targetPeriod >= 0.25) || path_length_ / targetPeriod > kMaxDashesPerPath) dashed = false;
  }
  double offset = 0;
  if (dashed) {
    offset = std::isfinite(state.LineStart) ? std::fmod(state.LineStart, period) : 0;
    if (offset < 0) offset += period;
  }
  // Under a round pen the stroke is made in target pixels with the lengths
  // scaled, which keeps Cairo on its faster untransformed path.
  if (pen.round) {
    width *= unit, offset *= unit;
    for (double& l : dashes_) l *= unit;
  } else {
    cairo_set_matrix(cr_, &m);
  }
  if (dashed) {
    cairo_set_dash(cr_, dashes_.data(), static_cast<int>(dashes_.size()), offset);
  } else {
    cairo_set_dash(cr_, nullptr, 0, 0);
  }
  cairo_set_line_width(cr_, width);
  cairo_set_line_cap(cr_, line_cap_);
  cairo_set_line_join(cr_, line_join_);
  cairo_set_miter_limit(cr_, miter_limit_);
}

void TPDImageDevice::ClipPath(const TPDState& state, cairo_fill_rule_t rule) {
  RectangleSink rectangle;
  double x0, y0, x1, y1;
  if (WalkTargetPath<false>(state, rectangle) && rectangle.Box(x0, y0, x1, y1) &&
      SetPixelRectangle(x0, y0, x1, y1)) {
    cairo_clip(cr_);
    return;
  }
  if (!BuildPath(state)) return;
  cairo_set_fill_rule(cr_, rule);
  cairo_clip(cr_);
}

bool TPDImageDevice::ClipToArea(const TPDState& state, TShadingArea area, CairoPatternPtr& mask) {
  switch (area) {
    case TShadingArea::kFill:
    case TShadingArea::kEvenOddFill:
      if (!BuildPath(state)) return false;
      cairo_set_fill_rule(
          cr_, area == TShadingArea::kFill ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
      cairo_clip(cr_);
      return true;
    case TShadingArea::kText: {
      const auto path = std::move(pattern_text_);
      if (!path || path->status != CAIRO_STATUS_SUCCESS) return false;
      cairo_new_path(cr_);
      cairo_append_path(cr_, path.get());
      cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
      cairo_clip(cr_);
      return true;
    }
    case TShadingArea::kMask: {
      mask = std::move(pattern_mask_);
      cairo_surface_t* surface = nullptr;
      if (!mask || cairo_pattern_get_surface(mask.get(), &surface) != CAIRO_STATUS_SUCCESS) {
        return false;
      }
      // The mask's own square.
      cairo_matrix_t imageToTarget;
      cairo_pattern_get_matrix(mask.get(), &imageToTarget);
      if (cairo_matrix_invert(&imageToTarget) != CAIRO_STATUS_SUCCESS) return false;
      cairo_set_matrix(cr_, &imageToTarget);
      cairo_new_path(cr_);
      cairo_rectangle(cr_, 0, 0, cairo_image_surface_get_width(surface),
                      cairo_image_surface_get_height(surface));
      cairo_identity_matrix(cr_);
      cairo_clip(cr_);
      return true;
    }
    default:
      return true;
  }
}

void TPDImageDevice::PaintSource(double alpha, cairo_pattern_t* mask) {
  if (!mask) {
    cairo_paint_with_alpha(cr_, alpha);
    return;
  }
  if (alpha < 1) cairo_push_group(cr_);
  cairo_mask(cr_, mask);
  if (alpha < 1) {
    cairo_pop_group_to_source(cr_);
    cairo_paint_with_alpha(cr_, alpha);
  }
}

void TPDImageDevice::Clip(const TPDState& state) {
  ClipPath(state, CAIRO_FILL_RULE_WINDING);
}

void TPDImageDevice::EvenOddClip(const TPDState& state) {
  ClipPath(state, CAIRO_FILL_RULE_EVEN_ODD);
}

void TPDImageDevice::DrawFormXObject(const TPDState& state, const TPDForm& form) {
  const int depth = save_depth_;
  cairo_save(cr_);
  ++save_depth_;
  // The form's matrix goes into the form's own copy of the state; the
  // caller's state is untouched.
  TPDState formState = state;
  formState.ConcatCTM(form.GetMatrix());
  formState.ClearPath();
  double x1, y1, x2, y2;
  if (form.GetBBox(x1, y1, x2, y2)) {
    formState.MoveTo(x1, y1);
    formState.LineTo(x2, y1);
    formState.LineTo(x2, y2);
    formState.LineTo(x1, y2);
    formState.ClosePath();
    ClipPath(formState, CAIRO_FILL_RULE_WINDING);
    formState.ClearPath();
  }
  try {
    DisplayForm(formState, state, form);
  } catch (...) {
    RestoreTo(depth);
    throw;
  }
  RestoreTo(depth);
}

}  // namespace qp::pdf
