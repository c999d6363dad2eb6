#pragma once
// Rectangles read from four-number arrays and affine matrices of six doubles:
// a point (x, y) maps to (x M11 + y M21 + Dx, x M12 + y M22 + Dy).

#include <memory>

#include "pdf/core/pdf_objects.h"

namespace qp::pdf {

// From [a b c d]: Left a, Top b, Right c, Bottom d, as stored (for a PDF
// rectangle, Top is the lower y). A rectangle made without values is -1 on
// every side and not valid; any setter makes it valid.
class TPDRect {
 public:
  TPDRect() = default;
  // Non-numeric or missing elements count as 0; not valid until a setter runs.
  explicit TPDRect(const TPDBaseObject* array);
  TPDRect(double left, double top, double right, double bottom) {
    SetValues(left, top, right, bottom);
  }

  double Left() const { return left_; }
  double Top() const { return top_; }
  double Right() const { return right_; }
  double Bottom() const { return bottom_; }
  bool IsValid() const { return valid_; }
  const TPDBaseObject* BaseObject() const { return base_object_; }

  void SetLeft(double value) { left_ = value, valid_ = true; }
  void SetTop(double value) { top_ = value, valid_ = true; }
  void SetRight(double value) { right_ = value, valid_ = true; }
  void SetBottom(double value) { bottom_ = value, valid_ = true; }
  void SetValues(double left, double top, double right, double bottom) {
    SetLeft(left), SetTop(top), SetRight(right), SetBottom(bottom);
  }
  void Assign(const TPDRect& source) { *this = source; }
  TPDRect Clone() const { return TPDRect(left_, top_, right_, bottom_); }
  // A new array of the four values as reals.
  std::unique_ptr<TPDArray> GetArray() const;

 private:
  const TPDBaseObject* base_object_ = nullptr;
  double left_ = -1;
  double top_ = -1;
  double right_ = -1;
  double bottom_ = -1;
  bool valid_ = false;
};

class TPDMatrix {
 public:
  TPDMatrix() = default;
  // [a b c d e f] when the array has six elements or more; else the identity.
  explicit TPDMatrix(const TPDBaseObject* array);
  TPDMatrix(double m11, double m12, double m21, double m22, double dx, double dy)
      : M11(m11), M12(m12), M21(m21), M22(m22), Dx(dx), Dy(dy) {}

  void SetValues(double m11, double m12, double m21, double m22, double dx, double dy) {
    *this = TPDMatrix(m11, m12, m21, m22, dx, dy);
  }
  void Assign(const TPDMatrix& source) { *this = source; }
  TPDMatrix Copy() const { return *this; }
  // `matrix` followed by this one.
  TPDMatrix PreMultiply(const TPDMatrix& matrix) const;
  // The identity when the determinant is 0.
  TPDMatrix GetInverse() const;
  void Inverse() { *this = GetInverse(); }
  bool IsIdentity() const {
    return M11 == 1 && M12 == 0 && M21 == 0 && M22 == 1 && Dx == 0 && Dy == 0;
  }
  std::unique_ptr<TPDArray> GetArray() const;

  double M11 = 1, M12 = 0, M21 = 0, M22 = 1, Dx = 0, Dy = 0;
};

}  // namespace qp::pdf
