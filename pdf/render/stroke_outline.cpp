#include "pdf/render/stroke_outline.h"

#include <algorithm>
#include <cmath>

namespace qp::pdf {

namespace {

// A turn of less than this (the sine of its angle) is taken as straight on.
constexpr double kStraight = 1e-12;

// How far a segment's inner corners may pass each other: only between
// gentle corners.
double Fold(double startReach, double endReach, double hw) {
  const double limit = TStrokeOutline::kFoldReach * hw;
  return startReach <= limit && endReach <= limit ? limit : 0;
}

}  // namespace

void TStrokeOutline::Reset() {
  points_.clear();
  subpaths_.clear();
}

void TStrokeOutline::MoveTo(double x, double y) {
  subpaths_.push_back({points_.size(), 0, false});
  LineTo(x, y);
}

void TStrokeOutline::LineTo(double x, double y) {
  if (subpaths_.empty()) subpaths_.push_back({points_.size(), 0, false});
  points_.push_back({x, y});
  ++subpaths_.back().count;
}

void TStrokeOutline::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
  if (subpaths_.empty()) MoveTo(x1, y1);
  const Point p0 = points_.back();
  TPathMask::CutCurve(p0.x, p0.y, x1, y1, x2, y2, x3, y3,
                      [this](double x, double y) { LineTo(x, y); });
}

void TStrokeOutline::Close() {
  if (!subpaths_.empty()) subpaths_.back().closed = true;
}

void TStrokeOutline::Arc(Point centre, double r, double from, double sweep,
                         std::vector<Point>& out) const {
  // The chord of an angle a strays r (1 - cos(a / 2)) from the circle.
  const double step = r > kFlatness ? 2 * std::acos(1 - kFlatness / r) : M_PI / 2;
  const int steps = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / step)));
  for (int i = 1; i <= steps; ++i) {
    const double a = from + sweep * i / steps;
    out.push_back({centre.x + r * std::cos(a), centre.y + r * std::sin(a)});
  }
}

bool TStrokeOutline::Outline(const TStrokeStyle& style, TPathMask& mask) {
  for (const Subpath& subpath : subpaths_) {
    if (!OutlineSubpath(subpath, style, mask)) return false;
  }
  return true;
}

