#pragma once
// The JSON forms of a project's groups and plates for `platec groups --json`
// and `platec plates --json`: numbers from 1, names in UTF-8, coordinates and
// clip values in the project file's own units.

#include <string>

#include "project/records.h"

namespace qp::cli {

std::string GroupJson(const GroupRecord& group, int position);
std::string PlateJson(const PlateRecord& plate, int index);

}  // namespace qp::cli
