#include "project/app_session.h"

#include <exception>
#include <filesystem>

#include "project/app_folders.h"
#include "project/ini_file.h"
#include "project/project_file_check.h"

namespace qp {

namespace {

constexpr std::string_view kSection = "Project";

std::string SettingsPath(const std::string& application_folder) {
  return application_folder + kSettingsFileName;
}

}  // namespace

ApplicationSettings ReadSettings(const std::string& application_folder) {
  IniFile file(SettingsPath(application_folder));
  ApplicationSettings settings;
  settings.ProjectDIR = file.ReadString(kSection, "ProjectDIR", application_folder + "Projects/");
  settings.LastProject = file.ReadString(kSection, "LastProject", "");
  return settings;
}

void WriteSettings(const std::string& application_folder, const ApplicationSettings& settings) {
  IniFile file(SettingsPath(application_folder));
  file.WriteString(kSection, "ProjectDIR", settings.ProjectDIR);
  file.WriteString(kSection, "LastProject", settings.LastProject);
  file.Commit();
}

int ReadBuildJobs(const std::string& application_folder) {
  const int jobs = IniFile(SettingsPath(application_folder)).ReadInteger("Build", "Jobs", 0);
  return jobs < 0 ? 0 : jobs;
}

ApplicationSettings StartApplication(const std::string& application_folder, Project& project) {
  CreateFixedFolders(application_folder);
  ApplicationSettings settings = ReadSettings(application_folder);
  project.CurrentGroup = -1;
  return settings;
}

bool OpenLastProject(const ApplicationSettings& settings, Project& project) {
  std::error_code ec;
  // A last project that is no longer a project file is passed over like a
  // deleted one: loading it would let the next save overwrite it.
  if (settings.LastProject.empty() || !std::filesystem::is_regular_file(settings.LastProject, ec) ||
      !IsProjectFile(settings.LastProject)) {
    return false;
  }
  project.ProjectFileName = settings.LastProject;
  project.LoadProject();
  project.ProjectModified = false;
  project.GroupModified = false;
  project.CurrentGroup = -1;
  return true;
}

std::vector<std::string> CloseApplication(const std::string& application_folder,
                                          ApplicationSettings settings, Project& project) {
  std::vector<std::string> failures;
  settings.LastProject = project.ProjectFileName;
  try {
    WriteSettings(application_folder, settings);
  } catch (const std::exception& e) {
    failures.emplace_back(e.what());
  }
  try {
    project.FlushOnClose();
  } catch (const std::exception& e) {
    failures.emplace_back(e.what());
  }
  return failures;
}

}  // namespace qp