bool TStrokeOutline::OutlineSubpath(const Subpath& subpath, const TStrokeStyle& style,
                                    TPathMask& mask) {
  const double hw = style.halfWidth;
  // The distinct vertices; a closed subpath ends where it starts.
  vertices_.clear();
  for (size_t i = 0; i < subpath.count; ++i) {
    const Point& p = points_[subpath.first + i];
    if (vertices_.empty() || p.x != vertices_.back().x || p.y != vertices_.back().y) {
      vertices_.push_back(p);
    }
  }
  const bool closed = subpath.closed;
  if (closed && vertices_.size() > 1 && vertices_.back().x == vertices_.front().x &&
      vertices_.back().y == vertices_.front().y) {
    vertices_.pop_back();
  }
  const size_t count = vertices_.size();
  if (count < 2 || (closed && count < 3)) return false;
  const size_t segments = closed ? count : count - 1;
  directions_.clear();
  lengths_.clear();
  for (size_t i = 0; i < segments; ++i) {
    const Point& a = vertices_[i];
    const Point& b = vertices_[(i + 1) % count];
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    if (!(length > 0) || !std::isfinite(length)) return false;
    directions_.push_back({(b.x - a.x) / length, (b.y - a.y) / length});
    lengths_.push_back(length);
  }
  // The normal of segment i points to the side called left here.
  auto normal = [&](size_t i) { return Point{-directions_[i].y, directions_[i].x}; };

  left_.clear();
  right_.clear();
  if (!closed) {
    const Point n = normal(0);
    left_.push_back({vertices_[0].x + hw * n.x, vertices_[0].y + hw * n.y});
    right_.push_back({vertices_[0].x - hw * n.x, vertices_[0].y - hw * n.y});
  }
  // How far along each segment its inner corners reach, from both ends: the
  // sides must not fold over.
  double reachedAtStart = 0;
  const size_t firstJoint = closed ? 0 : 1;
  double firstReach = 0;
  for (size_t k = firstJoint; k < count - (closed ? 0 : 1); ++k) {
    const size_t before = (k + segments - 1) % segments, after = k;
    const Point& a = directions_[before];
    const Point& b = directions_[after];
    const double dot = a.x * b.x + a.y * b.y, cross = a.x * b.y - a.y * b.x;
    if (!(1 + dot > 1e-9)) return false;  // turning straight back
    const Point na = normal(before), nb = normal(after);
    const Point& v = vertices_[k];
    // Where the offset sides meet: inside the corner, and outside it for a
    // miter.
    const double scale = hw / (1 + dot);
    const Point plus{v.x + (na.x + nb.x) * scale, v.y + (na.y + nb.y) * scale};
    const Point minus{v.x - (na.x + nb.x) * scale, v.y - (na.y + nb.y) * scale};
    // Where the inner corners of a segment's two ends pass each other, the
    // inner side folds back over the band: harmless for gentle turns, whose
    // corner points stay near the path (tiny jagged segments of contour
    // lines are common), but sharp turns are left to Cairo.
    const double reach = hw * std::fabs(cross) / (1 + dot);
    if (k == 0) {
      firstReach = reach;
    } else if (reachedAtStart + reach > lengths_[before] + Fold(reachedAtStart, reach, hw)) {
      return false;
    }
    reachedAtStart = reach;
    if (std::fabs(cross) <= kStraight) {
      left_.push_back(plus);
      right_.push_back(minus);
      continue;
    }
    // Turning towards the left side makes it the inner one.
    const bool innerLeft = cross > 0;
    const double side = innerLeft ? -1 : 1;
    std::vector<Point>& outer = innerLeft ? right_ : left_;
    (innerLeft ? left_ : right_).push_back(innerLeft ? plus : minus);
    const Point from{v.x + side * hw * na.x, v.y + side * hw * na.y};
    const Point to{v.x + side * hw * nb.x, v.y + side * hw * nb.y};
    if (style.join == CAIRO_LINE_JOIN_MITER &&
        2 <= style.miterLimit * style.miterLimit * (1 + dot)) {
      outer.push_back(innerLeft ? minus : plus);
    } else if (style.join == CAIRO_LINE_JOIN_ROUND) {
      outer.push_back(from);
      Arc(v, hw, std::atan2(side * na.y, side * na.x), std::atan2(cross, dot), outer);
    } else {
      outer.push_back(from);
      outer.push_back(to);
    }
  }
  const size_t lastSegment = segments - 1;
  if (closed) {
    if (reachedAtStart + firstReach >
        lengths_[lastSegment] + Fold(reachedAtStart, firstReach, hw)) {
      return false;
    }
  } else if (reachedAtStart > lengths_[lastSegment] + Fold(reachedAtStart, 0, hw)) {
    return false;
  }

  auto emit = [&mask](const std::vector<Point>& contour, bool reversed) {
    const size_t n = contour.size();
    for (size_t i = 0; i < n; ++i) {
      const Point& p = contour[reversed ? n - 1 - i : i];
      if (i == 0) {
        mask.MoveTo(p.x, p.y);
      } else {
        mask.LineTo(p.x, p.y);
      }
    }
  };
  if (closed) {
    // Two rings turning opposite ways: the band between them fills.
    emit(left_, false);
    emit(right_, true);
    return true;
  }
  // One contour: the left side, the end cap, the right side back, the start
  // cap.
  const Point endNormal = normal(lastSegment), startNormal = normal(0);
  const Point& end = vertices_[count - 1];
  const Point& start = vertices_[0];
  const Point endDirection = directions_[lastSegment], startDirection = directions_[0];
  left_.push_back({end.x + hw * endNormal.x, end.y + hw * endNormal.y});
  const Point endRight{end.x - hw * endNormal.x, end.y - hw * endNormal.y};
  if (style.cap == CAIRO_LINE_CAP_SQUARE) {
    left_.push_back({left_.back().x + hw * endDirection.x, left_.back().y + hw * endDirection.y});
    left_.push_back({endRight.x + hw * endDirection.x, endRight.y + hw * endDirection.y});
  } else if (style.cap == CAIRO_LINE_CAP_ROUND) {
    Arc(end, hw, std::atan2(endNormal.y, endNormal.x), -M_PI, left_);
  }
  left_.push_back(endRight);
  for (size_t i = right_.size(); i-- > 0;) left_.push_back(right_[i]);
  if (style.cap == CAIRO_LINE_CAP_SQUARE) {
    const Point& startRight = right_.front();
    left_.push_back({startRight.x - hw * startDirection.x, startRight.y - hw * startDirection.y});
    left_.push_back({start.x + hw * startNormal.x - hw * startDirection.x,
                     start.y + hw * startNormal.y - hw * startDirection.y});
  } else if (style.cap == CAIRO_LINE_CAP_ROUND) {
    Arc(start, hw, std::atan2(-startNormal.y, -startNormal.x), -M_PI, left_);
  }
  emit(left_, false);
  return true;
}

}  // namespace qp::pdf
