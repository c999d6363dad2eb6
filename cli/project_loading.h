#pragma once
// Opening a project file for the read-only commands of platec.

#include <string>

#include "project/project.h"

namespace qp::cli {

// Loads the project's group list; throws qp::Error when the file is missing
// or is not a project file.
void LoadProjectFile(const std::string& path, Project& project);

}  // namespace qp::cli
