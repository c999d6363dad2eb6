#pragma once
// What the desktop application remembers between sessions besides the
// project folder and the last project: where its windows were, the folders
// its file and folder choosers last showed, and the recent projects. Kept in
// section "Places" of "Setup.ini", each under its own key.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qp::app {

inline constexpr size_t kRecentProjectCount = 5;

// A window's frame-less place on the desktop; when maximised, the place it
// returns to.
struct WindowPlace {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool maximized = false;
  bool operator==(const WindowPlace&) const = default;
};

// "x,y,width,height" with ",max" for a maximised window; none for anything
// else or a size below 1 x 1 or above 32767.
std::optional<WindowPlace> ParseWindowPlace(const std::string& text);
std::string WindowPlaceText(const WindowPlace& place);

struct RememberedPlaces {
  std::map<std::string, WindowPlace> windows;  // by window key, e.g. "MainWindow"
  std::string plate_folder;                    // the plate file chooser's folder
  std::string import_folder;                   // the batch import's folder chooser
  std::vector<std::string> recent_projects;    // most recent first
};

// Missing file or keys give empty places; unreadable values are passed over.
RememberedPlaces ReadRememberedPlaces(const std::string& application_folder);
// Writes section "Places" in one replacement, keeping the file's other lines.
void WriteRememberedPlaces(const std::string& application_folder, const RememberedPlaces& places);

// `path` moved (or added) to the front of `recent`, at most
// kRecentProjectCount kept.
void RememberRecentProject(std::vector<std::string>& recent, const std::string& path);

}  // namespace qp::app
