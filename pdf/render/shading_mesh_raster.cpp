#include "pdf/render/shading_mesh_raster.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qp::pdf {

namespace {

struct Vertex {
  double x, y;
  std::array<double, 3> rgb;
};

// A patch side drawn finer than this many target pixels per grid step is
// not cut further; at most kMaxGrid steps a side.
constexpr double kGridStep = 4;
constexpr int kMaxGrid = 32;

class Block {
 public:
  Block(uint32_t* pixels, int stride, int x0, int y0, int width, int height)
      : pixels_(pixels), stride_(stride), x0_(x0), y0_(y0), width_(width), height_(height) {}

  // Fills the pixels whose centres lie inside the triangle (edges shared by
  // two triangles go to one of them), colours interpolated.
  void Triangle(const Vertex& a, const Vertex& b, const Vertex& c) {
    const double area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
    if (!(std::fabs(area) > 1e-12) || !std::isfinite(area)) return;
    const double minX = std::min({a.x, b.x, c.x}), maxX = std::max({a.x, b.x, c.x});
    const double minY = std::min({a.y, b.y, c.y}), maxY = std::max({a.y, b.y, c.y});
    const int left = std::max(x0_, static_cast<int>(std::floor(std::max(minX, -1e9))));
    const int right = std::min(x0_ + width_ - 1, static_cast<int>(std::ceil(std::min(maxX, 1e9))));
    const int top = std::max(y0_, static_cast<int>(std::floor(std::max(minY, -1e9))));
    const int bottom =
        std::min(y0_ + height_ - 1, static_cast<int>(std::ceil(std::min(maxY, 1e9))));
    const double inv = 1 / area;
    // The weights of b and c are linear in x along a row: wb = kb x + mb,
    // wc = kc x + mc, and a's is 1 - wb - wc.
    const double kb = (c.y - a.y) * inv, kc = -(b.y - a.y) * inv;
    for (int py = top; py <= bottom; ++py) {
      const double y = py + 0.5;
      const double mb = (-a.x * (c.y - a.y) - (c.x - a.x) * (y - a.y)) * inv;
      const double mc = ((b.x - a.x) * (y - a.y) + a.x * (b.y - a.y)) * inv;
      // The pixel centres x + 0.5 where every weight is at least 0.
      double lo = left + 0.5, hi = right + 0.5;
      auto limit = [&](double k, double m) {
        if (k > 0) {
          lo = std::max(lo, -m / k);
        } else if (k < 0) {
          hi = std::min(hi, -m / k);
        } else if (m < 0) {
          hi = lo - 1;
        }
      };
      limit(kb, mb);
      limit(kc, mc);
      limit(-kb - kc, 1 - mb - mc);
      // A centre on an edge shared by two triangles must not fall between
      // them through rounding.
      lo -= 1e-6, hi += 1e-6;
      if (!(hi >= lo)) continue;
      const int first = std::max(left, static_cast<int>(std::ceil(lo - 0.5)));
      const int last = std::min(right, static_cast<int>(std::floor(hi - 0.5)));
      uint32_t* row = pixels_ + static_cast<size_t>(py - y0_) * stride_;
      for (int px = first; px <= last; ++px) {
        const double x = px + 0.5;
        const double wb = std::max(0.0, kb * x + mb), wc = std::max(0.0, kc * x + mc);
        const double wa = std::max(0.0, 1 - wb - wc);
        uint32_t word = 0xFF000000u;
        for (int ch = 0; ch < 3; ++ch) {
          const double v = std::clamp(wa * a.rgb[ch] + wb * b.rgb[ch] + wc * c.rgb[ch], 0.0, 1.0);
          word |= static_cast<uint32_t>(v * 255 + 0.5) << (16 - 8 * ch);
        }
        row[px - x0_] = word;
      }
    }
  }

