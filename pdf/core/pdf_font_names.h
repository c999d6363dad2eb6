#pragma once
// Name tables of simple fonts: the alias pairs that relate the usual platform
// font names with the standard 14 names, the platform names of the standard
// 14 fonts, and the cleaning of a descriptor's font name.

#include <string>
#include <string_view>

namespace qp::pdf {

struct TFontAlias {
  std::string_view name;      // the platform-style name (first column)
  std::string_view standard;  // the standard 14 name it stands for
};

// The first row where either column equals `name` (exact), else nullptr.
const TFontAlias* FindFontAlias(std::string_view name);

// The platform font name of a standard 14 name (exact), else empty.
std::string_view SystemFontNameOf(std::string_view standardName);

// Removes every ',', '+' and '-', then the first "PS" and the first "MT".
std::string CleanDescriptorFontName(std::string_view name);

// `name` without blanks and control characters at both ends.
std::string_view TrimFontName(std::string_view name);

}  // namespace qp::pdf
