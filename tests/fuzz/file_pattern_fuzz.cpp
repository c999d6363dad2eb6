// Fuzz target: the batch import's file name matching and plate names over
// arbitrary bytes (a name and a prefix, split at the first zero byte).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/core/import_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  const std::string name(input.substr(0, split));
  const std::string prefix(split == std::string_view::npos ? "" : input.substr(split + 1));
  const bool matches = qp::app::MatchesFilePattern(name, prefix + "*.pdf");
  const std::string plate = qp::app::PlateNameFromFile(name, prefix);
  // The plate name is part of the file name and holds no ".".
  if (plate.size() > name.size() || plate.find('.') != std::string::npos) __builtin_trap();
  // A name matches its own text as a pattern when it has no wildcards.
  if (name.find_first_of("*?") == std::string::npos && !qp::app::MatchesFilePattern(name, name)) {
    __builtin_trap();
  }
  (void)matches;
  return 0;
}