 private:
  uint32_t* pixels_;
  int stride_, x0_, y0_, width_, height_;
};

struct Point {
  double x, y;
};

Point Bezier(const Point& p0, const Point& p1, const Point& p2, const Point& p3, double t) {
  const double s = 1 - t;
  const double a = s * s * s, b = 3 * s * s * t, c = 3 * s * t * t, d = t * t * t;
  return {a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y};
}

// The patch as a grid of triangles over its Coons surface: C1 runs from
// corner 0 to corner 1, C2 from corner 3 to corner 2, D1 from corner 0 to
// corner 3, D2 from corner 1 to corner 2.
void Patch(Block& block, const TShadingPatch& patch, const cairo_matrix_t& m) {
  std::array<Point, 12> p;
  double extent = 0;
  for (int i = 0; i < 12; ++i) {
    double x = patch.Points[2 * i], y = patch.Points[2 * i + 1];
    cairo_matrix_transform_point(&m, &x, &y);
    p[i] = {x, y};
    if (i > 0) extent += std::hypot(p[i].x - p[i - 1].x, p[i].y - p[i - 1].y);
  }
  if (!std::isfinite(extent)) return;
  const int n = std::clamp(static_cast<int>(std::ceil(extent / 4 / kGridStep)), 1, kMaxGrid);
  const auto& c = patch.Colours;
  std::vector<Vertex> grid(static_cast<size_t>(n + 1) * (n + 1));
  for (int j = 0; j <= n; ++j) {
    const double v = static_cast<double>(j) / n;
    const Point d1 = Bezier(p[0], p[11], p[10], p[9], v), d2 = Bezier(p[3], p[4], p[5], p[6], v);
    for (int i = 0; i <= n; ++i) {
      const double u = static_cast<double>(i) / n;
      const Point c1 = Bezier(p[0], p[1], p[2], p[3], u), c2 = Bezier(p[9], p[8], p[7], p[6], u);
      const double k00 = (1 - u) * (1 - v), k10 = u * (1 - v), k11 = u * v, k01 = (1 - u) * v;
      Vertex& out = grid[static_cast<size_t>(j) * (n + 1) + i];
      out.x = (1 - v) * c1.x + v * c2.x + (1 - u) * d1.x + u * d2.x -
              (k00 * p[0].x + k10 * p[3].x + k11 * p[6].x + k01 * p[9].x);
      out.y = (1 - v) * c1.y + v * c2.y + (1 - u) * d1.y + u * d2.y -
              (k00 * p[0].y + k10 * p[3].y + k11 * p[6].y + k01 * p[9].y);
      for (int ch = 0; ch < 3; ++ch) {
        out.rgb[ch] = k00 * c[0][ch] + k10 * c[1][ch] + k11 * c[2][ch] + k01 * c[3][ch];
      }
    }
  }
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const Vertex& a = grid[static_cast<size_t>(j) * (n + 1) + i];
      const Vertex& b = grid[static_cast<size_t>(j) * (n + 1) + i + 1];
      const Vertex& d = grid[static_cast<size_t>(j + 1) * (n + 1) + i];
      const Vertex& e = grid[static_cast<size_t>(j + 1) * (n + 1) + i + 1];
      block.Triangle(a, b, e);
      block.Triangle(a, e, d);
    }
  }
}

}  // namespace

void RasteriseMesh(const TPDShading& shading, const cairo_matrix_t& toTarget, uint32_t* pixels,
                   int stride, int x0, int y0, int width, int height) {
  Block block(pixels, stride, x0, y0, width, height);
  for (const TShadingPatch& patch : shading.Patches) {
    if (patch.Corners == 3) {
      Vertex v[3];
      for (int i = 0; i < 3; ++i) {
        double x = patch.Points[2 * i], y = patch.Points[2 * i + 1];
        cairo_matrix_transform_point(&toTarget, &x, &y);
        v[i] = {x, y, patch.Colours[i]};
      }
      block.Triangle(v[0], v[1], v[2]);
    } else {
      Patch(block, patch, toTarget);
    }
  }
}

}  // namespace qp::pdf
