#include "app/core/main_presenter.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <utility>

#include "app/core/build_summary.h"
#include "app/core/plate_order.h"
#include "compiler/palette.h"
#include "project/line_texts.h"
#include "project/text_encoding.h"

namespace qp::app {

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The plate operations' view of the windows: the main view's message box
// and plate list, and the plate editor when one is attached.
class MainPresenter::PlatePort : public PlateOperationsPort {
 public:
  PlatePort(MainView& view, PlateEditorDialog*& editor) : view_(view), editor_(editor) {}
  void ShowMessage(const std::string& text) override { view_.ShowMessage(text); }
  void ReplacePlateLine(int index, const std::string& line) override {
    view_.ReplacePlateLine(index, line);
  }
  bool ShowEditor(PlateEditorFields& fields) override {
    return editor_ && editor_->ShowModal(fields);
  }

 private:
  MainView& view_;
  PlateEditorDialog*& editor_;
};

MainPresenter::MainPresenter(MainView& view, std::string application_folder)
    : view_(view),
      application_folder_(std::move(application_folder)),
      project_(&view),
      plate_port_(std::make_unique<PlatePort>(view, plate_editor_)),
      plate_operations_(std::make_unique<PlateOperations>(project_, *plate_port_)) {}

MainPresenter::~MainPresenter() = default;

void MainPresenter::SetBuilder(GroupBuilder* builder, BuildStatus* status) {
  builder_ = builder;
  status_ = status;
}

void MainPresenter::Guarded(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& error) {
    view_.ShowMessage(error.what());
  }
}

void MainPresenter::ShowProjectName() {
  view_.ShowActiveProject(FileNameOf(project_.ProjectFileName));
}

void MainPresenter::RememberOpenProject() {
  RememberRecentProject(places_.recent_projects, project_.ProjectFileName);
  view_.ShowRecentProjects(places_.recent_projects);
}

void MainPresenter::Start() {
  Guarded([&] {
    settings_ = StartApplication(application_folder_, project_);
    places_ = ReadRememberedPlaces(application_folder_);
    view_.ShowRecentProjects(places_.recent_projects);
    // The plate palette and its fast matcher are built now, so that the
    // first build does not pause for them.
    PlatePaletteMatcher();
    if (OpenLastProject(settings_, project_)) {
      ShowProjectName();
      RememberOpenProject();
    }
  });
}

void MainPresenter::Close() {
  try {
    WriteRememberedPlaces(application_folder_, places_);
  } catch (const std::exception&) {
    // The settings written next go to the same file and report its failure.
  }
  for (const std::string& failure : CloseApplication(application_folder_, settings_, project_)) {
    view_.ShowMessage(failure);
  }
}

void MainPresenter::NewProject() {
  if (building_) return;
  const std::optional<std::string> path = view_.ChooseNewProjectFile(settings_.ProjectDIR);
  if (!path) return;
  Guarded([&] {
    // The open project's pending changes are written first, as on every
    // other way of leaving a project, so that nothing is lost.
    project_.FlushOnClose();
    try {
      project_.NewProject(*path);
    } catch (...) {
      ShowProjectName();
      throw;
    }
    ShowProjectName();
    RememberOpenProject();
    view_.ClearEdits();
  });
}

void MainPresenter::OpenProject() {
  if (building_) return;
  const std::optional<std::string> path = view_.ChooseProjectToOpen(settings_.ProjectDIR);
  if (!path) return;
  Guarded([&] {
    project_.OpenProject(*path);
    ShowProjectName();
    RememberOpenProject();
    view_.ClearEdits();
  });
}

void MainPresenter::OpenRecentProject(int index) {
  if (building_ || index < 0 || index >= int(places_.recent_projects.size())) return;
  const std::string path = places_.recent_projects[size_t(index)];
  std::error_code ec;
  // Opening a missing file would start a new, empty project under its name.
  if (!std::filesystem::is_regular_file(path, ec)) {
    std::erase(places_.recent_projects, path);
    view_.ShowRecentProjects(places_.recent_projects);
    view_.ShowStatus("Project not found: " + path);
    return;
  }
  Guarded([&] {
    project_.OpenProject(path);
    ShowProjectName();
    RememberOpenProject();
    view_.ClearEdits();
  });
}

void MainPresenter::BuildSelectedGroups() {
  Build(BuildScope::bsSelectedGroups);
}

void MainPresenter::BuildAllGroups() {
  Build(BuildScope::bsAllGroups);
}

