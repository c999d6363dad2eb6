#pragma once
// Internal to the function classes: the state of one MakeFunction call and
// the readers of numeric entries.

#include <cstdint>
#include <vector>

#include "pdf/render/pdf_function.h"

namespace qp::pdf {

struct TPDFunction::BuildContext {
  TPDObjectResolver* document = nullptr;
  TFunctionBuildLimits limits;
  int depth = 0;
  int functions = 0;
  uint64_t samples = 0;
};

// The numbers of an array entry (at most `maxCount` taken). False when the
// entry is not an array or holds something that is not a number.
bool ReadNumbers(TPDBaseObject* object, std::vector<double>& out, size_t maxCount);

}  // namespace qp::pdf
