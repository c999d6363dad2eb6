#include "compiler/clip_outline.h"

#include <algorithm>
#include <cstdint>

namespace qp {

namespace {

void HorizontalLine(PlateRaster& r, int64_t y, int64_t x1, int64_t x2) {
  if (y < 0 || y >= r.Height()) return;
  const int64_t from = std::max<int64_t>(x1, 0), to = std::min<int64_t>(x2, r.Width() - 1);
  for (int64_t x = from; x <= to; ++x) r.SetPixel(int(x), int(y), kClipOutlineColour);
}

void VerticalLine(PlateRaster& r, int64_t x, int64_t y1, int64_t y2) {
  if (x < 0 || x >= r.Width()) return;
  const int64_t from = std::max<int64_t>(y1, 0), to = std::min<int64_t>(y2, r.Height() - 1);
  for (int64_t y = from; y <= to; ++y) r.SetPixel(int(x), int(y), kClipOutlineColour);
}

}  // namespace

void DrawClipOutline(PlateRaster& raster, const ClipRect& rect) {
  // A rectangle outline covers Left..Right-1 by Top..Bottom-1, whichever
  // way round its corners were given.
  const int64_t left = std::min<int64_t>(rect.Left, rect.Right);
  const int64_t right = std::max<int64_t>(rect.Left, rect.Right) - 1;
  const int64_t top = std::min<int64_t>(rect.Top, rect.Bottom);
  const int64_t bottom = std::max<int64_t>(rect.Top, rect.Bottom) - 1;
  if (right < left || bottom < top) return;
  HorizontalLine(raster, top, left, right);
  HorizontalLine(raster, bottom, left, right);
  VerticalLine(raster, left, top, bottom);
  VerticalLine(raster, right, top, bottom);
}

}  // namespace qp
