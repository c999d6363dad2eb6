#pragma once
// The application folder and the fixed folders and files in it.

#include <optional>
#include <string>
#include <vector>

namespace qp {

// What decides the application folder; taken from the process by
// ApplicationFolderInputs::FromProcess, set freely by tests.
struct ApplicationFolderInputs {
  std::optional<std::string> home_option;  // --home DIR
  std::optional<std::string> home_env;     // $QUARRIN_PLATES_HOME
  std::string executable_folder;           // folder of the running program
  // The executable's folder holds "Setup.ini" or a file named "portable".
  bool executable_folder_portable = false;
  std::optional<std::string> xdg_data_home;  // $XDG_DATA_HOME
  std::optional<std::string> user_home;      // $HOME

  static ApplicationFolderInputs FromProcess(std::optional<std::string> home_option);
};

// The folder with a trailing '/': --home, else $QUARRIN_PLATES_HOME, else the
// executable's folder for a portable install, else
// $XDG_DATA_HOME/quarrin-plates (default ~/.local/share/quarrin-plates).
std::string ApplicationFolder(const ApplicationFolderInputs& inputs);

// Creates the application folder when it does not exist: a folder chosen by
// --home or $QUARRIN_PLATES_HOME only when its parent exists (a mistyped
// path must not grow a tree from the root), the default one with its
// parents. Throws Error naming the folder when it cannot be made.
void EnsureApplicationFolder(const ApplicationFolderInputs& inputs, const std::string& folder);

// Removes "--home DIR" or "--home=DIR" from `args` and returns DIR.
std::optional<std::string> TakeHomeOption(std::vector<std::string>& args);

// The names of the folders made at start, in the order they are made.
inline constexpr const char* kFixedFolders[] = {"Projects", "Export", "Plates", "Temp"};
inline constexpr const char* kSettingsFileName = "Setup.ini";

// Creates each fixed folder that does not exist (one level; a failure, or a
// file in the way, is ignored).
void CreateFixedFolders(const std::string& application_folder);

}  // namespace qp
