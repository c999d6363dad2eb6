#pragma once
// An object written back as PDF syntax, for looking into files.

#include <string>

#include "pdf/core/pdf_objects.h"

namespace qp::pdf {

// Nested containers beyond `maxDepth` are written as "...". A stream is its
// dictionary followed by "stream".
std::string ObjectToText(const TPDBaseObject& object, int maxDepth = 64);

}  // namespace qp::pdf
