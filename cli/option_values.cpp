#include "cli/option_values.h"

#include <charconv>

namespace qp::cli {

int64_t WholeNumberOption(std::string_view what, std::string_view text, int64_t low, int64_t high) {
  int64_t value = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;  // "+3" as a user may type it
  const auto [end, ec] = std::from_chars(first, last, value);
  if (first == last || ec != std::errc() || end != last || value < low || value > high) {
    throw UsageError(std::string(what) + " takes a whole number from " + std::to_string(low) +
                     " to " + std::to_string(high) + ", not \"" + std::string(text) + "\"");
  }
  return value;
}

}  // namespace qp::cli