void MainPresenter::Build(BuildScope scope) {
  // The build pumps events; a second build started from within would write
  // the same files and tables at once.
  if (!CanBuild() || building_) return;
  BuildRequest request;
  request.scope = scope;
  if (const int selected = view_.SelectedGroupLine(); selected >= 0) {
    request.selected_groups.push_back(selected);
  }
  const int group_before = project_.CurrentGroup;
  building_ = true;
  BuildTally tally(*status_, project_);
  try {
    builder_->BuildGroups(project_, request, tally);
  } catch (const std::exception& error) {
    building_ = false;
    status_->Finish();
    if (project_.CurrentGroup != group_before) view_.SelectGroupLine(project_.CurrentGroup);
    BuildCounts counts = tally.Counts();
    counts.ending = BuildEnding::kFailed;
    counts.error = error.what();
    view_.ShowStatus(BuildSummaryText(counts));
    view_.ShowMessage(error.what());
    return;
  }
  building_ = false;
  if (!project_.ProjectLoaded) {
    view_.ShowStatus(kNoProjectLoaded);
  } else if (scope == BuildScope::bsSelectedGroups && request.selected_groups.empty()) {
    view_.ShowStatus(kNoGroupToBuild);
  } else {
    view_.ShowStatus(BuildSummaryText(tally.Counts()));
  }
  // The build leaves the last built group current; its line is selected so
  // that the group commands act on the group whose plates are shown.
  if (project_.CurrentGroup != group_before) view_.SelectGroupLine(project_.CurrentGroup);
}

bool MainPresenter::NoGroupChosen() {
  if (!project_.ProjectLoaded) {
    view_.ShowStatus(kNoProjectLoaded);
    return true;
  }
  if (view_.SelectedGroupLine() < 0) {
    view_.ShowStatus(kNoGroupChosen);
    return true;
  }
  return false;
}

bool MainPresenter::NoPlatesChosen() {
  if (!project_.ProjectLoaded) {
    view_.ShowStatus(kNoProjectLoaded);
    return true;
  }
  if (!project_.GroupAt(project_.CurrentGroup)) {
    view_.ShowStatus(kNoGroupChosen);
    return true;
  }
  for (int i = 0; i < view_.PlateLineCount(); ++i) {
    if (view_.PlateLineSelected(i)) return false;
  }
  view_.ShowStatus(kNoPlatesChosen);
  return true;
}

GroupRecord* MainPresenter::SelectedCurrentGroup() {
  if (view_.SelectedGroupLine() != project_.CurrentGroup) return nullptr;
  return project_.GroupAt(project_.CurrentGroup);
}

void MainPresenter::ReplaceGroupLine(int position) {
  GroupRecord& group = *project_.GroupAt(position);
  if (!group.IsAirport()) group.ID.clear();
  view_.ReplaceGroupLine(position, GroupLine(group, position));
}

bool MainPresenter::RefuseUnstorable(const GroupNameFields& fields) {
  std::string message = UnstorableTextMessage("The group name", fields.name);
  if (message.empty() && fields.type == 0) {
    message = UnstorableTextMessage("The group ID", fields.id);
  }
  if (message.empty()) return false;
  view_.ShowMessage(message);
  return true;
}

void MainPresenter::AddGroup() {
  if (building_) return;
  if (!project_.ProjectLoaded) {
    view_.ShowMessage(kNoProjectLoaded);
    return;
  }
  const GroupNameFields fields = view_.EditGroupName(GroupNameFields{});
  if (fields.name.empty() || RefuseUnstorable(fields)) return;
  Guarded([&] {
    project_.AddGroup(fields.name, Utf8ToUpper(fields.id), fields.type == 0 ? 0 : 1);
    view_.RecordEdit(GroupAddedEdit(project_, project_.GroupCount() - 1));
  });
}

void MainPresenter::DeleteGroup() {
  if (building_ || NoGroupChosen()) return;
  if (project_.GroupCount() <= 0) return;
  if (!SelectedCurrentGroup()) return;
  const int position = project_.CurrentGroup;
  const GroupRecord record = *project_.GroupAt(position);
  std::vector<PlateRecord> plates = CurrentPlates(project_);
  project_.DeleteCurrentGroup();
  view_.SelectGroupLine(-1);
  view_.RecordEdit(GroupDeletedEdit(position, record, std::move(plates)));
}

