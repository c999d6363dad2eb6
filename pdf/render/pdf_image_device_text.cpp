// Text on the raster device: glyph outlines from the font processor, placed
// by the text state, filled and stroked by the rendering mode.
#include <algorithm>
#include <cmath>

#include "pdf/core/pdf_font_cache.h"
#include "pdf/core/pdf_resource_cache.h"
#include "pdf/render/pdf_image_device.h"

namespace qp::pdf {

namespace {

double Clamped(double v) {
  return std::clamp(v, -TPDImageDevice::kMaxCoordinate, TPDImageDevice::kMaxCoordinate);
}

// Device pixels.
constexpr double kThinnestTextStroke = 0.3;

// What a text face holds besides its font, roughly: the glyph table and
// Cairo's glyph masks of a size or two.
constexpr size_t kTextFaceBytes = size_t{64} << 10;

bool IsPattern(const TPDColorSpaceRef& space) {
  return space && space->GetMode() == csPattern;
}

}  // namespace

void TPDImageDevice::UpdateFont(const TPDState& state) {
  text_font_ = nullptr;
  if (!state.Font) return;
  std::shared_ptr<TextFont>& slot = text_fonts_[state.Font.get()];
  // Faces are kept for the document only for fonts of the document's font
  // cache (not for fonts made from resources that live for one drawing).
  // They are told apart by anti-aliasing, which their scaled fonts are made
  // with. The entry holds the font, so its address names no other font
  // while the entry lives.
  TPDResourceCache* shared = resource_cache_ && resource_cache_->Enabled() && state.FontCache &&
                                     state.FontCache->Shared() == resource_cache_
                                 ? resource_cache_
                                 : nullptr;
  const TPDResourceCache::Key key{state.Font.get(), TPDResourceCache::Kind::kTextFace,
                                  allow_anti_alias_ ? 1 : 0};
  if (!slot && shared) slot = shared->Find<TextFont>(key);
  if (!slot) {
    slot = std::make_shared<TextFont>();
    slot->font = state.Font;
    slot->face = SelectTextFace(*state.Font);
    if (slot->face.processor && slot->face.processor->UnitsPerEm() > 0) {
      slot->unitsPerEm = slot->face.processor->UnitsPerEm();
    }
    if (shared) shared->Keep(key, slot, kTextFaceBytes);
  }
  text_font_ = slot.get();
}

void TPDImageDevice::BeginStringOp(const TPDState& /*state*/) {
  cairo_new_path(cr_);
  string_glyphs_ = false;
  pending_glyphs_.clear();
}

void TPDImageDevice::DrawChar(const TPDState& state, double x, double y, double /*dx*/,
                              double /*dy*/, uint16_t code, std::string_view charName,
                              uint32_t rawCode) {
  const int mode = static_cast<int>(state.Render);
  if (mode == 3) return;
  if (mode >= 4 && mode <= 7) text_clip_pending_ = true;
  // Q can bring back another font without a new BT or Tf.
  if (!text_font_ || text_font_->font != state.Font) UpdateFont(state);
  if (!text_font_ || !text_font_->face.processor) return;
  TFontProcessor& processor = *text_font_->face.processor;
  const TPDFont& font = *text_font_->font;
  uint32_t glyph = 0;
  if (!font.IsCIDFont() && rawCode <= 0xFF) {
    int64_t& known = text_font_->byteGlyphs[rawCode];
    if (known == -1) {
      known = FindGlyph(processor, font, text_font_->face.embedded, code, charName, rawCode, glyph)
                  ? int64_t{glyph}
                  : -2;
    }
    if (known < 0) return;
    glyph = static_cast<uint32_t>(known);
  } else if (!FindGlyph(processor, font, text_font_->face.embedded, code, charName, rawCode,
                        glyph)) {
    return;
  }
  // Small filled glyphs wait for the end of the string operator, to be
  // shown as masks together.
  if (mode == 0 && !IsPattern(state.FillColorSpace)) {
    const cairo_matrix_t m = GlyphMatrix(state, x, y);
    // The longer side of the glyph's em square: a sheared or stretched
    // glyph is as large as that, whatever its area.
    const double em =
        std::max(std::hypot(m.xx, m.yx), std::hypot(m.xy, m.yy)) * text_font_->unitsPerEm;
    if (em > 0 && em <= kMaxMaskGlyphEm) {
      pending_glyphs_.push_back({glyph, x, y});
      return;
    }
  }
  AppendGlyph(state, x, y, glyph);
}

cairo_matrix_t TPDImageDevice::GlyphMatrix(const TPDState& state, double x, double y) const {
  // Font units to text space (size, horizontal scaling, rise, glyph origin),
  // then the text matrix, then user space to target pixels.
  const double unit = state.FontSize / text_font_->unitsPerEm;
  cairo_matrix_t glyphToText, textToUser, m;
  cairo_matrix_init(&glyphToText, unit * state.HorizScaling, 0, 0, unit, x, y + state.Rise);
  const TPDMatrix& t = state.TextMatrix;
  cairo_matrix_init(&textToUser, t.M11, t.M12, t.M21, t.M22, t.Dx, t.Dy);
  const cairo_matrix_t userToTarget = UserToTarget(state);
  cairo_matrix_multiply(&m, &glyphToText, &textToUser);
  cairo_matrix_multiply(&m, &m, &userToTarget);
  return m;
}

cairo_scaled_font_t* TPDImageDevice::MaskFont(const cairo_matrix_t& m) {
  TextFont& font = *text_font_;
  // Cairo's font space is one em with y down; the glyph matrix takes font
  // units with y up.
  const double upem = font.unitsPerEm;
  cairo_matrix_t fontMatrix;
  cairo_matrix_init(&fontMatrix, m.xx * upem, m.yx * upem, -m.xy * upem, -m.yy * upem, 0, 0);
  const cairo_matrix_t& last = font.scaledMatrix;
  if (font.scaled && last.xx == fontMatrix.xx && last.yx == fontMatrix.yx &&
      last.xy == fontMatrix.xy && last.yy == fontMatrix.yy) {
    return font.scaled.get();
  }
  font.scaled.reset();
  if (!font.cairoFaceTried) {
    font.cairoFaceTried = true;
    font.cairoFace = CreateCairoGlyphFace(*font.font, font.face);
  }
  if (!font.cairoFace) return nullptr;
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options,
                                   allow_anti_alias_ ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_matrix_t identity;
  cairo_matrix_init_identity(&identity);
  TScaledFontPtr scaled(
      cairo_scaled_font_create(font.cairoFace.get(), &fontMatrix, &identity, options));
  cairo_font_options_destroy(options);
  if (cairo_scaled_font_status(scaled.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  font.scaled = std::move(scaled);
  font.scaledMatrix = fontMatrix;
  return font.scaled.get();
}

void TPDImageDevice::ShowPendingGlyphs(const TPDState& state) {
  const PendingGlyph& first = pending_glyphs_.front();
  cairo_scaled_font_t* scaled = MaskFont(GlyphMatrix(state, first.x, first.y));
  if (scaled) {
    cairo_glyphs_.clear();
    for (const PendingGlyph& g : pending_glyphs_) {
      const cairo_matrix_t m = GlyphMatrix(state, g.x, g.y);
      // A glyph far off the target cannot be seen; cairo runs out of memory
      // on some of those.
      if (!(std::fabs(m.x0) < kMaxGlyphOffset && std::fabs(m.y0) < kMaxGlyphOffset)) continue;
      cairo_glyphs_.push_back({g.index, m.x0, m.y0});
    }
    // Loading the glyphs here keeps a font FreeType cannot scale from
    // putting the context in an error state: its glyphs go as paths.
    cairo_text_extents_t extents;
    cairo_scaled_font_glyph_extents(scaled, cairo_glyphs_.data(),
                                    static_cast<int>(cairo_glyphs_.size()), &extents);
    if (cairo_scaled_font_status(scaled) != CAIRO_STATUS_SUCCESS) {
      text_font_->scaled.reset();
      text_font_->cairoFace.reset();
      scaled = nullptr;
    }
  }
  if (scaled) {
    cairo_set_scaled_font(cr_, scaled);
    SetSource(state.GetFillRGB(), state.FillOpacity);
    cairo_show_glyphs(cr_, cairo_glyphs_.data(), static_cast<int>(cairo_glyphs_.size()));
  } else {
    for (const PendingGlyph& g : pending_glyphs_) AppendGlyph(state, g.x, g.y, g.index);
  }
  pending_glyphs_.clear();
}

void TPDImageDevice::AppendGlyph(const TPDState& state, double x, double y, uint32_t glyphIndex) {
  std::shared_ptr<const TGlyphOutline> outline;
  if (text_font_->face.processor->GetGlyphOutline(glyphIndex, outline) != kFpSuccess || !outline) {
    return;
  }
  const cairo_matrix_t m = GlyphMatrix(state, x, y);
  const double em = std::sqrt(std::fabs(m.xx * m.yy - m.xy * m.yx)) * text_font_->unitsPerEm;
  if (!(em > 0) || em > kMaxGlyphEm) return;  // nothing to see, or nothing sensible to fill

  const TPointsList& p = outline->points;
  double lastX = 0, lastY = 0;  // in font units, for raising conics to cubics
  auto to = [&](double fx, double fy, double& tx, double& ty) {
    tx = Clamped(m.xx * fx + m.xy * fy + m.x0);
    ty = Clamped(m.yx * fx + m.yy * fy + m.y0);
  };
  size_t i = 0;
  while (i < p.size()) {
    const int op = static_cast<int>(p[i]);
    const int args = OutlineOpArgCount(op);
    if (args < 0 || i + 1 + static_cast<size_t>(args) > p.size()) break;
    const double* a = p.data() + i + 1;  // may be the end when the operator takes none
    double x1, y1, x2, y2, x3, y3;
    switch (op) {
      case opMoveTo:
        to(a[0], a[1], x1, y1);
        cairo_move_to(cr_, x1, y1);
        lastX = a[0], lastY = a[1];
        break;
      case opLineTo:
        to(a[0], a[1], x1, y1);
        cairo_line_to(cr_, x1, y1);
        lastX = a[0], lastY = a[1];
        break;
      case opConicTo: {
        const double c1x = lastX + 2.0 / 3 * (a[0] - lastX), c1y = lastY + 2.0 / 3 * (a[1] - lastY);
        const double c2x = a[2] + 2.0 / 3 * (a[0] - a[2]), c2y = a[3] + 2.0 / 3 * (a[1] - a[3]);
        to(c1x, c1y, x1, y1);
        to(c2x, c2y, x2, y2);
        to(a[2], a[3], x3, y3);
        cairo_curve_to(cr_, x1, y1, x2, y2, x3, y3);
        lastX = a[2], lastY = a[3];
        break;
      }
      case opCubicTo:
        to(a[0], a[1], x1, y1);
        to(a[2], a[3], x2, y2);
        to(a[4], a[5], x3, y3);
        cairo_curve_to(cr_, x1, y1, x2, y2, x3, y3);
        lastX = a[4], lastY = a[5];
        break;
      case opClosePath:
        cairo_close_path(cr_);
        break;
      default:
        break;
    }
    i += 1 + static_cast<size_t>(args);
  }
  string_glyphs_ = true;
}

void TPDImageDevice::EndStringOp(const TPDState& state) {
  const bool grouped = BeginPaint(state);
  PaintText(state);
  EndPaint(state, grouped);
}

void TPDImageDevice::PaintText(const TPDState& state) {
  if (!pending_glyphs_.empty()) ShowPendingGlyphs(state);
  if (!string_glyphs_) return;
  string_glyphs_ = false;
  const int mode = static_cast<int>(state.Render);
  if (mode >= 4 && mode <= 7) {
    text_clip_.emplace_back(cairo_copy_path(cr_));
  }
  const bool filled = mode == 0 || mode == 2 || mode == 4 || mode == 6;
  // A pattern fill is painted by the pattern through these outlines.
  if (filled && IsPattern(state.FillColorSpace)) pattern_text_.reset(cairo_copy_path(cr_));
  const bool fill = filled && !IsPattern(state.FillColorSpace);
  const bool stroke =
      (mode == 1 || mode == 2 || mode == 5 || mode == 6) && !IsPattern(state.StrokeColorSpace);
  if (fill) {
    SetSource(state.GetFillRGB(), state.FillOpacity);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
    if (stroke) {
      cairo_fill_preserve(cr_);
    } else {
      cairo_fill(cr_);
    }
  }
  if (stroke) {
    const cairo_matrix_t m = UserToTarget(state);
    const double scale = std::sqrt(std::fabs(m.xx * m.yy - m.xy * m.yx));
    // Line width 0 (and any width thinner than it) outlines the glyphs with
    // the thinnest line that anti-aliasing still shows, so that fill and
    // stroke text keeps its weight.
    double penWidth = std::fabs(state.LineWidth) * scale;
    if (!(penWidth >= kThinnestTextStroke)) penWidth = kThinnestTextStroke;
    SetSource(state.GetStrokeRGB(), state.StrokeOpacity);
    cairo_set_line_width(cr_, std::min(penWidth, kMaxPenWidth));
    cairo_set_line_cap(cr_, line_cap_);
    cairo_set_line_join(cr_, line_join_);
    cairo_set_miter_limit(cr_, miter_limit_);
    cairo_set_dash(cr_, nullptr, 0, 0);
    cairo_stroke(cr_);
  }
  cairo_new_path(cr_);
}

void TPDImageDevice::EndTextObject(const TPDState& /*state*/) {
  if (!text_clip_pending_) return;
  text_clip_pending_ = false;
  // The glyphs shown in the clipping modes become the clip; none clip all.
  cairo_new_path(cr_);
  for (const auto& path : text_clip_) {
    if (path->status == CAIRO_STATUS_SUCCESS) cairo_append_path(cr_, path.get());
  }
  text_clip_.clear();
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
  cairo_clip(cr_);
}

bool TPDImageDevice::BeginType3Char(const TPDState& /*state*/) {
  type3_depths_.push_back(save_depth_);
  cairo_save(cr_);
  ++save_depth_;
  return true;
}

void TPDImageDevice::EndType3Char(const TPDState& /*state*/) {
  if (type3_depths_.empty()) return;
  RestoreTo(type3_depths_.back());
  type3_depths_.pop_back();
}

}  // namespace qp::pdf
