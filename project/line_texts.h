#pragma once
// The texts of the lines of the main window's group and plate lists. Lines
// are UTF-8; the records' Windows-1252 names are converted.

#include <cstddef>
#include <string>
#include <string_view>

#include "project/records.h"

namespace qp {

// "Airport: Group1 KLAX, Los Angeles international, 12 plates" or
// "Info: Group2 , Weather, 3 plates". An information group shows no ID.
std::string GroupLine(const GroupRecord& group, int position);

// "Plate 1, Approach, Page 2, File: "chart.pdf"", the file part shortened to
// 50 characters.
std::string PlateLine(const PlateRecord& plate, int index);

// Text longer than `limit` characters loses characters from its middle,
// replaced by "...", giving limit + 3 characters.
std::string ShortenMiddle(std::string_view text, size_t limit);

inline constexpr size_t kPlateLineFileLimit = 50;

}  // namespace qp