void MainPresenter::EditGroupProperties() {
  if (building_) return;
  if (view_.SelectedGroupLine() < 0) {
    view_.ShowStatus(project_.ProjectLoaded ? kNoGroupChosen : kNoProjectLoaded);
    return;
  }
  if (!project_.ProjectLoaded) {
    view_.ShowMessage(kNoProjectLoaded);
    return;
  }
  GroupRecord* group = SelectedCurrentGroup();
  if (!group) return;
  GroupNameFields initial;
  initial.name = Windows1252ToUtf8(group->Name);
  initial.id = Windows1252ToUtf8(group->ID);
  initial.type = group->IsAirport() ? 0 : 1;
  const GroupNameFields fields = view_.EditGroupName(initial);
  if (fields.name.empty() || RefuseUnstorable(fields)) return;
  GroupProperties before = PropertiesOf(project_, project_.CurrentGroup);
  group->Name = NameField(fields.name);
  group->ID = GroupIdField(Utf8ToUpper(fields.id));
  // An information group keeps its stored type value when left as one.
  if (fields.type == 0) {
    group->Type = 0;
  } else if (group->IsAirport()) {
    group->Type = 1;
  }
  ReplaceGroupLine(project_.CurrentGroup);
  project_.ProjectModified = true;
  project_.FilenameHeader.clear();
  project_.FilenameHeaderPath.clear();
  view_.RecordEdit(GroupEditedEdit(project_.CurrentGroup, std::move(before),
                                   PropertiesOf(project_, project_.CurrentGroup)));
}

void MainPresenter::RecordPlates(const std::string& text, const std::function<void()>& command) {
  const int group = project_.CurrentGroup;
  std::vector<PlateRecord> before = CurrentPlates(project_);
  command();
  if (project_.CurrentGroup != group || !project_.GroupAt(group)) return;
  if (std::unique_ptr<ProjectEdit> edit =
          PlatesEdit(text, group, std::move(before), CurrentPlates(project_))) {
    view_.RecordEdit(std::move(edit));
  }
}

bool MainPresenter::ApplyEdit(ProjectEdit& edit, bool undo) {
  if (building_ || !project_.ProjectLoaded) return false;
  try {
    if (undo) {
      edit.Undo(project_, view_);
    } else {
      edit.Redo(project_, view_);
    }
  } catch (const std::exception& error) {
    view_.ShowMessage(error.what());
    return false;
  }
  return true;
}

void MainPresenter::GroupSelected(int position) {
  if (building_) {
    // The build decides which group is current while it runs.
    view_.SelectGroupLine(project_.CurrentGroup);
    return;
  }
  if (!project_.ProjectLoaded || !project_.GroupAt(position)) return;
  Guarded([&] {
    try {
      project_.SelectGroup(position);
    } catch (...) {
      // Writing the pending changes failed: the old group stays current,
      // and its line selected.
      view_.SelectGroupLine(project_.CurrentGroup);
      throw;
    }
  });
}

void MainPresenter::PlateClicked() {
  if (!project_.ProjectLoaded || !project_.GroupAt(project_.CurrentGroup)) return;
  project_.CurrentPlate = view_.FocusedPlateLine();
}

void MainPresenter::RebuildPlateLines() {
  view_.ClearPlateLines();
  const int count = project_.GroupAt(project_.CurrentGroup)->Count;
  for (int i = 0; i < count; ++i) {
    view_.AddPlateLine(PlateLine(project_.PlateTable()[static_cast<size_t>(i)], i));
  }
}

void MainPresenter::DeletePlates() {
  if (building_ || NoPlatesChosen()) return;
  RecordPlates("delete plates", [&] {
    GroupRecord* group = project_.GroupAt(project_.CurrentGroup);
    if (!group || group->Count < 1) return;
    const int lines = std::min(view_.PlateLineCount(), group->Count);
    PlateArray& table = project_.PlateTable();
    int kept = 0;
    for (int i = 0; i < group->Count; ++i) {
      if (i < lines && view_.PlateLineSelected(i)) continue;
      if (kept != i) table[static_cast<size_t>(kept)] = std::move(table[static_cast<size_t>(i)]);
      ++kept;
    }
    group->Count = kept;
    if (project_.CurrentPlate >= kept) project_.CurrentPlate = -1;
    RebuildPlateLines();
    ReplaceGroupLine(project_.CurrentGroup);
    project_.ProjectModified = true;
    project_.GroupModified = true;
  });
}

void MainPresenter::AddPlate() {
  if (building_) return;
  Guarded(
      [&] { RecordPlates("add plate", [&] { plate_operations_->AddPlate("", "", 0, 0, true); }); });
}

void MainPresenter::EditPlateDetails() {
  if (building_) return;
  const GroupRecord* group = project_.GroupAt(project_.CurrentGroup);
  if (project_.ProjectLoaded && group &&
      (project_.CurrentPlate < 0 || project_.CurrentPlate >= group->Count)) {
    view_.ShowStatus(kNoPlateChosen);
    return;
  }
  Guarded([&] {
    RecordPlates("edit plate", [&] {
      plate_operations_->EditPlate("", "", 0, false, true, project_.CurrentPlate, 0);
    });
  });
}

