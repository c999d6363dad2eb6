#pragma once
// The outline of a stroke made of straight segments under a round pen, as
// closed contours that fill (nonzero) exactly the stroked area: each side of
// a subpath is offset by half the width, outer corners get the join, inner
// corners the point where the two offset sides meet, and open ends the caps.
// Charts stroke thousands of thin lines; filling their outlines through a
// coverage mask is much cheaper than Cairo's stroker and scan converter.

#include <cairo.h>

#include <vector>

#include "pdf/render/path_mask.h"

namespace qp::pdf {

struct TStrokeStyle {
  double halfWidth = 0.5;  // target pixels
  cairo_line_cap_t cap = CAIRO_LINE_CAP_BUTT;
  cairo_line_join_t join = CAIRO_LINE_JOIN_MITER;
  double miterLimit = 10;
};

class TStrokeOutline {
 public:
  // The path, in target pixels (the sink of the device's path walk).
  void Reset();
  void MoveTo(double x, double y);
  void LineTo(double x, double y);
  // Curves are cut into chords, as TPathMask cuts them.
  void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3);
  void Close();

  // Adds the outline to `mask`. False, with `mask` in any state, when the
  // stroke is left to Cairo: a subpath of a single point (a dot or
  // a square under some caps), a segment turning straight back, or a sharp
  // inner corner reaching beyond its segments (short segments under a wide
  // pen).
  bool Outline(const TStrokeStyle& style, TPathMask& mask);

  // Round caps and joins stray at most this far (pixels) from the circle.
  static constexpr double kFlatness = 0.05;
  // The inner side may fold back over the band by this many half widths at a
  // corner whose inner point lies within as many half widths of the path.
  static constexpr double kFoldReach = 2;

 private:
  struct Point {
    double x, y;
  };
  struct Subpath {
    size_t first;
    size_t count;
    bool closed;
  };
  bool OutlineSubpath(const Subpath& subpath, const TStrokeStyle& style, TPathMask& mask);
  // Appends the points of an arc of radius `r` round `centre` from angle
  // `from`, turning by `sweep` (radians), its first point excluded.
  void Arc(Point centre, double r, double from, double sweep, std::vector<Point>& out) const;

  std::vector<Point> points_;
  std::vector<Subpath> subpaths_;
  // Scratch of the subpath in hand.
  std::vector<Point> vertices_, directions_, left_, right_;
  std::vector<double> lengths_;
};

}  // namespace qp::pdf
