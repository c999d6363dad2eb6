#include "pdf/core/pdf_geometry.h"

namespace qp::pdf {

namespace {

double NumberAt(const TPDArray& array, size_t index) {
  const TPDBaseObject* element = array.Get(index);
  return element != nullptr ? element->GetNumber() : 0;
}

std::unique_ptr<TPDArray> ArrayOf(std::initializer_list<double> values) {
  auto array = std::make_unique<TPDArray>();
  for (double value : values) array->Add(std::make_unique<TPDReal>(value));
  return array;
}

}  // namespace

TPDRect::TPDRect(const TPDBaseObject* array) : base_object_(array) {
  if (array == nullptr || !array->IsArray()) return;
  const auto& values = static_cast<const TPDArray&>(*array);
  left_ = NumberAt(values, 0);
  top_ = NumberAt(values, 1);
  right_ = NumberAt(values, 2);
  bottom_ = NumberAt(values, 3);
}

std::unique_ptr<TPDArray> TPDRect::GetArray() const {
  return ArrayOf({left_, top_, right_, bottom_});
}

TPDMatrix::TPDMatrix(const TPDBaseObject* array) {
  if (array == nullptr || !array->IsArray()) return;
  const auto& values = static_cast<const TPDArray&>(*array);
  if (values.GetLength() < 6) return;
  SetValues(NumberAt(values, 0), NumberAt(values, 1), NumberAt(values, 2), NumberAt(values, 3),
            NumberAt(values, 4), NumberAt(values, 5));
}

TPDMatrix TPDMatrix::PreMultiply(const TPDMatrix& m) const {
  return TPDMatrix(m.M11 * M11 + m.M12 * M21, m.M11 * M12 + m.M12 * M22, m.M21 * M11 + m.M22 * M21,
                   m.M21 * M12 + m.M22 * M22, m.Dx * M11 + m.Dy * M21 + Dx,
                   m.Dx * M12 + m.Dy * M22 + Dy);
}

TPDMatrix TPDMatrix::GetInverse() const {
  const double det = M11 * M22 - M12 * M21;
  if (det == 0) return TPDMatrix();
  return TPDMatrix(M22 / det, -M12 / det, -M21 / det, M11 / det, (M21 * Dy - M22 * Dx) / det,
                   -(M11 * Dy - M12 * Dx) / det);
}

std::unique_ptr<TPDArray> TPDMatrix::GetArray() const {
  return ArrayOf({M11, M12, M21, M22, Dx, Dy});
}

}  // namespace qp::pdf
