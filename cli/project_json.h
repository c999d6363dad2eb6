#pragma once
// The JSON forms of a project's groups and plates for `platec groups --json`
// and `platec plates --json`: numbers from 1, names in UTF-8, coordinates and
// clip values in the project file's own units.

#include <cstdint>
#include <string>

#include "project/records.h"

namespace qp::cli {

// {"lat_tl", "long_tl", "lat_br", "long_br"} in 1/180000 degree.
std::string CornersJson(int32_t latTL, int32_t longTL, int32_t latBR, int32_t longBR);

std::string GroupJson(const GroupRecord& group, int position);
std::string PlateJson(const PlateRecord& plate, int index);

}  // namespace qp::cli
