#pragma once
// Internal to the colour space classes: the state of one MakeColorSpace call.

#include "pdf/render/pdf_colorspace.h"

namespace qp::pdf {

struct TPDColorSpace::BuildContext {
  TPDObjectResolver* document = nullptr;
  int depth = 0;  // composite spaces (Indexed, Separation, DeviceN, Pattern) above this one
};

}  // namespace qp::pdf
