#pragma once
// Drawing on the plate editor's preview image: a 2000 x 2000 raster whose
// words are 0xFFRRGGBB, so that a Qt RGB32 image can show it in place.

#include <cstdint>

#include "compiler/plate_raster.h"

namespace qp::app {

inline constexpr int kPreviewImageSide = 2000;
inline constexpr uint32_t kPreviewBlack = 0xFF000000u;
inline constexpr uint32_t kPreviewRed = 0xFFFF0000u;

void FillBlack(PlateRaster& image);

// Copies `source` to the top left of `image`; what lies outside is cut off.
void CopyToTopLeft(const PlateRaster& source, PlateRaster& image);

// Replaces every pixel of the top-left width x height part by its nearest
// plate palette colour, as the display will show it.
void MapToPlatePalette(PlateRaster& image, int width, int height);

// The one-pixel outline of the rectangle (x1, y1)-(x2, y2) whose right and
// bottom edges lie one pixel inside x2 and y2; corners in either order.
// Parts outside the image are left out; an empty rectangle draws nothing.
void DrawClipOutline(PlateRaster& image, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

}  // namespace qp::app
