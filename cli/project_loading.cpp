#include "cli/project_loading.h"

#include <filesystem>
#include <ostream>

#include "project/errors.h"
#include "project/project_file_check.h"

namespace qp::cli {

void LoadProjectFile(const std::string& path, Project& project, std::ostream& warnings) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    throw Error("no such project file: " + path);
  }
  CheckProjectFile(path);
  project.ProjectFileName = path;
  project.LoadProject();
  for (const std::string& warning : project.LoadWarnings) warnings << warning << "\n";
}

}  // namespace qp::cli
