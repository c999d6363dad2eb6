#pragma once
// The renderer's graphics state: transform, line attributes, colours,
// opacity, text parameters and the path under construction. Paths keep
// user-space coordinates; the device transforms them when it paints.

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "pdf/core/pdf_geometry.h"
#include "pdf/render/colour_types.h"
#include "pdf/render/pdf_colorspace.h"

namespace qp::pdf {

class TPDFont;
class TPDDocFontCache;
class TPDResourceCache;
class TPDOptionalContent;

enum TClip { clipNone, clipNormal, clipEO };

// One subpath: on-path points and Bézier control points in drawing order. A
// line segment adds one point; a curve adds two control points (Curve true)
// and its end point.
class TPDSubPath {
 public:
  TPDSubPath(double x, double y) {
    points_.reserve(kInitialPoints);
    points_.push_back({x, y, false});
  }
  // Starts again at (x, y), keeping the room of the points.
  void Restart(double x, double y) {
    points_.clear();
    points_.push_back({x, y, false});
    count_ = 1;
    increased_ = closed_ = false;
  }

  double X(size_t i) const { return points_[Clamp(i)].x; }
  double Y(size_t i) const { return points_[Clamp(i)].y; }
  bool Curve(size_t i) const { return i < points_.size() && points_[i].curve; }
  double LastX() const { return points_.back().x; }
  double LastY() const { return points_.back().y; }
  size_t PointCount() const { return points_.size(); }

  void LineTo(double x, double y) {
    points_.push_back({x, y, false});
    Added();
  }
  void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3);
  // Closes with a line back to the start unless the last point is the start.
  void ClosePath();
  bool IsClosed() const { return closed_; }
  // Segments to walk: 1 for a lone start point, else the number of segments.
  size_t NumPoints() const { return count_; }

 private:
  // Room for a rectangle or a short line without growing.
  static constexpr size_t kInitialPoints = 5;
  struct Point {
    double x, y;
    bool curve;
  };
  size_t Clamp(size_t i) const { return i < points_.size() ? i : points_.size() - 1; }
  void Added() {
    if (increased_) {
      ++count_;
    } else {
      increased_ = true;
    }
  }

  std::vector<Point> points_;
  size_t count_ = 1;
  bool increased_ = false;
  bool closed_ = false;
};

// Cleared paths keep their subpaths' storage for the next path, as a page
// builds thousands of them; a copy takes only the subpaths in use.
class TPDPath {
 public:
  TPDPath() = default;
  TPDPath(const TPDPath& other)
      : just_moved_(other.just_moved_),
        first_x_(other.first_x_),
        first_y_(other.first_y_),
        subpaths_(other.subpaths_.begin(), other.subpaths_.begin() + other.used_),
        used_(other.used_) {}
  TPDPath& operator=(const TPDPath& other) {
    if (this != &other) *this = TPDPath(other);
    return *this;
  }
  TPDPath(TPDPath&& other) noexcept { *this = std::move(other); }
  TPDPath& operator=(TPDPath&& other) noexcept {
    just_moved_ = std::exchange(other.just_moved_, false);
    first_x_ = other.first_x_, first_y_ = other.first_y_;
    subpaths_ = std::move(other.subpaths_);
    used_ = std::exchange(other.used_, 0);
    return *this;
  }

  bool IsCurrentPoint() const { return just_moved_ || used_ != 0; }
  bool IsPath() const { return used_ != 0; }
  double LastX() const { return just_moved_ ? first_x_ : subpaths_[used_ - 1].LastX(); }
  double LastY() const { return just_moved_ ? first_y_ : subpaths_[used_ - 1].LastY(); }

  void MoveTo(double x, double y);
  void LineTo(double x, double y) {
    if (just_moved_) Materialise();
    if (used_ == 0) return;
    subpaths_[used_ - 1].LineTo(x, y);
  }
  void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3);
  void Close();
  void Clear();

  size_t SubPathCount() const { return used_; }
  // Nothing for an index beyond the list.
  const TPDSubPath* SubPath(size_t i) const { return i < used_ ? &subpaths_[i] : nullptr; }

 private:
  void Materialise();

  bool just_moved_ = false;
  double first_x_ = 0, first_y_ = 0;
  std::vector<TPDSubPath> subpaths_;  // the first used_ make the path
  size_t used_ = 0;
};

using TPDColorSpaceRef = std::shared_ptr<const TPDColorSpace>;

// Blend modes, in the order of their names.
enum TBlendMode : int {
  bmNormal,
  bmMultiply,
  bmScreen,
  bmOverlay,
  bmDarken,
  bmLighten,
  bmColorDodge,
  bmColorBurn,
  bmHardLight,
  bmSoftLight,
  bmDifference,
  bmExclusion,
  bmHue,
  bmSaturation,
  bmColor,
  bmLuminosity
};

