#pragma once
// AddPlate and EditPlate over the project model: they fill the plate
// editor's fields, show the editor when asked, and take the fields back
// into the current group's PlateTable when it closed with OK.

#include <string>

#include "app/core/plate_commands.h"
#include "app/core/plate_fields.h"
#include "project/project.h"

namespace qp::app {

inline constexpr const char* kNoGroupSelected = "No group selected";
inline constexpr const char* kNoProjectLoadedMessage = "No project loaded";

// What the plate operations ask of the windows. Appending a plate's line and
// renewing its group's line go through the project's own ProjectView
// (Project::AddPlate does both); replacing an edited plate's line comes here.
class PlateOperationsPort {
 public:
  virtual ~PlateOperationsPort() = default;

  // A plain message box with one OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // Replaces line `index` of the plate list.
  virtual void ReplacePlateLine(int index, const std::string& line) = 0;
  // Shows the plate editor modally over `fields` and leaves in them what
  // the user made of them, whichever way the editor closed. Returns
  // EditorAccepted: true only when it closed with OK.
  virtual bool ShowEditor(PlateEditorFields& fields) = 0;
};

// The plate editor window as a modal dialog over the fields; see
// PlateOperationsPort::ShowEditor.
class PlateEditorDialog {
 public:
  virtual ~PlateEditorDialog() = default;
  virtual bool ShowModal(PlateEditorFields& fields) = 0;
};

class PlateOperations : public PlateCommands {
 public:
  // `project` and `port` must outlive the operations.
  PlateOperations(Project& project, PlateOperationsPort& port);

  void AddPlate(const std::string& path, const std::string& name, int page, int pageCount,
                bool show) override;
  void EditPlate(const std::string& path, const std::string& name, int page, bool reset, bool show,
                 int index, int pageCount) override;

  // The editor's fields as the last operation left them.
  const PlateEditorFields& Fields() const { return fields_; }

 private:
  Project& project_;
  // Shows why the fields' plate name cannot be stored; true when it cannot,
  // and the plate is then left as it was.
  bool RefuseUnstorableName();

  PlateOperationsPort& port_;
  PlateEditorFields fields_;
};

}  // namespace qp::app
