#include "pdf/render/pdf_state.h"

#include <algorithm>
#include <cmath>

#include "pdf/core/pdf_page_tree.h"

namespace qp::pdf {

namespace {

// Shared device spaces for the default colours of new states.
const TPDColorSpaceRef& DeviceGray() {
  static const TPDColorSpaceRef space = std::make_shared<TPDDeviceGrayColorSpace>();
  return space;
}

double ClampEntry(double v) {
  if (std::isnan(v)) return 0;
  return std::clamp(v, -TPDState::kMaxMatrixEntry, TPDState::kMaxMatrixEntry);
}

}  // namespace

void TPDSubPath::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
  points_.push_back({x1, y1, true});
  points_.push_back({x2, y2, true});
  points_.push_back({x3, y3, false});
  Added();
}

void TPDSubPath::ClosePath() {
  const Point& first = points_.front();
  const Point& last = points_.back();
  if (points_.size() == 1 || last.x != first.x || last.y != first.y) {
    LineTo(first.x, first.y);
  }
  closed_ = true;
}

void TPDPath::Materialise() {
  if (just_moved_) {
    if (used_ < subpaths_.size()) {
      subpaths_[used_].Restart(first_x_, first_y_);
    } else {
      subpaths_.emplace_back(first_x_, first_y_);
    }
    ++used_;
    just_moved_ = false;
  }
}

void TPDPath::MoveTo(double x, double y) {
  just_moved_ = true;
  first_x_ = x;
  first_y_ = y;
}

void TPDPath::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
  Materialise();
  if (used_ == 0) return;
  subpaths_[used_ - 1].CurveTo(x1, y1, x2, y2, x3, y3);
}

void TPDPath::Close() {
  Materialise();
  if (used_ == 0) return;
  subpaths_[used_ - 1].ClosePath();
}

void TPDPath::Clear() {
  used_ = 0;
  just_moved_ = false;
}

TPDState::TPDState(double hDPI_, double vDPI_, int rotate, const TPDRect* pageBox)
    : hDPI(hDPI_), vDPI(vDPI_), Rotate(rotate) {
  if (pageBox) {
    X1 = pageBox->Left(), Y1 = pageBox->Top(), X2 = pageBox->Right(), Y2 = pageBox->Bottom();
  } else {
    const double* box = TPDPage::kDefaultBox;  // the page states no box
    X1 = box[0], Y1 = box[1], X2 = box[2], Y2 = box[3];
  }
  const double sx = hDPI / 72, sy = vDPI / 72;
  switch (rotate) {
    case 90:
      CTM = TPDMatrix(0, -sy, sx, 0, -sx * Y1, sy * X2);
      PageWidth = (Y2 - Y1) * sx, PageHeight = (X2 - X1) * sy;
      break;
    case 180:
      CTM = TPDMatrix(-sx, 0, 0, -sy, sx * X2, sy * Y2);
      PageWidth = (X2 - X1) * sx, PageHeight = (Y2 - Y1) * sy;
      break;
    case 270:
      CTM = TPDMatrix(0, sy, -sx, 0, sx * Y2, -sy * X1);
      PageWidth = (Y2 - Y1) * sx, PageHeight = (X2 - X1) * sy;
      break;
    default:
      CTM = TPDMatrix(sx, 0, 0, sy, -sx * X1, -sy * Y1);
      PageWidth = (X2 - X1) * sx, PageHeight = (Y2 - Y1) * sy;
      break;
  }
  FillColorSpace = DeviceGray();
  StrokeColorSpace = DeviceGray();
}

void TPDState::ResetParameters() {
  Path.Clear();
  LineJoin = 0, LineCap = 0;
  LineDash.clear();
  LineStart = 0;
  LineWidth = 1, MiterLimit = 10, Flatness = 1;
  FillOpacity = StrokeOpacity = 1;
  BlendMode = bmNormal;
  SoftMask.reset();
  AlphaIsShape = false;
  TextKnockout = true;
  LineX = LineY = CurX = CurY = 0;
  TextMatrix = TPDMatrix();
  FontSize = 0;
  FontName.clear();
  Font.reset();
  WordSpace = CharSpace = 0;
  StrokeAdjust = false;
  HorizScaling = 1;
  FillOverprint = StrokeOverPrint = false;
  Render = Leading = Rise = 0;
  FillColorSpace = StrokeColorSpace = DeviceGray();
  FillColor = StrokeColor = TColor{};
  FillPattern = StrokePattern = nullptr;
  FillPatternCTM = StrokePatternCTM = TPDMatrix();
  TextCurX = TextCurY = 0;
}

void TPDState::ConcatCTM(const TPDMatrix& m) {
  const TPDMatrix& o = CTM;
  CTM = TPDMatrix(
      ClampEntry(m.M11 * o.M11 + m.M12 * o.M21), ClampEntry(m.M11 * o.M12 + m.M12 * o.M22),
      ClampEntry(m.M21 * o.M11 + m.M22 * o.M21), ClampEntry(m.M21 * o.M12 + m.M22 * o.M22),
      ClampEntry(m.Dx * o.M11 + m.Dy * o.M21 + o.Dx),
      ClampEntry(m.Dx * o.M12 + m.Dy * o.M22 + o.Dy));
}

void TPDState::Transform(double x, double y, double& outX, double& outY) const {
  outX = CTM.M11 * x + CTM.M21 * y + CTM.Dx;
  outY = CTM.M12 * x + CTM.M22 * y + CTM.Dy;
}

void TPDState::TransformDelta(double x, double y, double& outX, double& outY) const {
  outX = CTM.M11 * x + CTM.M21 * y;
  outY = CTM.M12 * x + CTM.M22 * y;
}

void TPDState::MoveTo(double x, double y) {
  Path.MoveTo(x, y);
  CurX = x, CurY = y;
}

void TPDState::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
  Path.CurveTo(x1, y1, x2, y2, x3, y3);
  CurX = x3, CurY = y3;
}

void TPDState::ClosePath() {
  Path.Close();
  if (Path.IsPath()) CurX = Path.LastX(), CurY = Path.LastY();
}

void TPDState::SetLineDash(std::vector<float> dash, double phase) {
  LineDash = std::move(dash);
  LineStart = phase;
}

void TPDState::SetFillColorSpace(TPDColorSpaceRef space) {
  FillColorSpace = std::move(space);
}
void TPDState::SetStrokeColorSpace(TPDColorSpaceRef space) {
  StrokeColorSpace = std::move(space);
}

TRGB TPDState::GetFillRGB() const {
  return FillColorSpace ? FillColorSpace->GetRGB(FillColor) : TRGB{0, 0, 0};
}

TRGB TPDState::GetStrokeRGB() const {
  return StrokeColorSpace ? StrokeColorSpace->GetRGB(StrokeColor) : TRGB{0, 0, 0};
}

}  // namespace qp::pdf
