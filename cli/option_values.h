#pragma once
// Numeric command-line values, checked against their range: a value out of
// range or not a whole number is a usage error (exit status 2) whose message
// names the option and the accepted range, never a value silently wrapped or
// coerced.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qp::cli {

// A mistake in the command line; platec prints its message and the
// command's usage and exits with status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `text` as a whole number from `low` to `high`; `what` names the value in
// the message ("--page", "the group number"). Throws UsageError.
int64_t WholeNumberOption(std::string_view what, std::string_view text, int64_t low, int64_t high);

}  // namespace qp::cli
