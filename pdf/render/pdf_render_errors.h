#pragma once
// Failures of the graphics library under the raster device.

#include <string>

#include "pdf/core/pdf_errors.h"

namespace qp::pdf {

// The message names the graphics library's failure status.
class EGPLoadError : public EPDFEngineError {
 public:
  explicit EGPLoadError(const std::string& message) : EPDFEngineError(message) {}
};

}  // namespace qp::pdf
