// Image drawing of the raster device: the decoded bitmap becomes a Cairo
// image surface over its own pixels and is painted onto the unit square of
// user space, first row at the top.

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_filter_manager.h"
#include "pdf/core/pdf_memory_stream.h"
#include "pdf/render/pdf_image.h"
#include "pdf/render/pdf_image_device.h"

namespace qp::pdf {

namespace {

// Cairo refuses image surfaces wider or taller than this.
constexpr int kMaxSurfaceSide = 32767;

using SurfacePtr = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using PatternPtr = std::unique_ptr<cairo_pattern_t, decltype(&cairo_pattern_destroy)>;

// An inline image's data as a stream object, decoded by the filters its
// dictionary names (abbreviated names included); null when they cannot be
// built.
std::unique_ptr<TPDStream> InlineImageStream(const TPDImageSource& image) {
  if (image.Dict == nullptr) return nullptr;
  TPDObjectPtr dict = image.Dict->Clone();
  auto raw = std::make_unique<TMemoryStream>(reinterpret_cast<const uint8_t*>(image.Data.data()),
                                             image.Data.size());
  TPDFilterManager filters;
  try {
    std::unique_ptr<TPDStream> stream = filters.GetFilter(
        std::unique_ptr<TPDDictionary>(static_cast<TPDDictionary*>(dict.release())),
        std::move(raw));
    if (stream) stream->SetParentDoc(image.Dict->GetParentDoc());
    return stream;
  } catch (const EPDFEngineError&) {
    return nullptr;
  }
}

// Keeps every k-th column and row so that neither side exceeds what a Cairo
// surface can hold (images that wide are far finer than any target).
void FitSurfaceLimits(TImageBitmap& bitmap) {
  if (bitmap.Width <= kMaxSurfaceSide && bitmap.Height <= kMaxSurfaceSide) return;
  const int stepX = (bitmap.Width + kMaxSurfaceSide - 1) / kMaxSurfaceSide;
  const int stepY = (bitmap.Height + kMaxSurfaceSide - 1) / kMaxSurfaceSide;
  const int width = (bitmap.Width + stepX - 1) / stepX;
  const int height = (bitmap.Height + stepY - 1) / stepY;
  const int bytes = bitmap.Format == ibfA8 ? 1 : 4;
  TImageBitmap fitted;
  fitted.Format = bitmap.Format;
  fitted.Width = width;
  fitted.Height = height;
  fitted.Stride = cairo_format_stride_for_width(
      bitmap.Format == ibfA8 ? CAIRO_FORMAT_A8 : CAIRO_FORMAT_ARGB32, width);
  fitted.Data.assign(static_cast<size_t>(fitted.Stride) * height, 0);
  for (int y = 0; y < height; ++y) {
    const uint8_t* in = bitmap.Row(y * stepY);
    uint8_t* out = fitted.Row(y);
    for (int x = 0; x < width; ++x) {
      for (int b = 0; b < bytes; ++b) out[x * bytes + b] = in[x * stepX * bytes + b];
    }
  }
  bitmap = std::move(fitted);
}

bool IsUsableMatrix(const cairo_matrix_t& m) {
  for (double v : {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0}) {
    if (!std::isfinite(v)) return false;
  }
  cairo_matrix_t inverse = m;
  return cairo_matrix_invert(&inverse) == CAIRO_STATUS_SUCCESS;
}

// True when every corner of the unit square lands within `limit` pixels of
// the origin: beyond that Cairo's fixed-point coordinates overflow.
bool UnitSquareWithin(const cairo_matrix_t& m, double limit) {
  for (double x : {0.0, 1.0}) {
    for (double y : {0.0, 1.0}) {
      double tx = x, ty = y;
      cairo_matrix_transform_point(&m, &tx, &ty);
      if (!(std::fabs(tx) <= limit && std::fabs(ty) <= limit)) return false;
    }
  }
  return true;
}

// Enlarged images keep their pixels sharp unless they ask to be smoothed
// (/Interpolate): scans and dithered 1-bit images would otherwise blur.
// Reduced images are filtered so that no detail turns into aliasing.
cairo_filter_t ImageFilter(const cairo_matrix_t& imageToTarget, bool interpolate) {
  const double columnWidth = std::hypot(imageToTarget.xx, imageToTarget.yx);
  const double rowHeight = std::hypot(imageToTarget.xy, imageToTarget.yy);
  if (!interpolate && columnWidth >= 1 && rowHeight >= 1) return CAIRO_FILTER_NEAREST;
  return CAIRO_FILTER_GOOD;
}

}  // namespace

void TPDImageDevice::DrawImage(const TPDState& state, const TPDImageSource& image) {
  std::unique_ptr<TPDStream> inlineStream;
  TPDStream* stream = image.Stream;
  if (image.IsInline) {
    inlineStream = InlineImageStream(image);
    stream = inlineStream.get();
  }
  if (stream == nullptr) return;
  TPDObjectResolver* document = image.Dict != nullptr ? image.Dict->GetParentDoc() : nullptr;
  if (document == nullptr) document = stream->GetParentDoc();

  const cairo_matrix_t userToTarget = UserToTarget(state);
  if (!IsUsableMatrix(userToTarget) || !UnitSquareWithin(userToTarget, kMaxCoordinate)) return;

  TImageLimits limits;
  limits.max_pixels = kMaxImagePixels;
  TPDImage decoded(document, image.Resources, stream, image.IsInline, limits);
  TImageBitmap bitmap = decoded.ToBitmap();
  if (bitmap.IsEmpty() || bitmap.Width <= 0 || bitmap.Height <= 0) return;
  FitSurfaceLimits(bitmap);

  const bool stencil = bitmap.Format == ibfA8;
  SurfacePtr surface(cairo_image_surface_create_for_data(
                         bitmap.Data.data(), stencil ? CAIRO_FORMAT_A8 : CAIRO_FORMAT_ARGB32,
                         bitmap.Width, bitmap.Height, bitmap.Stride),
                     cairo_surface_destroy);
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return;
  PatternPtr pattern(cairo_pattern_create_for_surface(surface.get()), cairo_pattern_destroy);
  if (cairo_pattern_status(pattern.get()) != CAIRO_STATUS_SUCCESS) return;
  // Edge pixels are repeated outward so that interpolation does not fade the
  // border; the clip below keeps the image to its square.
  cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_PAD);

