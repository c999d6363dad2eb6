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
#include "pdf/core/pdf_resource_cache.h"
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

// How many image pixels of one side to average into one: the nearest whole
// number of image pixels per target pixel (`pixelSize` is target pixels per
// image pixel), and at least what keeps the side within Cairo's limit.
int ReductionFactor(double pixelSize, int side) {
  int factor = 1;
  if (pixelSize > 0 && pixelSize < 1) {
    factor = static_cast<int>(std::clamp(std::nearbyint(1 / pixelSize), 1.0, double(side)));
  }
  const int minimum = (side + kMaxSurfaceSide - 1) / kMaxSurfaceSide;
  return std::max(factor, minimum);
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

// Images enlarged more than twice keep their pixels sharp unless they ask to
// be smoothed (/Interpolate): scans and dithered 1-bit images would otherwise
// blur. Smaller enlargements are smoothed, as other viewers do, so that a
// column doubled here and there does not thicken lines; reduced images are
// filtered so that no detail turns into aliasing.
constexpr double kSharpScale = 2;
cairo_filter_t ImageFilter(const cairo_matrix_t& imageToTarget, bool interpolate) {
  const double columnWidth = std::hypot(imageToTarget.xx, imageToTarget.yx);
  const double rowHeight = std::hypot(imageToTarget.xy, imageToTarget.yy);
  if (!interpolate && (columnWidth > kSharpScale || rowHeight > kSharpScale)) {
    return CAIRO_FILTER_NEAREST;
  }
  return CAIRO_FILTER_GOOD;
}

}  // namespace

std::shared_ptr<TImageBitmap> TPDImageDevice::CachedImage(const TPDStream* stream, int rx,
                                                          int ry) const {
  if (resource_cache_ && resource_cache_->Enabled()) {
    return resource_cache_->Find<TImageBitmap>({stream, TPDResourceCache::Kind::kImage, rx, ry});
  }
  const auto it = image_cache_.find({stream, rx, ry});
  return it == image_cache_.end() ? nullptr : it->second;
}

void TPDImageDevice::KeepImage(const TPDStream* stream, int rx, int ry,
                               std::shared_ptr<TImageBitmap> bitmap) {
  const size_t bytes = bitmap->Data.size();
  if (resource_cache_ && resource_cache_->Enabled()) {
    resource_cache_->Keep({stream, TPDResourceCache::Kind::kImage, rx, ry}, std::move(bitmap),
                          bytes + sizeof(TImageBitmap));
    return;
  }
  if (bytes > kImageCacheBytes - image_cache_bytes_) return;
  image_cache_bytes_ += bytes;
  image_cache_.emplace(ImageKey{stream, rx, ry}, std::move(bitmap));
}

void TPDImageDevice::KeepPatternMask(cairo_surface_t* surface, cairo_pattern_t* pattern,
                                     const cairo_matrix_t& imageToTarget) {
  const int w = cairo_image_surface_get_width(surface);
  const int h = cairo_image_surface_get_height(surface);
  SurfacePtr copy(cairo_image_surface_create(CAIRO_FORMAT_A8, w, h), cairo_surface_destroy);
  if (cairo_surface_status(copy.get()) != CAIRO_STATUS_SUCCESS) return;
  cairo_t* c = cairo_create(copy.get());
  cairo_set_operator(c, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(c, surface, 0, 0);
  cairo_paint(c);
  cairo_destroy(c);
  pattern_mask_.reset(cairo_pattern_create_for_surface(copy.get()));
  cairo_pattern_set_filter(pattern_mask_.get(), cairo_pattern_get_filter(pattern));
  cairo_matrix_t targetToImage = imageToTarget;
  cairo_matrix_invert(&targetToImage);
  cairo_pattern_set_matrix(pattern_mask_.get(), &targetToImage);
}

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
  // Images drawn much smaller than their data are averaged by whole blocks
  // first (while decoding where the image allows), which leaves Cairo a
  // reduction small enough for bilinear filtering. The decoded bitmap is
  // kept for later draws of the same image at the same reduction.
  const double targetWidth = std::hypot(userToTarget.xx, userToTarget.yx);
  const double targetHeight = std::hypot(userToTarget.xy, userToTarget.yy);
  const int width = decoded.GetWidth(), height = decoded.GetHeight();
  const bool reducible = width > 0 && height > 0 && !decoded.IsJpx();
  const int rx = reducible ? ReductionFactor(targetWidth / width, width) : 1;
  const int ry = reducible ? ReductionFactor(targetHeight / height, height) : 1;
  std::shared_ptr<TImageBitmap> decodedBitmap = CachedImage(stream, rx, ry);
  if (!decodedBitmap) {
    decodedBitmap = std::make_shared<TImageBitmap>(decoded.ToBitmap(rx, ry));
    if (!image.IsInline) KeepImage(stream, rx, ry, decodedBitmap);
  }
  TImageBitmap* shown = decodedBitmap.get();
  if (shown->IsEmpty() || shown->Width <= 0 || shown->Height <= 0) return;
  // What is left: masked and stencil images, JPEG 2000 images whose data
  // gave another size.
  const int kx = ReductionFactor(targetWidth / shown->Width, shown->Width);
  const int ky = ReductionFactor(targetHeight / shown->Height, shown->Height);
  const bool reduced = kx > 1 || ky > 1 || shown->Width < width || shown->Height < height;
  TImageBitmap reducedBitmap;
  if (kx > 1 || ky > 1) {
    reducedBitmap = ReduceBitmap(*shown, kx, ky);
    shown = &reducedBitmap;
  }
  TImageBitmap& bitmap = *shown;

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
  // A reduced image was drawn smaller than its data: it is filtered, whatever
  // small enlargement is left.
  cairo_pattern_set_filter(pattern.get(),
                           ImageFilter(imageToTarget, reduced || decoded.IsInterpolated()));

  const bool grouped = BeginPaint(state);
  cairo_save(cr_);
  cairo_set_matrix(cr_, &imageToTarget);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, 0, 0, bitmap.Width, bitmap.Height);
  cairo_clip(cr_);
  if (stencil && state.FillColorSpace && state.FillColorSpace->GetMode() == csPattern) {
    // A pattern paints through the mask next (ClipToArea): a copy of it is
    // kept, placed in target pixels.
    KeepPatternMask(surface.get(), pattern.get(), imageToTarget);
  } else if (stencil) {
    // Stencil masks paint the fill colour where their alpha is set.
    SetSource(state.GetFillRGB(), state.FillOpacity);
    cairo_mask(cr_, pattern.get());
  } else {
    cairo_set_source(cr_, pattern.get());
    const double opacity = std::isnan(state.FillOpacity) ? 1.0 : state.FillOpacity;
    cairo_paint_with_alpha(cr_, std::clamp(std::nearbyint(opacity * 255.0), 0.0, 255.0) / 255.0);
  }
  cairo_restore(cr_);
  EndPaint(state, grouped);
  // The surface borrows the bitmap's pixels: Cairo must be done with them
  // before they go.
  cairo_surface_finish(surface.get());
  CheckStatus();
}

}  // namespace qp::pdf
