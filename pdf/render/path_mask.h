#pragma once
// The coverage of a filled path as an A8 surface, computed as the exact area
// of each pixel that the path covers: each edge adds its signed area and
// cover to a row buffer, and a running sum along the row gives the winding
// coverage of each pixel. Small fills (glyph outlines, symbols) cost far less
// this way than through Cairo's scan converter, and the edges are finer.

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qp::pdf {

class TPathMask {
 public:
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
  // caller fills another way). The surface lays over this object's memory:
  // the caller destroys it before the next Render.
  // Without `clearOutsideSpans` the pixels outside Spans() keep what an
  // earlier render left until ClearOutsideSpans(): a thin stroke across a
  // large box then costs only the pixels along it.
  static constexpr double kMaxReach = 1 << 20;
  cairo_surface_t* Render(int x0, int y0, int x1, int y1, bool evenOdd,
                          bool clearOutsideSpans = true);
  // The same kept in this object's memory, without a surface: false when it
  // cannot be made.
  bool RenderCoverage(int x0, int y0, int x1, int y1, bool evenOdd, bool clearOutsideSpans = true);
  // The A8 pixels of the last render.
  struct Coverage {
    const unsigned char* data;
    int stride, width, height;
  };
  Coverage LastCoverage() const { return {coverage_.data(), coverage_stride_, width_, height_}; }
  // A surface over the last render's pixels, or nullptr.
  cairo_surface_t* CoverageSurface();
  void ClearOutsideSpans();

  // Of each row of the last render, the pixels that may be covered: none
  // lie outside [start, end).
  struct RowSpan {
    int start, end;
  };
  const std::vector<RowSpan>& Spans() const { return spans_; }

  // Lays `argb` (opaque) through coverage `mask` onto the RGB24 pixels of
  // `target` whose top-left lies at (x, y), within `box` (target pixels), as
  // Cairo's OVER does it; with `spans`, one per row of the mask, only there.
  struct Box {
    int x0, y0, x1, y1;
  };
  static void Blend(cairo_surface_t* target, const Coverage& mask, int x, int y, const Box& box,
                    uint32_t argb, const RowSpan* spans = nullptr);

  // Curves are cut into chords that stray at most this far (pixels) from
  // them.
  static constexpr double kFlatness = 0.05;
  // Chords per curve at most, for curves that reach far beyond the box.
  static constexpr int kMaxChords = 256;
  // Cuts a cubic from (x0, y0) into chords: calls emit(x, y) with the end
  // of each, the last being (x3, y3).
  template <class Emit>
  static void CutCurve(double x0, double y0, double x1, double y1, double x2, double y2, double x3,
                       double y3, Emit&& emit) {
    const int n = ChordsOfCurve(x0, y0, x1, y1, x2, y2, x3, y3);
    for (int i = 1; i < n; ++i) {
      const double t = double(i) / n, u = 1 - t;
      const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
      emit(a * x0 + b * x1 + c * x2 + d * x3, a * y0 + b * y1 + c * y2 + d * y3);
    }
    emit(x3, y3);
  }

 private:
  // The chords a cubic from (x0, y0) is cut into.
  static int ChordsOfCurve(double x0, double y0, double x1, double y1, double x2, double y2,
                           double x3, double y3);
  struct Point {
    double x, y;
  };
  void Add(double x, double y);
  // Adds the edge from (x0, y0) to (x1, y1), in box pixels, to the cells.
  void AddEdge(double x0, double y0, double x1, double y1);
  // Adds a part of an edge lying within the box's columns, y0 < y1.
  void AddEdgeInColumns(double x0, double y0, double x1, double y1, float dir);
  // Turns cells [from, end) of a row into coverage and clears them.
  static void Accumulate(float* cells, unsigned char* out, int from, int end, bool evenOdd);

  std::vector<Point> points_;  // the flattened contours, one after another
  std::vector<size_t> contour_starts_;
  double left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;

  // Each row's cells: the change of coverage from the pixel before, two
  // spare cells past the box's right edge. Zero between renders.
  std::vector<float> cells_;
  int width_ = 0, height_ = 0, cell_stride_ = 0, coverage_stride_ = 0;
  std::vector<unsigned char> coverage_;  // the A8 pixels of the last render
  std::vector<RowSpan> spans_;
};

}  // namespace qp::pdf
