#pragma once
// How the plate editor's window shows the preview image at any size: the
// zoom steps, the zoom that fits the rendered page, the scroll range, and
// the clip rectangle a mouse drag marks. The image itself stays as it is.

#include <optional>

namespace qp::app {

inline constexpr double kMinPreviewZoom = 0.125;
inline constexpr double kMaxPreviewZoom = 8.0;

// The zoom `steps` wheel notches away from `zoom` (positive: larger), on a
// fixed ladder of steps, kept within kMinPreviewZoom..kMaxPreviewZoom.
double ZoomStep(double zoom, int steps);

// The largest zoom (within the limits) at which a content_width x
// content_height page is seen whole in a view_width x view_height window;
// 1 when there is no page.
double FitZoom(int content_width, int content_height, int view_width, int view_height);

// The last scroll position along one side of the preview image for a
// window `view_side` pixels long: the fixed 601-pixel window at zoom 1
// scrolls 0..1400.
int PreviewScrollMax(int view_side, double zoom);

struct ClipCorners {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool operator==(const ClipCorners&) const = default;
};

// The clip rectangle from a drag between two image points, top left first,
// kept on the preview image; none when it is empty.
std::optional<ClipCorners> ClipFromDrag(int ax, int ay, int bx, int by);

}  // namespace qp::app
