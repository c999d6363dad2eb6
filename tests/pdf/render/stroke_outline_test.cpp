#include "pdf/render/stroke_outline.h"

#include "tests/pdf/render/coverage_test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace qp::pdf {
namespace {

struct Point {
  double x, y;
};

// The area (pixels) that the outline of a stroke covers, or -1 when the
// stroke is left to Cairo.
double OutlineArea(TStrokeOutline& outline, const TStrokeStyle& style) {
  TPathMask mask;
  if (!outline.Outline(style, mask)) return -1;
  return test::MaskArea(mask.Render(0, 0, 48, 48, false));
}

double StrokedArea(const std::vector<Point>& points, bool closed, const TStrokeStyle& style) {
  TStrokeOutline outline;
  outline.MoveTo(points[0].x, points[0].y);
  for (size_t i = 1; i < points.size(); ++i) outline.LineTo(points[i].x, points[i].y);
  if (closed) outline.Close();
  return OutlineArea(outline, style);
}

// Strokes of width 4 cover the areas their caps and joins give them.
TEST(StrokeOutline, CoversTheStrokedArea) {
  const TStrokeStyle butt{2, CAIRO_LINE_CAP_BUTT, CAIRO_LINE_JOIN_MITER, 10};
  TStrokeStyle square = butt, round = butt, bevel = butt, roundJoin = butt, lowLimit = butt;
  square.cap = CAIRO_LINE_CAP_SQUARE;
  round.cap = CAIRO_LINE_CAP_ROUND;
  bevel.join = CAIRO_LINE_JOIN_BEVEL;
  roundJoin.join = CAIRO_LINE_JOIN_ROUND;
  lowLimit.miterLimit = 1.4;  // below the square corner's 1.414: bevelled
  const std::vector<Point> line{{10, 10}, {30, 10}};
  const std::vector<Point> corner{{10, 10}, {30, 10}, {30, 30}};
  const std::vector<Point> box{{10, 10}, {30, 10}, {30, 30}, {10, 30}};
  struct Case {
    const char* name;
    const std::vector<Point>& points;
    bool closed;
    TStrokeStyle style;
    double area;
  };
  const Case cases[] = {
      {"butt caps", line, false, butt, 80},
      {"square caps", line, false, square, 96},
      {"round caps", line, false, round, 80 + M_PI * 4},
      {"miter join", corner, false, butt, 160},
      {"bevel join", corner, false, bevel, 158},
      {"miter beyond its limit", corner, false, lowLimit, 158},
      {"round join", corner, false, roundJoin, 156 + M_PI},
      {"closed square: a ring", box, true, butt, 24 * 24 - 16 * 16},
      {"the same going the other way", std::vector<Point>{{10, 10}, {10, 30}, {30, 30}, {30, 10}},
       true, butt, 24 * 24 - 16 * 16},
  };
  for (const Case& c : cases) {
    // Arcs are cut into chords, which lose a little of the area.
    EXPECT_NEAR(StrokedArea(c.points, c.closed, c.style), c.area, 0.5) << c.name;
  }
}

// A circle of four curves, radius 10, stroked 4 wide: a ring.
TEST(StrokeOutline, CurvesAreCutIntoChords) {
  const double r = 10, c = 0.5523 * r, x = 24, y = 24;
  TStrokeOutline outline;
  outline.MoveTo(x + r, y);
  outline.CurveTo(x + r, y + c, x + c, y + r, x, y + r);
  outline.CurveTo(x - c, y + r, x - r, y + c, x - r, y);
  outline.CurveTo(x - r, y - c, x - c, y - r, x, y - r);
  outline.CurveTo(x + c, y - r, x + r, y - c, x + r, y);
  outline.Close();
  const TStrokeStyle style{2, CAIRO_LINE_CAP_BUTT, CAIRO_LINE_JOIN_MITER, 10};
  EXPECT_NEAR(OutlineArea(outline, style), M_PI * (12 * 12 - 8 * 8), 1.5);
}

// The distance from (x, y) to the segment from a to b.
double Distance(double x, double y, Point a, Point b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double t = std::clamp(((x - a.x) * dx + (y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  return std::hypot(x - a.x - t * dx, y - a.y - t * dy);
}

// Jagged polylines of short segments, as contour lines are drawn, stroked
// with round caps and joins, agree with the points within half the width of
// the path (16 x 16 samples per pixel): where the inner side folds, the
// fold adds no hole and only a little to the edge pixels.
TEST(StrokeOutline, JaggedLinesAgreeWithSampling) {
  std::mt19937 random(11);
  // Steps of a fifth to two thirds of a pixel, turning up to 60 degrees
  // each.
  std::uniform_real_distribution<double> length(0.2, 0.67), turn(-1.05, 1.05), width(0.3, 1.5);
  constexpr int kSide = 48, kSamples = 16;
  for (int round = 0; round < 10; ++round) {
    std::vector<Point> points{{6, 24}};
    double heading = 0;
    while (points.back().x < 42) {
      heading = std::clamp(heading + turn(random), -1.2, 1.2);
      const double l = length(random);
      points.push_back(
          {points.back().x + l * std::cos(heading), points.back().y + l * std::sin(heading)});
    }
    const double hw = width(random);
    TStrokeOutline outline;
    outline.MoveTo(points[0].x, points[0].y);
    for (size_t i = 1; i < points.size(); ++i) outline.LineTo(points[i].x, points[i].y);
    TPathMask mask;
    ASSERT_TRUE(outline.Outline({hw, CAIRO_LINE_CAP_ROUND, CAIRO_LINE_JOIN_ROUND, 10}, mask));
    cairo_surface_t* surface = mask.Render(0, 0, kSide, kSide, false);
    ASSERT_NE(surface, nullptr);
    // The segments near the pixel in hand, gathered once per pixel.
    std::vector<size_t> near;
    int nearPixel = -1;
    auto inside = [&](double x, double y) {
      const int pixel = int(y) * kSide + int(x);
      if (pixel != nearPixel) {
        nearPixel = pixel;
        near.clear();
        for (size_t i = 0; i + 1 < points.size(); ++i) {
          if (Distance(int(x) + 0.5, int(y) + 0.5, points[i], points[i + 1]) <= hw + 0.75) {
            near.push_back(i);
          }
        }
      }
      return std::any_of(near.begin(), near.end(),
                         [&](size_t i) { return Distance(x, y, points[i], points[i + 1]) <= hw; });
    };
    const test::SampledError e = test::CompareToSamples(surface, kSamples, inside);
    cairo_surface_destroy(surface);
    EXPECT_LT(e.worstMissing, 0.08) << "line " << round;  // less ink than the pen leaves
    EXPECT_LT(e.mean, 0.003) << "line " << round;
  }
}

// What the outline cannot draw exactly is left to Cairo.
TEST(StrokeOutline, LeavesToCairo) {
  const TStrokeStyle style{2, CAIRO_LINE_CAP_ROUND, CAIRO_LINE_JOIN_MITER, 10};
  struct Case {
    const char* name;
    std::vector<Point> points;
  };
  const Case cases[] = {
      {"a single point", {{10, 10}, {10, 10}}},
      {"turning straight back", {{10, 10}, {30, 10}, {20, 10}}},
      {"a sharp inner corner beyond a short segment", {{10, 10}, {11, 10}, {10, 10.5}}},
  };
  for (const Case& c : cases) EXPECT_EQ(StrokedArea(c.points, false, style), -1) << c.name;
}

}  // namespace
}  // namespace qp::pdf
