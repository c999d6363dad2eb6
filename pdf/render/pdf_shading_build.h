#pragma once
// Internal to the shading readers: colour functions and entry readers.

#include <array>
#include <vector>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/colour_types.h"
#include "pdf/render/pdf_colorspace.h"
#include "pdf/render/pdf_function.h"
#include "pdf/render/pdf_shading.h"

namespace qp::pdf {

// The numbers of an array entry; false when it is not an array of exactly
// `count` numbers (`count` 0 takes any length up to 64).
bool ReadNumbers(TPDBaseObject* object, TPDObjectResolver* document, size_t count,
                 std::vector<double>& out);
bool ReadBool(TPDBaseObject* object, TPDObjectResolver* document);
// A colour of `space` as RGB in 0 … 1.
std::array<double, 3> ShadingRGB(const TPDColorSpace& space, const TColor& colour);

// The colour functions of a shading: one function of `inputs` inputs giving
// every component, or one single-output function per component.
class ShadingColours {
 public:
  // False when the functions do not fit `inputs` and `comps`.
  bool Read(TPDBaseObject* object, TPDObjectResolver* document, int inputs, int comps);
  // The colour at (x, y), through `space`.
  std::array<double, 3> RGB(const TPDColorSpace& space, double x, double y = 0) const;

 private:
  std::vector<TPDFunctionPtr> functions_;
  int comps_ = 0;
};

// Reads the patches of a mesh shading (types 4 to 7) from its stream.
bool ReadMesh(TPDStream& stream, TPDObjectResolver* document, const TPDColorSpace& space,
              TPDShading& shading);

}  // namespace qp::pdf
