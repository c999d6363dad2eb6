#pragma once
// The coverage of a filled path as an A8 surface, made by FreeType's outline
// rasteriser, which computes the exact area of each pixel that the path
// covers. Small fills (glyph outlines, symbols) cost far less this way than
// through Cairo's scan converter, and the edges are finer.

#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qp::pdf {

class TPathMask {
 public:
  // FreeType keeps point and contour counts in 16 bits.
  static constexpr size_t kMaxPoints = 32767;

  // Points in target pixels (y down).
  void Reset();
  void MoveTo(double x, double y);
  void LineTo(double x, double y);
  void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3);
  void Close() {}  // every contour of a fill is closed

  bool Empty() const { return points_.empty(); }
  // The box of every point, control points included.
  double Left() const { return left_; }
  double Top() const { return top_; }
  double Right() const { return right_; }
  double Bottom() const { return bottom_; }

  // The coverage of the pixels [x0, x1) x [y0, y1), the box lying within
  // kMaxReach pixels of every point; nullptr when it cannot be made (the
  // caller fills another way). The caller destroys the surface.
  static constexpr double kMaxReach = 1 << 20;
  cairo_surface_t* Render(int x0, int y0, int x1, int y1, bool evenOdd);

  // Lays `argb` (opaque) through coverage `mask` onto the RGB24 pixels of
  // `target` whose top-left lies at (x, y), within `box` (target pixels), as
  // Cairo's OVER does it.
  struct Box {
    int x0, y0, x1, y1;
  };
  static void Blend(cairo_surface_t* target, cairo_surface_t* mask, int x, int y, const Box& box,
                    uint32_t argb);

 private:
  struct Point {
    double x, y;
  };
  void Add(double x, double y, char tag);

  std::vector<Point> points_;
  std::vector<char> tags_;
  std::vector<short> contour_ends_;
  std::vector<FT_Vector> vectors_;  // the points in FreeType's form, kept for the next fill
  double left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
};

}  // namespace qp::pdf