void MainPresenter::SwapPlateLines(int a, int b) {
  const std::string text_a = view_.PlateLineText(a);
  view_.ReplacePlateLine(a, view_.PlateLineText(b));
  view_.ReplacePlateLine(b, text_a);
  std::swap(project_.PlateTable()[static_cast<size_t>(a)],
            project_.PlateTable()[static_cast<size_t>(b)]);
  view_.SetPlateLineSelected(a, false);
  view_.SetPlateLineSelected(b, false);
}

// A selected line moves only past an unselected one: a block of selected
// lines that reaches the top (or the bottom) stays as it is, in order and
// selected, instead of being turned around.
void MainPresenter::MovePlatesUp() {
  if (building_ || NoPlatesChosen()) return;
  RecordPlates("move plates", [&] {
    const GroupRecord* group = project_.GroupAt(project_.CurrentGroup);
    if (!group) return;
    const int lines = std::min(view_.PlateLineCount(), group->Count);
    for (int i = 1; i < lines; ++i) {
      if (!view_.PlateLineSelected(i) || view_.PlateLineSelected(i - 1)) continue;
      SwapPlateLines(i, i - 1);
      view_.SetPlateLineSelected(i - 1, true);
      project_.GroupModified = true;
    }
  });
}

void MainPresenter::MovePlatesDown() {
  if (building_ || NoPlatesChosen()) return;
  RecordPlates("move plates", [&] {
    const GroupRecord* group = project_.GroupAt(project_.CurrentGroup);
    if (!group) return;
    const int lines = std::min(view_.PlateLineCount(), group->Count);
    if (lines < 2) return;
    for (int i = lines - 2; i >= 0; --i) {
      if (!view_.PlateLineSelected(i) || view_.PlateLineSelected(i + 1)) continue;
      SwapPlateLines(i, i + 1);
      view_.SetPlateLineSelected(i + 1, true);
      project_.GroupModified = true;
    }
  });
}

void MainPresenter::MovePlatesTo(int target) {
  if (building_ || NoPlatesChosen()) return;
  RecordPlates("move plates", [&] {
    GroupRecord* group = project_.GroupAt(project_.CurrentGroup);
    const int lines = std::min(view_.PlateLineCount(), group->Count);
    std::vector<bool> selected(static_cast<size_t>(lines));
    for (int i = 0; i < lines; ++i) selected[size_t(i)] = view_.PlateLineSelected(i);
    const std::vector<int> order = DraggedOrder(selected, target);
    PlateArray& table = project_.PlateTable();
    std::vector<PlateRecord> moved;
    moved.reserve(order.size());
    for (int from : order) moved.push_back(std::move(table[size_t(from)]));
    for (size_t i = 0; i < moved.size(); ++i) table[i] = std::move(moved[i]);
    RebuildPlateLines();
    for (int i = 0; i < lines; ++i) {
      if (selected[size_t(order[size_t(i)])]) view_.SetPlateLineSelected(i, true);
    }
    project_.CurrentPlate = -1;
    project_.GroupModified = true;
  });
}

void MainPresenter::DropFiles(const std::vector<std::string>& paths, PageCountSource& pages) {
  if (building_) return;
  if (!project_.ProjectLoaded) {
    view_.ShowStatus(kNoProjectLoaded);
    return;
  }
  if (!project_.GroupAt(project_.CurrentGroup)) {
    view_.ShowStatus(kNoGroupToDropInto);
    return;
  }
  Guarded([&] {
    DropSummary summary;
    try {
      RecordPlates("add dropped files", [&] {
        summary = ImportDroppedFiles(project_, *plate_operations_, pages, paths);
      });
    } catch (...) {
      // The plates added before the failure stay, as in the batch import.
      view_.ClearEdits();
      throw;
    }
    view_.ShowStatus(DropSummaryText(summary));
  });
}

void MainPresenter::ProcessBatchImport(PlateCommands& plates, PageCountSource& pages,
                                       const ImportProgress& progress) {
  // The build pumps events and owns the plate table while it runs.
  if (building_) return;
  if (!project_.ProjectLoaded) {
    view_.ShowStatus(kNoProjectLoaded);
  } else if (!project_.GroupAt(project_.CurrentGroup)) {
    view_.ShowStatus(kNoGroupToImport);
  }
  // The import's plates are not recorded as edits: older edits of this
  // group would put back plates from before it.
  view_.ClearEdits();
  Guarded([&] { RunBatchImport(project_, plates, pages, progress); });
}

}  // namespace qp::app
