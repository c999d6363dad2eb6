#pragma once
// The render entry: shows one page of a loaded document on a device, and
// renders a page into a cairo target of a given pixel size.

#include <cairo.h>

#include <cstdint>
#include <optional>

#include "pdf/core/pdf_document.h"
#include "pdf/render/pdf_export_device.h"

namespace qp::pdf {

// The caller's rotation plus the page's, brought into 0..359 by one step;
// only 90, 180 and 270 are told apart, anything else gives 0.
int EffectiveRotation(int callerRotation, int32_t pageRotation);

// Shows page `pageNum` (1-based) on `device`: page start, every content
// stream in order (operands and state carried from one stream to the next;
// an exception ends only its stream), the visible annotations, page
// end. False, with nothing shown, for a page with neither contents nor
// annotations. Raises
// EInvalidPageError for a page number out of range.
bool DisplayPage(TPDDocument& doc, TPDExportDevice& device, int pageNum, double hDPI, double vDPI,
                 int rotate, bool renderAnnots = true);

// Renders page `pageNum` into the rectangle (0, 0, width, height) of `cr`:
// white, then the page drawn at (xDPI, yDPI) and scaled at vector precision
// by width / page width in both directions (the vertical factor times
// `yStretch`), its top-left corner at the rectangle's; a height more than a
// pixel away from the page's at that factor gets the factor that fills it.
// A page with neither contents nor annotations leaves the target untouched.
// `cr` may be nothing: the page is then drawn on a scratch surface and
// dropped. Raises EGPLoadError when Cairo fails. False when interpreting
// the page ran past TPDFormBudget::kMaxTime and stopped: what was drawn by
// then stays.
bool RenderToCanvas(TPDDocument& doc, cairo_t* cr, int pageNum, uint32_t width, uint32_t height,
                    double xDPI, double yDPI, int rotationAngle, bool antiAliasing, bool printing,
                    double yStretch = 1.0);

// Where RenderToCanvas puts the points of the page's default user space in a
// target of width x height pixels when the page's rotation is `pageRotation`
// degrees and the caller adds none: the matrix to target pixels (x right,
// y down), or std::nullopt for a page of no size. Raises EInvalidPageError
// as above.
std::optional<TPDMatrix> PageToCanvasMatrix(TPDDocument& doc, int pageNum, uint32_t width,
                                            uint32_t height, int pageRotation,
                                            double yStretch = 1.0);

}  // namespace qp::pdf
