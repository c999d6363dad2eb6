#include "app/core/remembered_places.h"

#include <algorithm>
#include <charconv>

#include "project/app_folders.h"
#include "project/ini_file.h"

namespace qp::app {
namespace {

constexpr std::string_view kSection = "Places";
constexpr int kMaxWindowSide = 32767;
constexpr const char* kPlateFolderKey = "PlateFolder";
constexpr const char* kImportFolderKey = "ImportFolder";
constexpr const char* kRecentKey = "RecentProject";
constexpr const char* kWindowKeyPrefix = "Window";
// The windows whose places are kept; other keys are not read.
constexpr const char* kWindowKeys[] = {"MainWindow", "PlateEditor", "GroupEditor", "BatchImport",
                                       "GroupFileViewer"};

bool ReadInt(std::string_view& text, int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return false;
  text.remove_prefix(size_t(end - text.data()));
  return true;
}

}  // namespace

std::optional<WindowPlace> ParseWindowPlace(const std::string& text) {
  std::string_view rest = text;
  WindowPlace place;
  int* const fields[] = {&place.x, &place.y, &place.width, &place.height};
  for (size_t i = 0; i < 4; ++i) {
    if (i > 0) {
      if (!rest.starts_with(',')) return std::nullopt;
      rest.remove_prefix(1);
    }
    if (!ReadInt(rest, *fields[i])) return std::nullopt;
  }
  if (rest == ",max") {
    place.maximized = true;
  } else if (!rest.empty()) {
    return std::nullopt;
  }
  const auto side_ok = [](int side) { return side >= 1 && side <= kMaxWindowSide; };
  const auto position_ok = [](int v) { return v >= -kMaxWindowSide && v <= kMaxWindowSide; };
  if (!side_ok(place.width) || !side_ok(place.height) || !position_ok(place.x) ||
      !position_ok(place.y)) {
    return std::nullopt;
  }
  return place;
}

std::string WindowPlaceText(const WindowPlace& place) {
  return std::to_string(place.x) + "," + std::to_string(place.y) + "," +
         std::to_string(place.width) + "," + std::to_string(place.height) +
         (place.maximized ? ",max" : "");
}

RememberedPlaces ReadRememberedPlaces(const std::string& application_folder) {
  const IniFile file(application_folder + kSettingsFileName);
  RememberedPlaces places;
  for (const char* key : kWindowKeys) {
    const std::string text = file.ReadString(kSection, kWindowKeyPrefix + std::string(key), "");
    if (const std::optional<WindowPlace> place = ParseWindowPlace(text)) {
      places.windows[key] = *place;
    }
  }
  places.plate_folder = file.ReadString(kSection, kPlateFolderKey, "");
  places.import_folder = file.ReadString(kSection, kImportFolderKey, "");
  for (size_t i = 1; i <= kRecentProjectCount; ++i) {
    const std::string path = file.ReadString(kSection, kRecentKey + std::to_string(i), "");
    if (!path.empty() && std::find(places.recent_projects.begin(), places.recent_projects.end(),
                                   path) == places.recent_projects.end()) {
      places.recent_projects.push_back(path);
    }
  }
  return places;
}

void WriteRememberedPlaces(const std::string& application_folder, const RememberedPlaces& places) {
  IniFile file(application_folder + kSettingsFileName);
  for (const char* key : kWindowKeys) {
    const auto found = places.windows.find(key);
    if (found != places.windows.end()) {
      file.WriteString(kSection, kWindowKeyPrefix + std::string(key),
                       WindowPlaceText(found->second));
    }
  }
  file.WriteString(kSection, kPlateFolderKey, places.plate_folder);
  file.WriteString(kSection, kImportFolderKey, places.import_folder);
  for (size_t i = 0; i < kRecentProjectCount; ++i) {
    file.WriteString(kSection, kRecentKey + std::to_string(i + 1),
                     i < places.recent_projects.size() ? places.recent_projects[i] : "");
  }
  file.Commit();
}

void RememberRecentProject(std::vector<std::string>& recent, const std::string& path) {
  if (path.empty()) return;
  std::erase(recent, path);
  recent.insert(recent.begin(), path);
  if (recent.size() > kRecentProjectCount) recent.resize(kRecentProjectCount);
}

}  // namespace qp::app