  // Image space: the bitmap's pixels, row 0 at user y = 1.
  cairo_matrix_t imageToTarget;
  cairo_matrix_init(&imageToTarget, 1.0 / bitmap.Width, 0, 0, -1.0 / bitmap.Height, 0, 1);
  cairo_matrix_multiply(&imageToTarget, &imageToTarget, &userToTarget);
  if (!IsUsableMatrix(imageToTarget)) return;
  cairo_pattern_set_filter(pattern.get(), ImageFilter(imageToTarget, decoded.IsInterpolated()));

  cairo_save(cr_);
  cairo_set_matrix(cr_, &imageToTarget);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, 0, 0, bitmap.Width, bitmap.Height);
  cairo_clip(cr_);
  if (stencil) {
    // Stencil masks paint the fill colour where their alpha is set.
    SetSource(state.GetFillRGB(), state.FillOpacity);
    cairo_mask(cr_, pattern.get());
  } else {
    cairo_set_source(cr_, pattern.get());
    const double opacity = std::isnan(state.FillOpacity) ? 1.0 : state.FillOpacity;
    cairo_paint_with_alpha(cr_, std::clamp(std::nearbyint(opacity * 255.0), 0.0, 255.0) / 255.0);
  }
  cairo_restore(cr_);
  // The surface borrows the bitmap's pixels: Cairo must be done with them
  // before they go.
  cairo_surface_finish(surface.get());
  CheckStatus();
}

}  // namespace qp::pdf
