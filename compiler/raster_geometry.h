#pragma once
// Sizing a rendered raster so that a clip rectangle drawn on the preview
// comes out at the preview's size.

#include <cstdint>

#include "compiler/geo_reference.h"

namespace qp {

struct ClipEnlargement {
  int64_t Width = 0;  // raster size to render
  int64_t Height = 0;
  ClipRect Clip;  // the build clip rectangle in pixels of that raster
  // The vertical enlargement over the horizontal one: the page is drawn so
  // much taller than its proportions so that the rectangle keeps covering
  // what it covered on the preview.
  double YStretch = 1.0;
};

// For a preview of width x height with a clip rectangle in preview pixels:
// when `clip` is set and the rectangle is non-empty, the raster is scaled by
// width / clip width horizontally and height / clip height vertically, and
// the rectangle with it; otherwise size and rectangle stay as they are.
ClipEnlargement EnlargeForClip(int64_t width, int64_t height, bool clip, const ClipRect& rect);

}  // namespace qp
