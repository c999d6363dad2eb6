#include "pdf/render/render_to_dc.h"

#include <memory>

#include "pdf/render/pdf_render.h"
#include "pdf/render/pdf_render_errors.h"

namespace qp::pdf {

bool RenderToDC(TPDFDocument& document, cairo_surface_t* target, uint32_t aWidth, uint32_t aHeight,
                int aPageNum, double axDPI, double ayDPI, int aRotationAngle, bool aAntiAliasing,
                bool aForPrinting, double aYStretch) {
  TPDDocument* doc = document.Document();
  if (!document.IsLoaded() || !doc) return true;
  if (!target) {
    return RenderToCanvas(*doc, nullptr, aPageNum, aWidth, aHeight, axDPI, ayDPI, aRotationAngle,
                          aAntiAliasing, aForPrinting, aYStretch);
  }
  std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(target), cairo_destroy);
  const bool complete = RenderToCanvas(*doc, cr.get(), aPageNum, aWidth, aHeight, axDPI, ayDPI,
                                       aRotationAngle, aAntiAliasing, aForPrinting, aYStretch);
  cairo_surface_flush(target);
  return complete;
}

bool RenderToDC(TPDFDocument& document, uint8_t* rgb24, int stride, uint32_t aWidth,
                uint32_t aHeight, int aPageNum, double axDPI, double ayDPI, int aRotationAngle,
                bool aAntiAliasing, bool aForPrinting, double aYStretch) {
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      cairo_image_surface_create_for_data(rgb24, CAIRO_FORMAT_RGB24, static_cast<int>(aWidth),
                                          static_cast<int>(aHeight), stride),
      cairo_surface_destroy);
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    throw EGPLoadError(cairo_status_to_string(cairo_surface_status(surface.get())));
  }
  return RenderToDC(document, surface.get(), aWidth, aHeight, aPageNum, axDPI, ayDPI,
                    aRotationAngle, aAntiAliasing, aForPrinting, aYStretch);
}

}  // namespace qp::pdf
