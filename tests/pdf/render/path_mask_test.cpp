#include "pdf/render/path_mask.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace qp::pdf {
namespace {

// The covered area of a path, in pixels, summed from its mask.
double CoveredArea(TPathMask& path, int x0, int y0, int x1, int y1, bool evenOdd) {
  cairo_surface_t* mask = path.Render(x0, y0, x1, y1, evenOdd);
  if (!mask) return -1;
  const uint8_t* data = cairo_image_surface_get_data(mask);
  const int stride = cairo_image_surface_get_stride(mask);
  double sum = 0;
  for (int y = 0; y < y1 - y0; ++y) {
    for (int x = 0; x < x1 - x0; ++x) sum += data[y * stride + x] / 255.0;
  }
  cairo_surface_destroy(mask);
  return sum;
}

void Square(TPathMask& path, double x, double y, double side, bool clockwise) {
  path.MoveTo(x, y);
  if (clockwise) {
    path.LineTo(x + side, y), path.LineTo(x + side, y + side), path.LineTo(x, y + side);
  } else {
    path.LineTo(x, y + side), path.LineTo(x + side, y + side), path.LineTo(x + side, y);
  }
}

// The coverage of each pixel adds up to the path's area, with either fill
// rule, for lines and curves and at fractions of a pixel.
TEST(PathMask, CoverageAddsUpToTheArea) {
  struct Case {
    const char* name;
    std::function<void(TPathMask&)> draw;
    bool evenOdd;
    double area;
  };
  const double k = 0.5523;  // control point distance of a quarter circle of radius 1
  const Case cases[] = {
      {"square at fractions of a pixel", [](TPathMask& p) { Square(p, 2.3, 3.6, 10.25, true); },
       false, 10.25 * 10.25},
      {"triangle", [](TPathMask& p) { p.MoveTo(1, 1), p.LineTo(21, 1), p.LineTo(1, 11); }, false,
       100},
      {"ring, even-odd", [](TPathMask& p) { Square(p, 0, 0, 20, true), Square(p, 5, 5, 10, true); },
       true, 300},
      {"ring, nonzero with the inner square reversed",
       [](TPathMask& p) { Square(p, 0, 0, 20, true), Square(p, 5, 5, 10, false); }, false, 300},
      {"overlapping squares, nonzero: their union",
       [](TPathMask& p) { Square(p, 0, 0, 10, true), Square(p, 5, 0, 10, true); }, false, 150},
      {"circle of curves",
       [k](TPathMask& p) {
         const double r = 8, cx = 10, cy = 10, c = k * r;
         p.MoveTo(cx + r, cy);
         p.CurveTo(cx + r, cy + c, cx + c, cy + r, cx, cy + r);
         p.CurveTo(cx - c, cy + r, cx - r, cy + c, cx - r, cy);
         p.CurveTo(cx - r, cy - c, cx - c, cy - r, cx, cy - r);
         p.CurveTo(cx + c, cy - r, cx + r, cy - c, cx + r, cy);
       },
       false, M_PI * 64},
  };
  for (const Case& c : cases) {
    TPathMask path;
    c.draw(path);
    // Curves are flattened into chords, which lose a little of the area.
    EXPECT_NEAR(CoveredArea(path, 0, 0, 24, 24, c.evenOdd), c.area, 0.02 * c.area + 0.5) << c.name;
  }
}

TEST(PathMask, OnlyTheRequestedBoxIsRendered) {
  TPathMask path;
  Square(path, 0, 0, 20, true);
  EXPECT_NEAR(CoveredArea(path, 5, 5, 10, 8, false), 15, 0.1);
  // Points far beyond the box are left to another filler.
  path.LineTo(5e6, 10);
  EXPECT_EQ(CoveredArea(path, 0, 0, 20, 20, false), -1);
}

}  // namespace
}  // namespace qp::pdf
