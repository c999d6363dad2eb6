#pragma once
// Coverage masks (A8 surfaces) measured in tests: their area, and how far
// they stray from point samples of the shape they stand for.

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace qp::pdf::test {

// The area in pixels that the mask covers; -1 for no mask. Destroys it.
inline double MaskArea(cairo_surface_t* mask) {
  if (!mask) return -1;
  const uint8_t* data = cairo_image_surface_get_data(mask);
  const int stride = cairo_image_surface_get_stride(mask);
  double sum = 0;
  for (int y = 0; y < cairo_image_surface_get_height(mask); ++y) {
    for (int x = 0; x < cairo_image_surface_get_width(mask); ++x)
      sum += data[y * stride + x] / 255.0;
  }
  cairo_surface_destroy(mask);
  return sum;
}

struct SampledError {
  double worstMissing = 0;  // coverage short of the samples' share, at worst
  double worstExtra = 0;    // coverage beyond it, at worst
  double mean = 0;          // mean absolute difference
};

// The mask against samples x samples points per pixel, taken pixel by
// pixel; `inside` tells whether a point belongs to the shape.
inline SampledError CompareToSamples(cairo_surface_t* mask, int samples,
                                     const std::function<bool(double, double)>& inside) {
  SampledError e;
  const uint8_t* data = cairo_image_surface_get_data(mask);
  const int stride = cairo_image_surface_get_stride(mask);
  const int width = cairo_image_surface_get_width(mask);
  const int height = cairo_image_surface_get_height(mask);
  for (int py = 0; py < height; ++py) {
    for (int px = 0; px < width; ++px) {
      int count = 0;
      for (int s = 0; s < samples * samples; ++s) {
        count += inside(px + (s % samples + 0.5) / samples, py + (s / samples + 0.5) / samples);
      }
      const double difference =
          data[py * stride + px] / 255.0 - double(count) / (samples * samples);
      e.worstMissing = std::max(e.worstMissing, -difference);
      e.worstExtra = std::max(e.worstExtra, difference);
      e.mean += std::fabs(difference);
    }
  }
  e.mean /= width * height;
  return e;
}

}  // namespace qp::pdf::test
