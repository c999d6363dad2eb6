#include "pdf/render/path_mask.h"

#include "tests/pdf/render/coverage_test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

namespace qp::pdf {
namespace {

// The covered area of a path, in pixels, summed from its mask.
double CoveredArea(TPathMask& path, int x0, int y0, int x1, int y1, bool evenOdd) {
  return test::MaskArea(path.Render(x0, y0, x1, y1, evenOdd));
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
      // Windings of 2 and more: folded under even-odd, held at full under
      // nonzero, in the wide rows that are summed four pixels at a time.
      {"square twice, even-odd: empty",
       [](TPathMask& p) { Square(p, 0, 0, 20, true), Square(p, 0, 0, 20, true); }, true, 0},
      {"square three times, even-odd",
       [](TPathMask& p) {
         for (int i = 0; i < 3; ++i) Square(p, 0, 0, 20, true);
       },
       true, 400},
      {"square five times, nonzero",
       [](TPathMask& p) {
         for (int i = 0; i < 5; ++i) Square(p, 0, 0, 20, true);
       },
       false, 400},
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

// The winding number of a polygon at (x, y).
int Winding(const std::vector<std::pair<double, double>>& polygon, double x, double y) {
  int winding = 0;
  for (size_t i = 0; i < polygon.size(); ++i) {
    const auto [x0, y0] = polygon[i];
    const auto [x1, y1] = polygon[(i + 1) % polygon.size()];
    if ((y0 <= y) != (y1 <= y)) {
      const double crossing = x0 + (y - y0) * (x1 - x0) / (y1 - y0);
      if (crossing > x) winding += y1 > y0 ? 1 : -1;
    }
  }
  return winding;
}

// Random simple polygons (stars around a point), many reaching past every
// side of the box, turning either way, agree pixel by pixel with 32 x 32
// samples per pixel. (Where edges cross inside a pixel, areas of opposite
// winding cancel: exact-area rasterisers all approximate there.)
TEST(PathMask, CoverageAgreesWithSampling) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> centre(0, 20), radius(1, 16), unit(0, 1);
  std::uniform_int_distribution<int> corners(3, 12);
  constexpr int kSide = 20, kSamples = 32;
  for (int round = 0; round < 40; ++round) {
    const double cx = centre(random), cy = centre(random);
    std::vector<double> angles(corners(random));
    for (double& a : angles) a = unit(random) * 2 * M_PI;
    std::sort(angles.begin(), angles.end());
    if (round % 4 >= 2) std::reverse(angles.begin(), angles.end());
    std::vector<std::pair<double, double>> polygon;
    for (const double a : angles) {
      const double r = radius(random);
      polygon.emplace_back(cx + r * std::cos(a), cy + r * std::sin(a));
    }
    const bool evenOdd = round % 2 == 1;
    TPathMask path;
    path.MoveTo(polygon[0].first, polygon[0].second);
    for (size_t i = 1; i < polygon.size(); ++i) path.LineTo(polygon[i].first, polygon[i].second);
    cairo_surface_t* mask = path.Render(0, 0, kSide, kSide, evenOdd);
    ASSERT_NE(mask, nullptr);
    const test::SampledError e = test::CompareToSamples(mask, kSamples, [&](double x, double y) {
      const int w = Winding(polygon, x, y);
      return evenOdd ? (w & 1) != 0 : w != 0;
    });
    cairo_surface_destroy(mask);
    EXPECT_LT(std::max(e.worstMissing, e.worstExtra), 0.03) << "polygon " << round;
    EXPECT_LT(e.mean, 0.002) << "polygon " << round;
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

// Blend lays a colour through the coverage as Cairo's OVER does, channel by
// channel, on every pixel of the box and on no other.
TEST(PathMask, BlendMatchesOverChannelByChannel) {
  constexpr int kWidth = 23, kHeight = 5;
  std::mt19937 random(3);
  cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, kWidth, kHeight);
  uint32_t* pixels = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(target));
  uint8_t* coverage = cairo_image_surface_get_data(mask);
  const int stride = cairo_image_surface_get_stride(target) / 4;
  const int maskStride = cairo_image_surface_get_stride(mask);
  std::vector<uint32_t> before(size_t(stride) * kHeight);
  for (uint32_t& p : before) p = random();
  std::copy(before.begin(), before.end(), pixels);
  // Runs of empty and full coverage among partial values.
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t r = random() % 4;
      coverage[y * maskStride + x] = r == 0 ? 0 : r == 1 ? 255 : uint8_t(random());
    }
  }
  const uint32_t colour = 0x3C82E1;
  const TPathMask::Box box{1, 1, kWidth - 1, kHeight};
  TPathMask::Blend(target, {coverage, maskStride, kWidth, kHeight}, 0, 0, box, colour);
  auto multiply = [](uint32_t a, uint32_t b) {
    const uint32_t t = a * b + 0x80;
    return ((t >> 8) + t) >> 8;
  };
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t d = before[y * stride + x], a = coverage[y * maskStride + x];
      uint32_t want = d;
      if (x >= box.x0 && x < box.x1 && y >= box.y0 && y < box.y1) {
        want = 0;
        for (int shift = 0; shift < 32; shift += 8) {
          const uint32_t s = ((colour | 0xFF000000u) >> shift) & 0xFF;
          want |= std::min<uint32_t>(255, multiply(s, a) + multiply((d >> shift) & 0xFF, 255 - a))
                  << shift;
        }
      }
      EXPECT_EQ(pixels[y * stride + x], want) << x << ", " << y;
    }
  }
  cairo_surface_destroy(mask);
  cairo_surface_destroy(target);
}

}  // namespace
}  // namespace qp::pdf
