#include "app/core/preview_view.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "app/core/preview_image.h"

namespace qp::app {
namespace {

constexpr std::array<double, 13> kZoomLadder = {0.125, 0.1875, 0.25, 0.375, 0.5, 0.75, 1.0,
                                                1.5,   2.0,    3.0,  4.0,   6.0, 8.0};

}  // namespace

double ZoomStep(double zoom, int steps) {
  zoom = std::clamp(zoom, kMinPreviewZoom, kMaxPreviewZoom);
  // From a zoom between two rungs (a fitted one), the first step lands on
  // the next rung in that direction.
  int index = 0;
  if (steps > 0) {
    while (index + 1 < int(kZoomLadder.size()) && kZoomLadder[size_t(index)] <= zoom + 1e-9)
      ++index;
    index += steps - 1;
  } else if (steps < 0) {
    index = int(kZoomLadder.size()) - 1;
    while (index > 0 && kZoomLadder[size_t(index)] >= zoom - 1e-9) --index;
    index += steps + 1;
  } else {
    return zoom;
  }
  return kZoomLadder[size_t(std::clamp(index, 0, int(kZoomLadder.size()) - 1))];
}

double FitZoom(int content_width, int content_height, int view_width, int view_height) {
  if (content_width <= 0 || content_height <= 0 || view_width <= 0 || view_height <= 0) return 1.0;
  const double zoom =
      std::min(double(view_width) / content_width, double(view_height) / content_height);
  return std::clamp(zoom, kMinPreviewZoom, kMaxPreviewZoom);
}

int PreviewScrollMax(int view_side, double zoom) {
  const int visible = int(std::ceil(view_side / std::max(zoom, kMinPreviewZoom)));
  return std::max(0, kPreviewImageSide + 1 - visible);
}

std::optional<ClipCorners> ClipFromDrag(int ax, int ay, int bx, int by) {
  const auto on_image = [](int v) { return std::clamp(v, 0, kPreviewImageSide - 1); };
  ClipCorners corners{on_image(std::min(ax, bx)), on_image(std::min(ay, by)),
                      on_image(std::max(ax, bx)), on_image(std::max(ay, by))};
  if (corners.x1 == corners.x2 || corners.y1 == corners.y2) return std::nullopt;
  return corners;
}

}  // namespace qp::app
