#pragma once
// Start-up and close of the application: the fixed folders, "Setup.ini" and
// the last project. The GUI calls these around its main window; building the
// plate palette is the caller's step between reading the settings and
// opening the last project.

#include <string>
#include <vector>

#include "project/project.h"

namespace qp {

struct ApplicationSettings {
  std::string ProjectDIR;   // folder of the New and Open project dialogs
  std::string LastProject;  // project open when the program last closed
};

// Section "Project" of "Setup.ini"; missing file or keys give the defaults
// ("ProjectDIR" = APPLICATION_FOLDER/Projects/, "LastProject" empty).
ApplicationSettings ReadSettings(const std::string& application_folder);
// Writes "ProjectDIR" and then "LastProject" in one replacement.
void WriteSettings(const std::string& application_folder, const ApplicationSettings& settings);

// "Jobs" of section "Build" in "Setup.ini": how many plates the desktop
// application renders at once; 0 (the default) means one per core. Only read,
// never written, so it is set by editing the file.
int ReadBuildJobs(const std::string& application_folder);

// Makes the fixed folders, reads the settings and sets CurrentGroup to -1.
ApplicationSettings StartApplication(const std::string& application_folder, Project& project);

// Opens the last project when it names an existing file; true when it did.
bool OpenLastProject(const ApplicationSettings& settings, Project& project);

// Writes the settings (LastProject from ProjectFileName), then the pending
// changes of the project. A failure of the first does not stop the second;
// returns the messages of every failure, empty when all went well.
std::vector<std::string> CloseApplication(const std::string& application_folder,
                                          ApplicationSettings settings, Project& project);

}  // namespace qp
