#pragma once
// Where the data of an inline image ends inside a content stream.

#include <cstddef>
#include <functional>
#include <string_view>

#include "pdf/core/pdf_objects.h"

namespace qp::pdf {

struct TPDInlineDataExtent {
  size_t data_end;  // one past the last byte of the image data
  size_t resume;    // where the content goes on (after "EI")
};

// The extent of the data that starts at `start` in `content`, for an image
// whose dictionary (abbreviations allowed) is `dict`. Unfiltered data is
// measured from width, height, components and bits; otherwise the data ends
// at an "EI" between white space that is followed by white space and by
// operands and an operator that `isOperator` knows, or by the end of the
// content. Without such an "EI" the data runs to the end.
TPDInlineDataExtent FindInlineImageData(const TPDDictionary& dict, const TPDDictionary* resources,
                                        std::string_view content, size_t start,
                                        const std::function<bool(std::string_view)>& isOperator);

}  // namespace qp::pdf
