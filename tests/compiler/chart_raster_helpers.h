#pragma once
// A deterministic chart-like raster for tests and benchmarks: white paper,
// thin black and grey rules, tinted areas, anti-aliased diagonals and circles.

#include <cmath>
#include <cstdint>

#include "compiler/plate_raster.h"

namespace qp::testing {

inline uint32_t Blend(uint32_t a, uint32_t b, double t) {
  auto mix = [&](int shift) {
    double va = (a >> shift) & 0xFF, vb = (b >> shift) & 0xFF;
    return static_cast<uint32_t>(std::lround(va + (vb - va) * t)) << shift;
  };
  return mix(0) | mix(8) | mix(16);
}

inline PlateRaster MakeChartRaster(int width = 1024, int height = 1325) {
  PlateRaster raster(width, height);  // starts white
  auto paint = [&](int x, int y, uint32_t colour, double coverage) {
    if (x < 0 || y < 0 || x >= width || y >= height || coverage <= 0) return;
    raster.SetPixel(x, y, Blend(raster.Pixel(x, y), colour, std::fmin(coverage, 1.0)));
  };
  // Tinted areas: a pale yellow terrain box and a light blue water box.
  for (int y = height / 10; y < height / 4; ++y)
    for (int x = width / 8; x < width / 2; ++x) raster.SetPixel(x, y, 0xA0E7F7);
  for (int y = height / 2; y < height * 3 / 5; ++y)
    for (int x = width / 2; x < width * 7 / 8; ++x) raster.SetPixel(x, y, 0xF0D0A0);
  // Frame and grid rules, black and grey.
  for (int x = 20; x < width - 20; ++x) {
    paint(x, 20, 0x000000, 1);
    paint(x, height - 21, 0x000000, 1);
    for (int y = 100; y < height - 20; y += 97) paint(x, y, 0x808080, 0.8);
  }
  for (int y = 20; y < height - 20; ++y) {
    paint(20, y, 0x000000, 1);
    paint(width - 21, y, 0x000000, 1);
    for (int x = 150; x < width - 20; x += 131) paint(x, y, 0x404040, 0.6);
  }
  // Anti-aliased diagonals: coverage split between two pixels per column.
  for (int line = 0; line < 6; ++line) {
    double slope = 0.3 + 0.25 * line, offset = 60.0 + 150.0 * line;
    uint32_t colour = line % 2 ? 0x000000 : 0x2020C0;
    for (int x = 30; x < width - 30; ++x) {
      double y = offset + slope * (x - 30);
      int y0 = static_cast<int>(std::floor(y));
      double f = y - y0;
      paint(x, y0, colour, 1 - f);
      paint(x, y0 + 1, colour, f);
    }
  }
  // Anti-aliased rings (navaid symbols) in magenta and black.
  for (int ring = 0; ring < 8; ++ring) {
    double cx = 120.0 + 110.0 * ring, cy = 700.0 + 40.0 * (ring % 3), r = 18.0 + 4.0 * ring;
    uint32_t colour = ring % 2 ? 0x800080 : 0x000000;
    for (int y = static_cast<int>(cy - r - 2); y <= cy + r + 2; ++y) {
      for (int x = static_cast<int>(cx - r - 2); x <= cx + r + 2; ++x) {
        double d = std::fabs(std::hypot(x - cx, y - cy) - r);
        paint(x, y, colour, 1.2 - d);
      }
    }
  }
  // Blocks of "text": short black strokes.
  for (int row = 0; row < 20; ++row) {
    int y = height * 3 / 4 + row * 12;
    for (int x = 40; x < width - 40; x += 7) {
      if ((x * 7 + row * 13) % 11 < 4) continue;
      for (int dy = 0; dy < 8; ++dy) paint(x + (dy % 3 == 0), y + dy, 0x000000, 0.9);
    }
  }
  return raster;
}

}  // namespace qp::testing
