#include "compiler/raster_geometry.h"

namespace qp {

namespace {

int32_t Scaled(int32_t v, double factor) {
  double r = RoundHalfEven(v * factor);
  return r > INT32_MAX ? INT32_MAX : r < INT32_MIN ? INT32_MIN : static_cast<int32_t>(r);
}

}  // namespace

ClipEnlargement EnlargeForClip(int64_t width, int64_t height, bool clip, const ClipRect& rect) {
  const int64_t cw = int64_t{rect.Right} - rect.Left, ch = int64_t{rect.Bottom} - rect.Top;
  if (!clip || cw <= 0 || ch <= 0) return {width, height, rect};
  const double f = static_cast<double>(width) / static_cast<double>(cw);
  const double g = static_cast<double>(height) / static_cast<double>(ch);
  ClipEnlargement e;
  e.Width = static_cast<int64_t>(RoundHalfEven(static_cast<double>(width) * f));
  e.Height = static_cast<int64_t>(RoundHalfEven(static_cast<double>(height) * g));
  e.Clip = {Scaled(rect.Left, f), Scaled(rect.Top, g), Scaled(rect.Right, f),
            Scaled(rect.Bottom, g)};
  e.YStretch = g / f;
  return e;
}

}  // namespace qp
