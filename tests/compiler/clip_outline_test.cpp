#include "compiler/clip_outline.h"

#include <gtest/gtest.h>

#include <string>

namespace qp {
namespace {

// The raster as text: 'r' for outline pixels, '.' for untouched ones.
std::string Picture(const PlateRaster& r) {
  std::string text;
  for (int y = 0; y < r.Height(); ++y) {
    for (int x = 0; x < r.Width(); ++x) {
      text += r.Pixel(x, y) == kClipOutlineColour ? 'r' : '.';
    }
    text += '\n';
  }
  return text;
}

TEST(ClipOutline, RightAndBottomEdgesLieOnePixelInside) {
  const struct {
    ClipRect rect;
    const char* picture;
  } cases[] = {
      {{1, 1, 4, 4}, ".....\n.rrr.\n.r.r.\n.rrr.\n.....\n"},
      {{4, 4, 1, 1}, ".....\n.rrr.\n.r.r.\n.rrr.\n.....\n"},   // corners swapped
      {{1, 2, 2, 3}, ".....\n.....\n.r...\n.....\n.....\n"},   // one pixel
      {{2, 2, 2, 4}, ".....\n.....\n.....\n.....\n.....\n"},   // no width
      {{-3, 3, 9, 9}, ".....\n.....\n.....\nrrrrr\n.....\n"},  // partly outside
      {{-100, -100, 100, 100}, ".....\n.....\n.....\n.....\n.....\n"},
      {{INT32_MIN, 0, INT32_MAX, 2}, "rrrrr\nrrrrr\n.....\n.....\n.....\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.picture);
    PlateRaster raster(5, 5);
    DrawClipOutline(raster, c.rect);
    EXPECT_EQ(Picture(raster), c.picture);
  }
}

}  // namespace
}  // namespace qp
