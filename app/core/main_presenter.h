#pragma once
// The commands of the main window, free of any widget: the presenter works
// on the project model and talks to the windows through MainView. Every
// command catches the errors it raises and shows their message, so the
// program goes on and the window stays usable.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/batch_import.h"
#include "app/core/build_commands.h"
#include "app/core/main_view.h"
#include "app/core/plate_commands.h"
#include "app/core/plate_operations.h"
#include "app/core/remembered_places.h"
#include "project/app_session.h"
#include "project/project.h"

namespace qp::app {

inline constexpr const char* kNoProjectLoaded = "No project loaded";
// Status bar texts of commands that have nothing to act on.
inline constexpr const char* kNoGroupToBuild = "No group selected: select a group to build it";
inline constexpr const char* kNoGroupChosen = "No group selected: select a group first";
inline constexpr const char* kNoPlatesChosen = "No plates selected: select plates first";
inline constexpr const char* kNoPlateChosen = "No plate selected: click a plate first";
inline constexpr const char* kNoGroupToDropInto =
    "No group selected: select the group to add the files to";
inline constexpr const char* kNoGroupToImport =
    "No group selected: select the group to import into";

class MainPresenter {
 public:
  // `view` and `builder` must outlive the presenter; without a builder the
  // build commands do nothing.
  MainPresenter(MainView& view, std::string application_folder);
  ~MainPresenter();

  Project& Model() { return project_; }
  const Project& Model() const { return project_; }
  const ApplicationSettings& Settings() const { return settings_; }
  // Window places, chooser folders and recent projects: read by Start,
  // written by Close.
  RememberedPlaces& Places() { return places_; }

  void SetBuilder(GroupBuilder* builder, BuildStatus* status);
  // The plate editor, created after this presenter; it must outlive it.
  // Without one, showing the editor counts as Cancel.
  void AttachPlateEditor(PlateEditorDialog* editor) { plate_editor_ = editor; }
  // AddPlate and EditPlate, for the plate list and the batch import.
  PlateCommands& Plates() { return *plate_operations_; }
  bool CanBuild() const { return builder_ && status_; }
  bool Building() const { return building_; }

  // Start-up: fixed folders, "Setup.ini", and the last project when it
  // still exists.
  void Start();
  // Close: writes "Setup.ini" and the pending changes; shows a message for
  // each write that failed. Never refuses.
  void Close();

  // Commands of the "&Project" menu.
  void NewProject();
  void OpenProject();
  // Item `index` of "Recent projects"; a project file that is gone is
  // taken off the list instead.
  void OpenRecentProject(int index);
  void BuildSelectedGroups();
  void BuildAllGroups();

  // Commands of the group list.
  void AddGroup();
  void DeleteGroup();
  void EditGroupProperties();
  void GroupSelected(int position);

  // Commands of the plate list.
  void PlateClicked();
  // "Add a plate": the editor for a new plate.
  void AddPlate();
  void DeletePlates();
  // "Edit plate details" and the double click on the plate list: the
  // editor for CurrentPlate.
  void EditPlateDetails();
  void MovePlatesUp();
  void MovePlatesDown();
  // The selected plates dragged to before line `target` (the line count:
  // after the last); they stay selected.
  void MovePlatesTo(int target);
  // Files dropped on the plate list: plates of the current group, as the
  // batch import makes them. One edit for Undo.
  void DropFiles(const std::vector<std::string>& paths, PageCountSource& pages);

  // Undo (or redo) of a recorded edit; false, with the message shown,
  // when it failed and changed nothing, or while a build runs.
  bool ApplyEdit(ProjectEdit& edit, bool undo);

  // "Process" of the batch import dialog: imports into the current group
  // through `plates`, counting pages with `pages`. An error ends the import
  // with its message; the plates added before it stay.
  void ProcessBatchImport(PlateCommands& plates, PageCountSource& pages,
                          const ImportProgress& progress = {});

 private:
  // Runs a command, showing the message of any error it raises.
  void Guarded(const std::function<void()>& command);
  void ShowProjectName();
  // The open project goes to the front of the recent projects.
  void RememberOpenProject();
  // Says in the status bar why a group command did nothing; true when no
  // project is loaded or no group line is selected.
  bool NoGroupChosen();
  // The same for a plate command: true when there is no current group or
  // none of its lines is selected.
  bool NoPlatesChosen();
  // The current group when its line is the selected one, else nullptr.
  GroupRecord* SelectedCurrentGroup();
  // Shows why a name or ID typed in the group editor cannot be stored;
  // true when it cannot.
  bool RefuseUnstorable(const GroupNameFields& fields);
  void ReplaceGroupLine(int position);
  void RebuildPlateLines();
  void SwapPlateLines(int a, int b);
  void Build(BuildScope scope);
  // Runs a command that may change the current group's plates and records
  // what it changed as one edit named `text`.
  void RecordPlates(const std::string& text, const std::function<void()>& command);

  MainView& view_;
  std::string application_folder_;
  Project project_;
  ApplicationSettings settings_;
  RememberedPlaces places_;
  GroupBuilder* builder_ = nullptr;
  BuildStatus* status_ = nullptr;
  bool building_ = false;
  class PlatePort;
  std::unique_ptr<PlatePort> plate_port_;
  std::unique_ptr<PlateOperations> plate_operations_;
  PlateEditorDialog* plate_editor_ = nullptr;
};

// The file name of a path without its folder.
std::string FileNameOf(const std::string& path);

}  // namespace qp::app
