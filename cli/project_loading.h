#pragma once
// Opening a project file for the read-only commands of platec.

#include <iosfwd>
#include <string>

#include "project/project.h"

namespace qp::cli {

// Loads the project's group list; throws qp::Error when the file is missing
// or is not a project file.
// Writes a warning to `warnings` for each group whose plates beyond the
// limit of a group are left out.
void LoadProjectFile(const std::string& path, Project& project, std::ostream& warnings);

}  // namespace qp::cli
