#pragma once
// Rendering through the document facade: the page, with its rotation, drawn
// into a target of aWidth × aHeight pixels at aWidth / page width pixels per
// unit in both directions (the vertical factor times aYStretch), its
// top-left corner at the target's.

#include <cairo.h>

#include <cstdint>

#include "pdf/core/pdf_facade.h"

namespace qp::pdf {

// Draws into `target` (a cairo surface; nothing records and discards). Does
// nothing when no document is loaded. False when the page ran out of time
// and was drawn only in part (see RenderToCanvas).
bool RenderToDC(TPDFDocument& document, cairo_surface_t* target, uint32_t aWidth, uint32_t aHeight,
                int aPageNum, double axDPI = 72.0, double ayDPI = 72.0, int aRotationAngle = 0,
                bool aAntiAliasing = true, bool aForPrinting = false, double aYStretch = 1.0);

// The same into an RGB24 buffer (one native word 0x00RRGGBB per pixel, rows
// `stride` bytes apart) of at least aWidth × aHeight pixels.
bool RenderToDC(TPDFDocument& document, uint8_t* rgb24, int stride, uint32_t aWidth,
                uint32_t aHeight, int aPageNum, double axDPI = 72.0, double ayDPI = 72.0,
                int aRotationAngle = 0, bool aAntiAliasing = true, bool aForPrinting = false,
                double aYStretch = 1.0);

}  // namespace qp::pdf
