// Transparency on the raster device: blend modes as Cairo operators, soft
// masks as images of the clip's extents, transparency groups as Cairo
// groups.

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "pdf/render/pdf_image_device.h"

namespace qp::pdf {

namespace {

using SurfacePtr = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using ContextPtr = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

// A soft mask in target pixels: an A8 image whose top-left corner is at
// (x, y).
class TImageSoftMask final : public TPDSoftMask {
 public:
  TImageSoftMask(SurfacePtr surface, int x, int y) : surface_(std::move(surface)), x_(x), y_(y) {}
  void MaskWith(cairo_t* cr) const {
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_mask_surface(cr, surface_.get(), x_, y_);
    cairo_restore(cr);
  }

 private:
  SurfacePtr surface_;
  int x_, y_;
};

cairo_operator_t OperatorOf(int mode) {
  static constexpr cairo_operator_t kOperators[] = {
      CAIRO_OPERATOR_OVER,          CAIRO_OPERATOR_MULTIPLY,       CAIRO_OPERATOR_SCREEN,
      CAIRO_OPERATOR_OVERLAY,       CAIRO_OPERATOR_DARKEN,         CAIRO_OPERATOR_LIGHTEN,
      CAIRO_OPERATOR_COLOR_DODGE,   CAIRO_OPERATOR_COLOR_BURN,     CAIRO_OPERATOR_HARD_LIGHT,
      CAIRO_OPERATOR_SOFT_LIGHT,    CAIRO_OPERATOR_DIFFERENCE,     CAIRO_OPERATOR_EXCLUSION,
      CAIRO_OPERATOR_HSL_HUE,       CAIRO_OPERATOR_HSL_SATURATION, CAIRO_OPERATOR_HSL_COLOR,
      CAIRO_OPERATOR_HSL_LUMINOSITY};
  return mode >= 0 && mode < int(std::size(kOperators)) ? kOperators[mode] : CAIRO_OPERATOR_OVER;
}

}  // namespace

bool TPDImageDevice::BeginPaint(const TPDState& state, bool shaped) {
  if (state.SoftMask && dynamic_cast<const TImageSoftMask*>(state.SoftMask.get())) {
    cairo_push_group(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
    return true;
  }
  const cairo_operator_t op = OperatorOf(state.BlendMode);
  const bool knockout = knockout_ && shaped && op == CAIRO_OPERATOR_OVER;
  cairo_set_operator(cr_, knockout ? CAIRO_OPERATOR_SOURCE : op);
  return false;
}

void TPDImageDevice::EndPaint(const TPDState& state, bool grouped) {
  if (grouped) {
    cairo_pop_group_to_source(cr_);
    cairo_set_operator(cr_, OperatorOf(state.BlendMode));
    static_cast<const TImageSoftMask&>(*state.SoftMask).MaskWith(cr_);
  }
  cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
}

void TPDImageDevice::DisplayForm(const TPDState& formState, const TPDState& state,
                                 const TPDForm& form) {
  bool knockout = false;
  if (!form.IsTransparencyGroup(knockout)) {
    form.Display(*this, formState);
    return;
  }
  // The group's content starts without the caller's alpha, blend mode and
  // mask; they apply when the group is painted.
  TPDState inner = formState;
  inner.FillOpacity = inner.StrokeOpacity = 1;
  inner.BlendMode = bmNormal;
  inner.SoftMask.reset();
  const int depth = save_depth_;
  const bool outerKnockout = knockout_;
  cairo_push_group(cr_);
  cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
  knockout_ = knockout;
  try {
    form.Display(*this, inner);
  } catch (...) {
    RestoreTo(depth);
    knockout_ = outerKnockout;
    cairo_pattern_destroy(cairo_pop_group(cr_));
    throw;
  }
  RestoreTo(depth);
  knockout_ = outerKnockout;
  cairo_pop_group_to_source(cr_);
  const double alpha =
      std::isnan(state.FillOpacity) ? 1.0 : std::clamp(state.FillOpacity, 0.0, 1.0);
  const bool grouped = BeginPaint(state, false);
  if (!grouped && knockout_ && OperatorOf(state.BlendMode) == CAIRO_OPERATOR_OVER) {
    // Inside a knockout group the group replaces what lies under its shape
    // (at alpha 0 it cuts a hole): clear under its coverage, then add it.
    cairo_pattern_t* group = cairo_pattern_reference(cairo_get_source(cr_));
    cairo_set_source_rgb(cr_, 0, 0, 0);
    cairo_set_operator(cr_, CAIRO_OPERATOR_DEST_OUT);
    cairo_mask(cr_, group);
    cairo_set_source(cr_, group);
    cairo_pattern_destroy(group);
    cairo_set_operator(cr_, CAIRO_OPERATOR_ADD);
  }
  cairo_save(cr_);
  cairo_identity_matrix(cr_);
  cairo_paint_with_alpha(cr_, alpha);
  cairo_restore(cr_);
  EndPaint(state, grouped);
}

std::shared_ptr<const TPDSoftMask> TPDImageDevice::MakeSoftMask(
    const TPDState& state, const TPDForm& group, bool luminosity, const TRGB& backdrop,
    const std::array<uint8_t, 256>* transfer) {
  double x1, y1, x2, y2;
  cairo_save(cr_);
  cairo_identity_matrix(cr_);
  cairo_clip_extents(cr_, &x1, &y1, &x2, &y2);
  cairo_restore(cr_);
  const double left = std::floor(x1), top = std::floor(y1);
  const double width = std::max(1.0, std::ceil(x2) - left);
  const double height = std::max(1.0, std::ceil(y2) - top);
  if (width * height > kMaxMaskPixels) return nullptr;
  if (TPDFormBudget* budget = group.Budget(); budget && !budget->SpendPixels(width * height)) {
    return nullptr;
  }
  const int w = int(width), h = int(height), x0 = int(left), y0 = int(top);
  SurfacePtr colour(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h), cairo_surface_destroy);
  SurfacePtr mask(cairo_image_surface_create(CAIRO_FORMAT_A8, w, h), cairo_surface_destroy);
  if (cairo_surface_status(colour.get()) != CAIRO_STATUS_SUCCESS ||
      cairo_surface_status(mask.get()) != CAIRO_STATUS_SUCCESS) {
    return nullptr;
  }
  {
    ContextPtr cr(cairo_create(colour.get()), cairo_destroy);
    if (luminosity) {
      cairo_set_source_rgb(cr.get(), ByteFromFixed(backdrop.R) / 255.0,
                           ByteFromFixed(backdrop.G) / 255.0, ByteFromFixed(backdrop.B) / 255.0);
      cairo_paint(cr.get());
    }
    // Target pixels to mask pixels.
    cairo_matrix_t shift, playback;
    cairo_matrix_init_translate(&shift, -x0, -y0);
    cairo_matrix_multiply(&playback, &playback_, &shift);
    TPDImageDevice device(cr.get(), playback, allow_anti_alias_);
    device.SetFastAntiAliasing(fast_anti_alias_);
    device.SetResourceCache(resource_cache_);
    device.BeginCell(page_height_);
    device.DrawFormXObject(state, group);
    device.EndPage();
  }
  cairo_surface_flush(colour.get());
  cairo_surface_flush(mask.get());
  const unsigned char* in = cairo_image_surface_get_data(colour.get());
  unsigned char* out = cairo_image_surface_get_data(mask.get());
  const int inStride = cairo_image_surface_get_stride(colour.get());
  const int outStride = cairo_image_surface_get_stride(mask.get());
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(in + size_t(y) * inStride);
    unsigned char* o = out + size_t(y) * outStride;
    for (int x = 0; x < w; ++x) {
      const uint32_t p = row[x];
      uint32_t v;
      if (luminosity) {
        // Premultiplied over an opaque backdrop: the channels are colours.
        v = (((p >> 16) & 0xFF) * 77 + ((p >> 8) & 0xFF) * 151 + (p & 0xFF) * 28 + 128) >> 8;
      } else {
        v = p >> 24;
      }
      o[x] =
          transfer ? (*transfer)[std::min<uint32_t>(v, 255)] : uint8_t(std::min<uint32_t>(v, 255));
    }
  }
  cairo_surface_mark_dirty(mask.get());
  return std::make_shared<TImageSoftMask>(std::move(mask), x0, y0);
}

}  // namespace qp::pdf
