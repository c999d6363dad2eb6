// Text on the raster device: glyph outlines from the font processor, placed
// by the text state, filled and stroked by the rendering mode.
#include <algorithm>
#include <climits>
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
// glyph masks of a few sizes.
constexpr size_t kTextFaceBytes = size_t{256} << 10;

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

TPDImageDevice::SizedFont* TPDImageDevice::MaskFont(const cairo_matrix_t& m) {
  TextFont& font = *text_font_;
  // Cairo's font space is one em with y down; the glyph matrix takes font
  // units with y up.
  const double upem = font.unitsPerEm;
  cairo_matrix_t fontMatrix;
  cairo_matrix_init(&fontMatrix, m.xx * upem, m.yx * upem, -m.xy * upem, -m.yy * upem, 0, 0);
  auto& sizes = font.sizes;
  for (auto it = sizes.begin(); it != sizes.end(); ++it) {
    const cairo_matrix_t& known = (*it)->matrix;
    if (known.xx == fontMatrix.xx && known.yx == fontMatrix.yx && known.xy == fontMatrix.xy &&
        known.yy == fontMatrix.yy) {
      if (it + 1 != sizes.end()) std::rotate(it, it + 1, sizes.end());
      return sizes.back().get();
    }
  }
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
  if (sizes.size() >= kSizesPerFont) sizes.erase(sizes.begin());
  auto sized = std::make_unique<SizedFont>();
  sized->matrix = fontMatrix;
  sized->scaled = std::move(scaled);
  sizes.push_back(std::move(sized));
  return sizes.back().get();
}

void TPDImageDevice::ShowPendingGlyphs(const TPDState& state) {
  const PendingGlyph& first = pending_glyphs_.front();
  const cairo_matrix_t firstMatrix = GlyphMatrix(state, first.x, first.y);
  SizedFont* sized = MaskFont(firstMatrix);
  if (sized) {
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
    cairo_scaled_font_glyph_extents(sized->scaled.get(), cairo_glyphs_.data(),
                                    static_cast<int>(cairo_glyphs_.size()), &extents);
    if (cairo_scaled_font_status(sized->scaled.get()) != CAIRO_STATUS_SUCCESS) {
      text_font_->sizes.clear();
      text_font_->cairoFace.reset();
      sized = nullptr;
    }
  }
  if (sized) {
    SetSource(state.GetFillRGB(), state.FillOpacity);
    const cairo_matrix_t& m = firstMatrix;
    const double em = std::sqrt(std::fabs(m.xx * m.yy - m.xy * m.yx)) * text_font_->unitsPerEm;
    // Text along an axis keeps its baseline on whole pixels, which keeps
    // its horizontal strokes crisp (as other renderers draw it).
    int phasesX = TGlyphMaskCache::PhasesAlong(em), phasesY = phasesX;
    if (m.yx == 0 && m.xy == 0) phasesY = TGlyphMaskCache::PhasesAcross(em);
    if (m.xx == 0 && m.yy == 0) phasesX = TGlyphMaskCache::PhasesAcross(em);
    if (!allow_anti_alias_ || !ShowGlyphMasks(*sized, phasesX, phasesY)) {
      cairo_set_scaled_font(cr_, sized->scaled.get());
      cairo_show_glyphs(cr_, cairo_glyphs_.data(), static_cast<int>(cairo_glyphs_.size()));
    }
  } else {
    for (const PendingGlyph& g : pending_glyphs_) AppendGlyph(state, g.x, g.y, g.index);
  }
  pending_glyphs_.clear();
}

bool TPDImageDevice::ShowGlyphMasks(SizedFont& font, int phasesX, int phasesY) {
  if (font.masks.Bytes() > kGlyphMaskBytesPerSize) font.masks.Clear();
  std::vector<PlacedMask>& placed = placed_masks_;
  placed.clear();
  int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
  // A coordinate rounded to the nearest of `phases` steps per pixel: its
  // whole pixel and the quarters of a pixel past it.
  auto split = [](double v, int phases, int& quarters) {
    const long q = std::lround(v * phases);
    const long whole = q >= 0 ? q / phases : -((-q + phases - 1) / phases);
    quarters = static_cast<int>((q - whole * phases) * (TGlyphMaskCache::kQuarters / phases));
    return static_cast<int>(whole);
  };
  for (const cairo_glyph_t& g : cairo_glyphs_) {
    int qx = 0, qy = 0;
    const int ix = split(g.x, phasesX, qx), iy = split(g.y, phasesY, qy);
    const TGlyphMask* mask =
        font.masks.Find(font.scaled.get(), static_cast<uint32_t>(g.index), qx, qy);
    if (!mask) return false;
    if (mask->width == 0 || mask->height == 0) continue;
    const PlacedMask p{mask, ix + mask->left, iy + mask->top};
    placed.push_back(p);
    x0 = std::min(x0, p.x);
    y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x + mask->width);
    y1 = std::max(y1, p.y + mask->height);
  }
  if (placed.empty()) return true;
  // Only the part inside the clip is composed.
  double cx0, cy0, cx1, cy1;
  cairo_clip_extents(cr_, &cx0, &cy0, &cx1, &cy1);
  x0 = std::max(x0, static_cast<int>(std::floor(std::max(cx0, -kMaxGlyphOffset))));
  y0 = std::max(y0, static_cast<int>(std::floor(std::max(cy0, -kMaxGlyphOffset))));
  x1 = std::min(x1, static_cast<int>(std::ceil(std::min(cx1, kMaxGlyphOffset))));
  y1 = std::min(y1, static_cast<int>(std::ceil(std::min(cy1, kMaxGlyphOffset))));
  if (x1 <= x0 || y1 <= y0) return true;
  const int width = x1 - x0, height = y1 - y0;
  if (int64_t{width} * height > kMaxStringMaskPixels) return false;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return false;
  }
  cairo_surface_flush(surface);
  uint8_t* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  // Overlapping glyphs add up, as cairo composes them.
  for (const PlacedMask& p : placed) {
    const int left = std::max(p.x, x0), right = std::min(p.x + p.mask->width, x1);
    const int top = std::max(p.y, y0), bottom = std::min(p.y + p.mask->height, y1);
    for (int y = top; y < bottom; ++y) {
      const uint8_t* from = p.mask->coverage.data() +
                            static_cast<size_t>(y - p.y) * static_cast<size_t>(p.mask->width) +
                            (left - p.x);
      uint8_t* to = data + static_cast<ptrdiff_t>(y - y0) * stride + (left - x0);
      for (int x = 0; x < right - left; ++x) {
        const unsigned sum = unsigned{to[x]} + from[x];
        to[x] = static_cast<uint8_t>(sum > 255 ? 255 : sum);
      }
    }
  }
  cairo_surface_mark_dirty(surface);
  cairo_mask_surface(cr_, surface, x0, y0);
  cairo_surface_destroy(surface);
  return true;
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
