#include "app/core/preview_image.h"

#include <algorithm>

#include "compiler/palette.h"

namespace qp::app {

void FillBlack(PlateRaster& image) {
  for (int y = 0; y < image.Height(); ++y) std::fill_n(image.Row(y), image.Width(), kPreviewBlack);
}

void CopyToTopLeft(const PlateRaster& source, PlateRaster& image) {
  const int width = std::min(source.Width(), image.Width());
  const int height = std::min(source.Height(), image.Height());
  for (int y = 0; y < height; ++y) {
    const uint32_t* from = source.Row(y);
    uint32_t* to = image.Row(y);
    for (int x = 0; x < width; ++x) to[x] = from[x] | 0xFF000000u;
  }
}

void MapToPlatePalette(PlateRaster& image, int width, int height) {
  width = std::clamp(width, 0, image.Width());
  height = std::clamp(height, 0, image.Height());
  const PaletteMatcher& matcher = PlatePaletteMatcher();
  const PlatePaletteTable& palette = PlatePalette();
  for (int y = 0; y < height; ++y) {
    uint32_t* row = image.Row(y);
    for (int x = 0; x < width; ++x) {
      const uint32_t colour = PlateRaster::NativeToColour(row[x]);
      row[x] = PlateRaster::ColourToNative(palette.entries[matcher.Match(colour)]) | 0xFF000000u;
    }
  }
}

void DrawClipOutline(PlateRaster& image, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  // 64-bit so that no field value can overflow the edge arithmetic.
  const int64_t left = std::min(x1, x2);
  const int64_t top = std::min(y1, y2);
  const int64_t right = int64_t{std::max(x1, x2)} - 1;
  const int64_t bottom = int64_t{std::max(y1, y2)} - 1;
  if (right < left || bottom < top) return;
  const int64_t w = image.Width();
  const int64_t h = image.Height();
  const auto horizontal = [&](int64_t y) {
    if (y < 0 || y >= h) return;
    for (int64_t x = std::max<int64_t>(left, 0); x <= std::min(right, w - 1); ++x)
      image.Row(static_cast<int>(y))[x] = kPreviewRed;
  };
  const auto vertical = [&](int64_t x) {
    if (x < 0 || x >= w) return;
    for (int64_t y = std::max<int64_t>(top, 0); y <= std::min(bottom, h - 1); ++y)
      image.Row(static_cast<int>(y))[x] = kPreviewRed;
  };
  horizontal(top);
  horizontal(bottom);
  vertical(left);
  vertical(right);
}

}  // namespace qp::app
