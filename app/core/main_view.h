#pragma once
// What the main window's presenter asks of the windows: message boxes, the
// project and group dialogs, the "Active project:" field, and the lines and
// selection of the group and plate lists. The Qt windows implement it; tests
// use a fake. Text is UTF-8.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/core/project_edits.h"
#include "project/project_view.h"

namespace qp::app {

// The fields of the group name editor.
struct GroupNameFields {
  std::string name;
  std::string id;
  uint8_t type = 0;  // 0 airport group, 1 information group
};

class MainView : public EditView {
 public:
  // An edit just made, for Undo; ClearEdits forgets every one.
  virtual void RecordEdit(std::unique_ptr<ProjectEdit> edit) = 0;
  virtual void ClearEdits() = 0;
  // A message box with the application title and one OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // A line in the main window's status bar: what a command did, or why it
  // did nothing.
  virtual void ShowStatus(const std::string& text) = 0;
  // The "Recent projects" menu, most recent first.
  virtual void ShowRecentProjects(const std::vector<std::string>& paths) = 0;
  // The text beside "Active project:".
  virtual void ShowActiveProject(const std::string& text) = 0;

  // The save and open dialogs for project files, opened in `folder`; no
  // value when the user cancels.
  virtual std::optional<std::string> ChooseNewProjectFile(const std::string& folder) = 0;
  virtual std::optional<std::string> ChooseProjectToOpen(const std::string& folder) = 0;
  // Shows the group name editor modally with `initial` and returns its
  // fields, whichever way it was closed.
  virtual GroupNameFields EditGroupName(const GroupNameFields& initial) = 0;

  // Group list selection: -1 when no line is selected. Selecting from here
  // does not count as the user's selection of a group.
  virtual int SelectedGroupLine() const = 0;
  virtual void SelectGroupLine(int position) = 0;

  // Plate list lines and their selection.
  virtual int PlateLineCount() const = 0;
  virtual std::string PlateLineText(int index) const = 0;
  virtual void ReplacePlateLine(int index, const std::string& line) = 0;
  virtual bool PlateLineSelected(int index) const = 0;
  virtual void SetPlateLineSelected(int index, bool selected) = 0;
  // The line with the keyboard focus, -1 when none.
  virtual int FocusedPlateLine() const = 0;
};

}  // namespace qp::app