// A soft mask as the device made it when a graphics state parameter
// dictionary set one; the interpreter only keeps it with the state.
class TPDSoftMask {
 public:
  virtual ~TPDSoftMask() = default;
};

class TPDState {
 public:
  // cm results are clamped to this magnitude.
  static constexpr double kMaxMatrixEntry = 1e10;

  // A new state whose CTM is the base transform of the page box under the
  // resolution and rotation (0, 90, 180 or 270; other values act as 0).
  TPDState(double hDPI, double vDPI, int rotate, const TPDRect* pageBox);
  TPDState(const TPDState&) = default;
  TPDState& operator=(const TPDState&) = default;
  // Moved on Q and into nested content streams, where a copy of the path
  // and dash arrays is wasted work.
  TPDState(TPDState&&) noexcept = default;
  TPDState& operator=(TPDState&&) noexcept = default;

  // Every parameter back at its initial value but the CTM, the page and the
  // font cache; no path (the state a pattern cell starts with).
  void ResetParameters();
  // CTM := m × CTM, each entry clamped to ±kMaxMatrixEntry.
  void ConcatCTM(const TPDMatrix& m);
  void Transform(double x, double y, double& outX, double& outY) const;
  void TransformDelta(double x, double y, double& outX, double& outY) const;

  void MoveTo(double x, double y);
  void LineTo(double x, double y) {
    Path.LineTo(x, y);
    CurX = x, CurY = y;
  }
  void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3);
  void ClosePath();
  void ClearPath() { Path.Clear(); }
  bool IsCurrentPoint() const { return Path.IsCurrentPoint(); }
  bool IsCurrentPath() const { return Path.IsPath(); }

  void SetLineDash(std::vector<float> dash, double phase);
  void SetFillColorSpace(TPDColorSpaceRef space);
  void SetStrokeColorSpace(TPDColorSpaceRef space);
  // 16.16 RGB of the colours through their spaces; black without a space.
  TRGB GetFillRGB() const;
  TRGB GetStrokeRGB() const;

  TPDPath Path;
  int LineJoin = 0;
  std::vector<float> LineDash;
  double LineStart = 0;  // dash phase
  double LineWidth = 1.0;
  int LineCap = 0;
  double MiterLimit = 10.0;
  double FillOpacity = 1.0;
  double StrokeOpacity = 1.0;
  int BlendMode = bmNormal;
  std::shared_ptr<const TPDSoftMask> SoftMask;  // nothing: no mask
  bool AlphaIsShape = false;
  bool TextKnockout = true;
  double Flatness = 1.0;
  double hDPI, vDPI;
  double PageWidth = 0, PageHeight = 0;  // pixels
  double X1, Y1, X2, Y2;                 // page box corners
  double LineX = 0, LineY = 0;           // text line start
  double CurX = 0, CurY = 0;             // current point, user space
  TPDMatrix CTM;
  TPDMatrix TextMatrix;
  double FontSize = 0;
  std::string FontName;  // resource name of the current font; empty for none
  double WordSpace = 0, CharSpace = 0;
  bool StrokeAdjust = false;
  double HorizScaling = 1.0;
  bool FillOverprint = false, StrokeOverPrint = false;
  double Render = 0;
  double Leading = 0;
  double Rise = 0;
  TPDColorSpaceRef FillColorSpace, StrokeColorSpace;
  TColor FillColor{}, StrokeColor{};
  // The patterns chosen by scn and SCN under a Pattern colour space (owned
  // by the document; nothing when none), with the matrix from pattern space
  // to the device as it stood when each was chosen.
  TPDBaseObject* FillPattern = nullptr;
  TPDBaseObject* StrokePattern = nullptr;
  TPDMatrix FillPatternCTM, StrokePatternCTM;
  int Rotate;
  int PageNumber = 0;
  bool PageBlends = false;  // the page's resources name a blend mode

  // Text drawing. The glyph origin is kept in text space, relative to
  // TextMatrix (which holds the start of the current line); the font is the
  // one Tf found (nothing before the first Tf); the cache makes each font
  // dictionary one font object for a page and the forms and glyph
  // procedures it draws.
  double TextCurX = 0, TextCurY = 0;
  std::shared_ptr<TPDFont> Font;
  TPDDocFontCache* FontCache = nullptr;
  // The document's cache of colour spaces (nothing: made per stream).
  TPDResourceCache* DocCache = nullptr;
  // Which optional content is hidden (nothing: none is).
  const TPDOptionalContent* OptionalContent = nullptr;
};

}  // namespace qp::pdf
