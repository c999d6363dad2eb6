#pragma once
// The clip rectangle's outline as the plate editor draws it over a preview:
// one pixel wide, pure red, its right and bottom edges one pixel inside the
// rectangle's Right and Bottom.

#include "compiler/geo_reference.h"
#include "compiler/plate_raster.h"

namespace qp {

constexpr uint32_t kClipOutlineColour = 0x0000FF;  // 0x00BBGGRR: pure red

// Draws the outline of (Left, Top)-(Right, Bottom) into `raster`; the parts
// outside the raster are left out. The corners may come in either order.
void DrawClipOutline(PlateRaster& raster, const ClipRect& rect);

}  // namespace qp
