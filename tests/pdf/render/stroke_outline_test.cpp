#include "pdf/render/stroke_outline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace qp::pdf {
namespace {

struct Point {
  double x, y;
};

// The area (pixels) that the outline of a stroke of `points` covers, or -1
// when the outline is left to Cairo.
double StrokedArea(const std::vector<Point>& points, bool closed, const TStrokeStyle& style,
                   bool curve = false) {
  TStrokeOutline outline;
  outline.MoveTo(points[0].x, points[0].y);
  for (size_t i = 1; i < points.size(); ++i) outline.LineTo(points[i].x, points[i].y);
  if (curve) outline.CurveTo(0, 0, 1, 1, 2, 2);
  if (closed) outline.Close();
  TPathMask mask;
  if (!outline.Outline(style, mask)) return -1;
  cairo_surface_t* surface = mask.Render(0, 0, 48, 48, false);
  if (!surface) return -1;
  const uint8_t* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  double sum = 0;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 48; ++x) sum += data[y * stride + x] / 255.0;
  }
  cairo_surface_destroy(surface);
  return sum;
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

// What the outline cannot draw exactly is left to Cairo.
TEST(StrokeOutline, LeavesToCairo) {
  const TStrokeStyle style{2, CAIRO_LINE_CAP_ROUND, CAIRO_LINE_JOIN_MITER, 10};
  struct Case {
    const char* name;
    std::vector<Point> points;
    bool curve;
  };
  const Case cases[] = {
      {"a single point", {{10, 10}, {10, 10}}, false},
      {"turning straight back", {{10, 10}, {30, 10}, {20, 10}}, false},
      {"an inner corner beyond a short segment", {{10, 10}, {11, 10}, {11, 30}}, false},
      {"a curve", {{10, 10}, {30, 10}}, true},
  };
  for (const Case& c : cases) EXPECT_EQ(StrokedArea(c.points, false, style, c.curve), -1) << c.name;
}

}  // namespace
}  // namespace qp::pdf
