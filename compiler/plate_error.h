#pragma once
// The compiler's one exception class: every failure of a source file, a
// group file or the temporary image file, with a message that names the file
// and the problem.

#include <stdexcept>
#include <string>

namespace qp {

class PlateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace qp
