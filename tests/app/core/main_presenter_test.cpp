#include "app/core/main_presenter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "compiler/build_driver.h"
#include "compiler/group_file_reader.h"
#include "project/atomic_file.h"
#include "project/errors.h"
#include "project/ini_file.h"
#include "tests/app/core/fake_main_view_helpers.h"
#include "tests/compiler/build_project_helpers.h"
#include "tests/project/project_test_helpers.h"

namespace qp::app {
namespace {

using test::FakeMainView;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

PlateRecord Plate(const std::string& name, const std::string& source = "/charts/chart.pdf") {
  PlateRecord plate;
  plate.Name = name;
  plate.SourceFile = source;
  return plate;
}

class PresenterTest : public ::testing::Test {
 protected:
  PresenterTest() : presenter(view, home.Folder()) { presenter.Start(); }

  std::string ProjectPath(const std::string& name = "test.zpl") {
    return home.Folder() + "Projects/" + name;
  }

  void NewProject(const std::string& name = "test.zpl") {
    view.new_project_answers.push_back(ProjectPath(name));
    presenter.NewProject();
  }

  void AddGroup(const std::string& name, const std::string& id, uint8_t type = 0) {
    view.group_editor_answers.push_back({name, id, type});
    presenter.AddGroup();
  }

  void SelectGroup(int position) {
    view.selected_group = position;
    presenter.GroupSelected(position);
  }

  // A project with one airport group, current, holding plates P1..Pn.
  void GroupWithPlates(int n) {
    NewProject();
    AddGroup("Los Angeles international", "KLAX");
    SelectGroup(0);
    for (int i = 1; i <= n; ++i) presenter.Model().AddPlate(Plate("P" + std::to_string(i)));
  }

  std::vector<std::string> PlateNames() {
    std::vector<std::string> names;
    const GroupRecord* group = presenter.Model().GroupAt(presenter.Model().CurrentGroup);
    for (int i = 0; i < group->Count; ++i)
      names.push_back(presenter.Model().PlateTable()[static_cast<size_t>(i)].Name);
    return names;
  }

  TempDir home;
  FakeMainView view;
  MainPresenter presenter;
};

TEST_F(PresenterTest, DeletingPlatesTwoAndFourOfFiveRenumbersTheRest) {
  GroupWithPlates(5);
  presenter.Model().ProjectModified = false;
  presenter.Model().GroupModified = false;
  view.selected_plates = {1, 3};
  presenter.DeletePlates();

  EXPECT_EQ(PlateNames(), (std::vector<std::string>{"P1", "P3", "P5"}));
  ASSERT_EQ(view.plates.size(), 3u);
  EXPECT_EQ(view.plates[0].rfind("Plate 1, P1,", 0), 0u);
  EXPECT_EQ(view.plates[1].rfind("Plate 2, P3,", 0), 0u);
  EXPECT_EQ(view.plates[2].rfind("Plate 3, P5,", 0), 0u);
  EXPECT_EQ(view.groups[0], "Airport: Group1 KLAX, Los Angeles international, 3 plates");
  EXPECT_TRUE(view.selected_plates.empty());
  EXPECT_TRUE(presenter.Model().ProjectModified);
  EXPECT_TRUE(presenter.Model().GroupModified);

  // What is written and read back is the same three plates.
  AddGroup("Other", "KSFO");
  SelectGroup(1);
  SelectGroup(0);
  EXPECT_EQ(PlateNames(), (std::vector<std::string>{"P1", "P3", "P5"}));
}

struct MoveCase {
  const char* name;
  int plates;
  std::set<int> selected;
  bool up;
  std::vector<std::string> order;
  std::set<int> selected_after;
  bool modified;
};

class MovePlatesTest : public PresenterTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MovePlatesTest, MovesSelectedLinesAndTheirPlates) {
  const MoveCase& c = GetParam();
  GroupWithPlates(c.plates);
  const std::vector<std::string> lines_before = view.plates;
  presenter.Model().GroupModified = false;
  view.selected_plates = c.selected;
  if (c.up) {
    presenter.MovePlatesUp();
  } else {
    presenter.MovePlatesDown();
  }
  EXPECT_EQ(PlateNames(), c.order);
  EXPECT_EQ(view.selected_plates, c.selected_after);
  EXPECT_EQ(presenter.Model().GroupModified, c.modified);
  // Lines travel with their plates and keep their old numbers.
  for (size_t i = 0; i < c.order.size(); ++i) {
    const size_t from = static_cast<size_t>(std::stoi(c.order[i].substr(1)) - 1);
    EXPECT_EQ(view.plates[i], lines_before[from]);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MovePlatesTest,
    ::testing::Values(
        MoveCase{"UpSecondAndThirdOfFour", 4, {1, 2}, true, {"P2", "P3", "P1", "P4"}, {0, 1}, true},
        MoveCase{"UpFirstTwoStayPut", 4, {0, 1}, true, {"P1", "P2", "P3", "P4"}, {0, 1}, false},
        MoveCase{"UpBlockAtTopAndOneBelow",
                 4,
                 {0, 1, 3},
                 true,
                 {"P1", "P2", "P4", "P3"},
                 {0, 1, 2},
                 true},
        MoveCase{"DownLastTwoStayPut", 4, {2, 3}, false, {"P1", "P2", "P3", "P4"}, {2, 3}, false},
        MoveCase{"DownFirst", 4, {0}, false, {"P2", "P1", "P3", "P4"}, {1}, true},
        MoveCase{
            "DownFirstAndThird", 5, {0, 2}, false, {"P2", "P1", "P4", "P3", "P5"}, {1, 3}, true},
        MoveCase{"DownSingleLine", 1, {0}, false, {"P1"}, {0}, false},
        MoveCase{"UpNothingSelected", 3, {}, true, {"P1", "P2", "P3"}, {}, false}),
    [](const ::testing::TestParamInfo<MoveCase>& test_case) {
      return std::string(test_case.param.name);
    });

TEST_F(PresenterTest, MovedLinesAreRenumberedWhenTheGroupIsLoadedAgain) {
  GroupWithPlates(4);
  view.selected_plates = {1, 2};
  presenter.MovePlatesUp();
  EXPECT_EQ(view.plates[0].rfind("Plate 2, P2,", 0), 0u);
  SelectGroup(0);  // writes the moves and reloads
  EXPECT_EQ(view.plates[0].rfind("Plate 1, P2,", 0), 0u);
  EXPECT_EQ(PlateNames(), (std::vector<std::string>{"P2", "P3", "P1", "P4"}));
}

TEST_F(PresenterTest, LongSourceFileNameIsShortenedInTheMiddle) {
  GroupWithPlates(0);
  const std::string file_name = std::string(28, 'a') + std::string(4, 'b') + std::string(28, 'c');
  ASSERT_EQ(file_name.size(), 60u);
  presenter.Model().AddPlate(Plate("Long", "/charts/" + file_name));
  // The file part "File: "...."" has 68 characters; characters 25 to 42
  // give way to "...".
  const std::string file_part = "File: \"" + file_name + "\"";
  const std::string expected = file_part.substr(0, 24) + "..." + file_part.substr(42);
  ASSERT_EQ(expected.size(), 53u);
  EXPECT_EQ(view.plates.at(0), "Plate 1, Long, Page 1, " + expected);
}

TEST_F(PresenterTest, NewProjectOverTheOpenProjectsFileEmptiesIt) {
  GroupWithPlates(2);
  AddGroup("Weather", "", 1);
  view.new_project_answers.push_back(ProjectPath());
  presenter.NewProject();

  EXPECT_EQ(presenter.Model().GroupCount(), 0);
  EXPECT_TRUE(view.groups.empty());
  EXPECT_TRUE(view.plates.empty());
  EXPECT_EQ(IniFile(ProjectPath()).ReadInteger("General", "NumberOfGroups", -1), 0);
  EXPECT_EQ(presenter.Model().CurrentGroup, -1);
  EXPECT_TRUE(presenter.Model().ProjectModified);

  view.open_project_answers.push_back(ProjectPath());
  presenter.OpenProject();
  EXPECT_EQ(presenter.Model().GroupCount(), 0);
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(PresenterTest, NewProjectWritesThePendingChangesOfTheOpenOne) {
  GroupWithPlates(3);
  ASSERT_TRUE(presenter.Model().GroupModified);
  NewProject("second.zpl");
  EXPECT_EQ(view.active_project, "second.zpl");

  view.open_project_answers.push_back(ProjectPath());
  presenter.OpenProject();
  ASSERT_EQ(view.groups.size(), 1u);
  EXPECT_EQ(view.groups[0], "Airport: Group1 KLAX, Los Angeles international, 3 plates");
  SelectGroup(0);
  EXPECT_EQ(PlateNames(), (std::vector<std::string>{"P1", "P2", "P3"}));
}

TEST_F(PresenterTest, DialogsOpenInTheProjectFolderAndCancelChangesNothing) {
  GroupWithPlates(1);
  view.new_project_answers.push_back(std::nullopt);
  presenter.NewProject();
  view.open_project_answers.push_back(std::nullopt);
  presenter.OpenProject();
  EXPECT_EQ(view.dialog_folders, (std::vector<std::string>(3, home.Folder() + "Projects/")));
  EXPECT_EQ(presenter.Model().GroupCount(), 1);
  EXPECT_EQ(view.plates.size(), 1u);
  EXPECT_EQ(view.active_project, "test.zpl");
}

TEST_F(PresenterTest, InformationGroupShowsAndStoresNoId) {
  NewProject();
  AddGroup("Los Angeles international", "klax");
  AddGroup("San Francisco", "KSFO");
  AddGroup("Notes", "KLAX", 1);
  ASSERT_EQ(view.groups.size(), 3u);
  EXPECT_EQ(view.groups[0], "Airport: Group1 KLAX, Los Angeles international, 0 plates");
  EXPECT_EQ(view.groups[2], "Info: Group3 , Notes, 0 plates");
  presenter.Model().SaveProject();
  IniFile file(ProjectPath());
  EXPECT_EQ(file.ReadString("Group3", "ID", "missing"), "");
  EXPECT_EQ(file.ReadInteger("Group3", "Type", -1), 1);
  // The editor opens empty with the airport item chosen.
  EXPECT_EQ(view.group_editor_shown.at(2).name, "");
  EXPECT_EQ(view.group_editor_shown.at(2).type, 0);
}

TEST_F(PresenterTest, AddGroupWithEmptyNameDoesNothing) {
  NewProject();
  presenter.Model().ProjectModified = false;
  AddGroup("", "KLAX");
  EXPECT_EQ(presenter.Model().GroupCount(), 0);
  EXPECT_TRUE(view.groups.empty());
  EXPECT_FALSE(presenter.Model().ProjectModified);
}

TEST_F(PresenterTest, CharactersOutsideWindows1252AreRefusedWhereTyped) {
  NewProject();
  const struct {
    const char* name;
    const char* id;
    uint8_t type;
    const char* message;
  } cases[] = {
      {"A\xC3\xA9roport \xE7\xA9\xBA", "KLAX", 0,
       "The group name cannot hold the character \"\xE7\xA9\xBA\""},
      {"Paris", "\xC3\x89\xE7\xA9\xBA", 0,
       "The group ID cannot hold the character \"\xE7\xA9\xBA\""},
  };
  for (const auto& c : cases) {
    view.messages.clear();
    AddGroup(c.name, c.id, c.type);
    EXPECT_EQ(presenter.Model().GroupCount(), 0);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find(c.message), std::string::npos) << view.messages[0];
  }
  // Windows-1252 letters are kept as they are.
  AddGroup("A\xC3\xA9roport", "\xC3\x89LL");
  EXPECT_EQ(presenter.Model().GroupAt(0)->Name, "A\xE9roport");
}

TEST_F(PresenterTest, OpeningAFileThatIsNotAProjectKeepsTheCurrentOne) {
  GroupWithPlates(2);
  const std::string pdf = home.Folder() + "chart.pdf";
  WriteFile(pdf, "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
  view.open_project_answers.push_back(pdf);
  presenter.OpenProject();
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0], pdf + " is not a project file");
  EXPECT_EQ(presenter.Model().ProjectFileName, ProjectPath());
  EXPECT_EQ(presenter.Model().GroupCount(), 1);
  EXPECT_EQ(ReadFile(pdf), "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
}

TEST_F(PresenterTest, EditGroupKeepsPlatesAndClearsImportPrefix) {
  GroupWithPlates(12);
  presenter.Model().FilenameHeader = "KLAX_";
  presenter.Model().FilenameHeaderPath = "/charts/";
  const std::vector<std::string> plate_lines = view.plates;
  view.group_editor_answers.push_back({"LAX", "klax", 0});
  presenter.EditGroupProperties();

  EXPECT_EQ(view.group_editor_shown.at(1).name, "Los Angeles international");
  EXPECT_EQ(view.group_editor_shown.at(1).id, "KLAX");
  EXPECT_EQ(view.groups[0], "Airport: Group1 KLAX, LAX, 12 plates");
  EXPECT_EQ(view.plates, plate_lines);
  EXPECT_EQ(presenter.Model().GroupAt(0)->Count, 12);
  EXPECT_TRUE(presenter.Model().ProjectModified);
  EXPECT_EQ(presenter.Model().FilenameHeader, "");
  EXPECT_EQ(presenter.Model().FilenameHeaderPath, "");

  // An empty name changes nothing; turning it into an information group
  // drops its ID.
  view.group_editor_answers.push_back({"", "XXXX", 1});
  presenter.EditGroupProperties();
  EXPECT_EQ(view.groups[0], "Airport: Group1 KLAX, LAX, 12 plates");
  view.group_editor_answers.push_back({"LAX notes", "KLAX", 1});
  presenter.EditGroupProperties();
  EXPECT_EQ(view.groups[0], "Info: Group1 , LAX notes, 12 plates");
}

TEST_F(PresenterTest, DeleteGroupDropsItAndLeavesNoGroupCurrent) {
  NewProject();
  AddGroup("First", "AAAA");
  AddGroup("Second", "BBBB");
  AddGroup("Third", "CCCC");
  SelectGroup(2);
  presenter.Model().AddPlate(Plate("C1"));
  SelectGroup(1);
  presenter.DeleteGroup();

  EXPECT_EQ(view.groups, (std::vector<std::string>{"Airport: Group1 AAAA, First, 0 plates",
                                                   "Airport: Group2 CCCC, Third, 1 plates"}));
  EXPECT_EQ(presenter.Model().CurrentGroup, -1);
  EXPECT_EQ(view.selected_group, -1);
  EXPECT_TRUE(view.plates.empty());
  SelectGroup(1);
  EXPECT_EQ(PlateNames(), (std::vector<std::string>{"C1"}));
}

// Commands that need a project, a selected line or a current group.
struct GuardCase {
  const char* name;
  bool project;
  int selected_group;  // -1 none; else the line selected and made current when a project exists
  std::function<void(MainPresenter&)> command;
  std::vector<std::string> messages;
};

class CommandGuardTest : public PresenterTest, public ::testing::WithParamInterface<GuardCase> {};

TEST_P(CommandGuardTest, ShowsMessageOrDoesNothing) {
  const GuardCase& c = GetParam();
  if (c.project) {
    NewProject();
    AddGroup("First", "AAAA");
    presenter.Model().ProjectModified = false;
  }
  view.selected_group = c.selected_group;
  c.command(presenter);
  EXPECT_EQ(view.messages, c.messages);
  EXPECT_EQ(presenter.Model().GroupCount(), c.project ? 1 : 0);
  EXPECT_FALSE(presenter.Model().ProjectModified);
  EXPECT_FALSE(presenter.Model().GroupModified);
  EXPECT_TRUE(view.group_editor_shown.size() == (c.project ? 1u : 0u));
}

const std::vector<std::string> kNoProject{"No project loaded"};

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandGuardTest,
    ::testing::Values(
        GuardCase{"AddGroupNoProject", false, -1, &MainPresenter::AddGroup, kNoProject},
        GuardCase{"EditGroupNoProjectWithLine", false, 0, &MainPresenter::EditGroupProperties,
                  kNoProject},
        GuardCase{"EditGroupNoLine", false, -1, &MainPresenter::EditGroupProperties, {}},
        GuardCase{"EditGroupNoCurrent", true, 0, &MainPresenter::EditGroupProperties, {}},
        GuardCase{"DeleteGroupNoProject", false, 0, &MainPresenter::DeleteGroup, {}},
        GuardCase{"DeleteGroupNoCurrent", true, 0, &MainPresenter::DeleteGroup, {}},
        GuardCase{"DeletePlatesNoProject", false, -1, &MainPresenter::DeletePlates, {}},
        GuardCase{"DeletePlatesNoGroup", true, -1, &MainPresenter::DeletePlates, {}},
        GuardCase{"MoveUpNoGroup", true, -1, &MainPresenter::MovePlatesUp, {}},
        GuardCase{"MoveDownNoProject", false, -1, &MainPresenter::MovePlatesDown, {}},
        GuardCase{"PlateClickNoProject", false, -1, &MainPresenter::PlateClicked, {}},
        GuardCase{
            "GroupSelectedNoProject", false, 0, [](MainPresenter& p) { p.GroupSelected(0); }, {}},
        GuardCase{"BuildWithoutBuilder", true, 0, &MainPresenter::BuildAllGroups, {}}),
    [](const ::testing::TestParamInfo<GuardCase>& test_case) {
      return std::string(test_case.param.name);
    });

TEST_F(PresenterTest, DeletePlatesInEmptyGroupDoesNothing) {
  GroupWithPlates(0);
  presenter.Model().ProjectModified = false;
  presenter.DeletePlates();
  EXPECT_FALSE(presenter.Model().ProjectModified);
  EXPECT_FALSE(presenter.Model().GroupModified);
}

TEST_F(PresenterTest, ClickingAPlateMakesItCurrent) {
  GroupWithPlates(3);
  view.focused_plate = 2;
  presenter.PlateClicked();
  EXPECT_EQ(presenter.Model().CurrentPlate, 2);
}

TEST_F(PresenterTest, FailedWriteWhenChangingGroupKeepsTheOldGroup) {
  GroupWithPlates(2);
  AddGroup("Second", "BBBB");
  {
    ScopedWriteFailure failure(0);
    SelectGroup(1);
  }
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0], "Unable to write to " + ProjectPath());
  EXPECT_EQ(presenter.Model().CurrentGroup, 0);
  EXPECT_EQ(view.selected_group, 0);
  EXPECT_EQ(view.plates.size(), 2u);
  SelectGroup(1);  // the window is still usable
  EXPECT_EQ(presenter.Model().CurrentGroup, 1);
}

TEST_F(PresenterTest, StartOpensTheLastProjectAndCloseRemembersIt) {
  GroupWithPlates(1);
  presenter.Close();
  EXPECT_TRUE(view.messages.empty());

  FakeMainView second_view;
  MainPresenter second(second_view, home.Folder());
  second.Start();
  EXPECT_EQ(second_view.active_project, "test.zpl");
  EXPECT_EQ(
      second_view.groups,
      (std::vector<std::string>{"Airport: Group1 KLAX, Los Angeles international, 1 plates"}));
  EXPECT_EQ(second.Model().CurrentGroup, -1);
}

// Each group and plate command records one edit; undone, the lists and the
// model are as before it, redone as after it, and undoing them all leaves
// the project file as it was once written.
TEST_F(PresenterTest, EditsUndoAndRedo) {
  GroupWithPlates(3);
  AddGroup("Second", "KSFO");
  SelectGroup(0);
  view.edits.clear();
  const auto state = [&] {
    std::string text;
    for (const std::string& line : view.groups) text += line + "\n";
    if (presenter.Model().GroupAt(presenter.Model().CurrentGroup)) {
      for (const std::string& name : PlateNames()) text += name + " ";
    }
    return text;
  };
  const std::string start = state();
  struct Row {
    const char* name;
    std::function<void()> command;
  };
  const std::vector<Row> rows = {
      {"delete plates",
       [&] {
         view.selected_plates = {1};
         presenter.DeletePlates();
       }},
      {"move plates",
       [&] {
         view.selected_plates = {1};
         presenter.MovePlatesUp();
       }},
      {"edit group",
       [&] {
         view.group_editor_answers.push_back({"Renamed", "krrr", 0});
         presenter.EditGroupProperties();
       }},
      {"add group", [&] { AddGroup("Third", "KOAK"); }},
      {"select another group and delete it",
       [&] {
         SelectGroup(1);
         presenter.DeleteGroup();
       }},
      {"delete the group with plates",
       [&] {
         SelectGroup(0);
         presenter.DeleteGroup();
       }},
  };
  for (const Row& row : rows) {
    row.command();
    ASSERT_FALSE(view.edits.empty()) << row.name;
    const std::string after = state();
    ProjectEdit& edit = *view.edits.back();
    ASSERT_TRUE(presenter.ApplyEdit(edit, true)) << row.name;
    const std::string undone = state();
    ASSERT_TRUE(presenter.ApplyEdit(edit, false)) << row.name;
    EXPECT_EQ(state(), after) << row.name;
    ASSERT_TRUE(presenter.ApplyEdit(edit, true)) << row.name;
    EXPECT_EQ(state(), undone) << row.name;
    ASSERT_TRUE(presenter.ApplyEdit(edit, false)) << row.name;
  }
  EXPECT_EQ(view.edits.size(), rows.size());
  for (auto edit = view.edits.rbegin(); edit != view.edits.rend(); ++edit) {
    ASSERT_TRUE(presenter.ApplyEdit(**edit, true));
  }
  SelectGroup(0);
  EXPECT_EQ(state(), start);
  presenter.Close();
  Project reread;
  reread.OpenProject(ProjectPath());
  reread.SelectGroup(0);
  ASSERT_EQ(reread.GroupCount(), 2);
  EXPECT_EQ(reread.GroupAt(0)->ID, "KLAX");
  EXPECT_EQ(reread.GroupAt(0)->Count, 3);
  EXPECT_EQ(reread.PlateTable()[1].Name, "P2");
  EXPECT_EQ(reread.GroupAt(1)->Name, "Second");
}

TEST_F(PresenterTest, EditOfAGroupThatHasGoneIsRefused) {
  GroupWithPlates(2);
  view.edits.clear();
  view.selected_plates = {0};
  presenter.DeletePlates();
  ASSERT_EQ(view.edits.size(), 1u);
  const std::unique_ptr<ProjectEdit> edit = std::move(view.edits.back());
  NewProject("other.zpl");
  EXPECT_TRUE(view.edits.empty());
  EXPECT_FALSE(presenter.ApplyEdit(*edit, true));
  EXPECT_EQ(view.messages.back(), "The project has changed: this step cannot be undone or redone");
  EXPECT_EQ(presenter.Model().GroupCount(), 0);
}

TEST_F(PresenterTest, DraggedPlatesMoveAndStaySelected) {
  GroupWithPlates(5);
  view.edits.clear();
  view.selected_plates = {0, 2};
  presenter.MovePlatesTo(4);
  EXPECT_EQ(PlateNames(), (std::vector<std::string>{"P2", "P4", "P1", "P3", "P5"}));
  EXPECT_EQ(view.plates[2].rfind("Plate 3, P1,", 0), 0u);
  EXPECT_EQ(view.selected_plates, (std::set<int>{2, 3}));
  EXPECT_TRUE(presenter.Model().GroupModified);
  ASSERT_EQ(view.edits.size(), 1u);
  presenter.ApplyEdit(*view.edits[0], true);
  EXPECT_EQ(PlateNames(), (std::vector<std::string>{"P1", "P2", "P3", "P4", "P5"}));
}

TEST_F(PresenterTest, RecentProjectsFollowWhatIsOpenedAndAreRemembered) {
  NewProject("a.zpl");
  NewProject("b.zpl");
  view.open_project_answers.push_back(ProjectPath("a.zpl"));
  presenter.OpenProject();
  EXPECT_EQ(view.recent, (std::vector<std::string>{ProjectPath("a.zpl"), ProjectPath("b.zpl")}));
  presenter.OpenRecentProject(1);
  EXPECT_EQ(view.active_project, "b.zpl");
  EXPECT_EQ(view.recent.front(), ProjectPath("b.zpl"));
  presenter.Places().plate_folder = "/charts";
  presenter.Close();

  FakeMainView second_view;
  MainPresenter second(second_view, home.Folder());
  second.Start();
  EXPECT_EQ(second_view.recent, view.recent);
  EXPECT_EQ(second.Places().plate_folder, "/charts");
  // A project file that has gone is taken off the list, not created anew.
  std::filesystem::remove(ProjectPath("a.zpl"));
  second.OpenRecentProject(1);
  EXPECT_EQ(second_view.recent, (std::vector<std::string>{ProjectPath("b.zpl")}));
  EXPECT_EQ(second_view.status, "Project not found: " + ProjectPath("a.zpl"));
  EXPECT_FALSE(std::filesystem::exists(ProjectPath("a.zpl")));
}

// A builder that records its calls and can run a command or fail midway.
class FakeBuilder : public GroupBuilder {
 public:
  std::vector<BuildRequest> requests;
  std::function<void(Project&)> during;
  std::string failure;

  void BuildGroups(Project& project, const BuildRequest& request, BuildStatus& status) override {
    requests.push_back(request);
    status.Start(request.PlateCount(project));
    for (int g : request.Groups(project)) project.SelectGroup(g);
    if (during) during(project);
    if (!failure.empty()) throw Error(failure);
    status.Finish();
  }
};

class FakeStatus : public BuildStatus {
 public:
  int started_with = -1;
  bool shown = false;
  void Start(int plates) override {
    started_with = plates;
    shown = true;
  }
  std::vector<std::string> lines;
  void AddLine(const std::string& line) override { lines.push_back(line); }
  void PlateDone() override {}
  bool StopRequested() const override { return false; }
  void Pump() override {}
  void Finish() override { shown = false; }
};

class BuildCommandTest : public PresenterTest {
 protected:
  BuildCommandTest() {
    presenter.SetBuilder(&builder, &status);
    NewProject();
    AddGroup("First", "AAAA");
    AddGroup("Second", "BBBB");
    SelectGroup(1);
    presenter.Model().AddPlate(Plate("B1"));
    presenter.Model().AddPlate(Plate("B2"));
    AddGroup("Third", "CCCC");
    SelectGroup(0);
  }
  FakeBuilder builder;
  FakeStatus status;
};

TEST_F(BuildCommandTest, SelectedGroupsAskForTheSelectedLineOnly) {
  SelectGroup(1);
  presenter.BuildSelectedGroups();
  ASSERT_EQ(builder.requests.size(), 1u);
  EXPECT_EQ(builder.requests[0].scope, BuildScope::bsSelectedGroups);
  EXPECT_EQ(builder.requests[0].Groups(presenter.Model()), (std::vector<int>{1}));
  EXPECT_EQ(status.started_with, 2);
  EXPECT_EQ(view.selected_group, 1);

  view.selected_group = -1;
  presenter.BuildSelectedGroups();
  EXPECT_TRUE(builder.requests.back().Groups(presenter.Model()).empty());
}

TEST_F(BuildCommandTest, BuildAllSelectsTheLastBuiltGroupsLine) {
  presenter.BuildAllGroups();
  EXPECT_EQ(builder.requests.at(0).Groups(presenter.Model()), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(presenter.Model().CurrentGroup, 2);
  EXPECT_EQ(view.selected_group, 2);
  EXPECT_FALSE(status.shown);
}

TEST_F(BuildCommandTest, CommandsWaitWhileABuildRuns) {
  SelectGroup(1);
  builder.during = [&](Project&) {
    view.selected_plates = {0};
    presenter.DeletePlates();
    presenter.DeleteGroup();
    presenter.BuildAllGroups();
    presenter.GroupSelected(0);
  };
  presenter.BuildSelectedGroups();
  EXPECT_EQ(builder.requests.size(), 1u);
  EXPECT_EQ(presenter.Model().GroupCount(), 3);
  EXPECT_EQ(presenter.Model().GroupAt(1)->Count, 2);
  EXPECT_EQ(presenter.Model().CurrentGroup, 1);
  EXPECT_EQ(view.selected_group, 1);
}

TEST_F(BuildCommandTest, FailedBuildIsReportedAndHidesTheStatusWindow) {
  builder.failure = "Unable to write to /nowhere/ZGAAAA.ZPG";
  presenter.BuildAllGroups();
  EXPECT_EQ(view.messages, (std::vector<std::string>{builder.failure}));
  EXPECT_FALSE(status.shown);
  EXPECT_FALSE(presenter.Building());
  EXPECT_EQ(view.selected_group, presenter.Model().CurrentGroup);
  builder.failure.clear();
  presenter.BuildAllGroups();  // a new build can start
  EXPECT_EQ(builder.requests.size(), 2u);
}

// The real driver behind the presenter: a BMP plate is built into its group
// file; a PDF plate that does not open ends the build with its message shown.
TEST_F(PresenterTest, BuildsThroughTheDriver) {
  const std::string bmp = home.Folder() + "Plates/chart.bmp";
  qp::testing::WriteBytes(bmp, qp::testing::PatternBmp(9, 7));
  const std::string pdf = home.Folder() + "Plates/chart.pdf";
  qp::testing::WriteBytes(pdf, {'%'});
  BuildDriver driver(home.Folder());
  FakeStatus status;
  presenter.SetBuilder(&driver, &status);
  NewProject();
  AddGroup("Bitmaps", "BMPS");
  AddGroup("Documents", "PDFS");
  SelectGroup(0);
  presenter.Model().AddPlate(Plate("B", bmp));
  presenter.Model().AddPlate(Plate("G", home.Folder() + "Plates/chart.gif"));
  SelectGroup(1);
  presenter.Model().AddPlate(Plate("P", pdf));
  SelectGroup(0);

  presenter.BuildSelectedGroups();
  EXPECT_TRUE(view.messages.empty());
  const GroupFileContent content = ReadGroupFile(home.Folder() + "Export/ZGBMPS.ZPG");
  ASSERT_EQ(content.entries.size(), 2u);
  ASSERT_TRUE(content.entries[0].plate);
  EXPECT_EQ(content.entries[0].plate->ImageWidth, 9);
  EXPECT_EQ(content.entries[0].plate->ImageHeight, 7);
  EXPECT_EQ(status.started_with, 2);
  EXPECT_EQ(status.lines.back(),
            "Built 1 plate of BMPS into ZGBMPS.ZPG; 1 skipped (unsupported type)");
  EXPECT_EQ(view.status, status.lines.back());
  EXPECT_FALSE(status.shown);
  EXPECT_FALSE(presenter.Model().ProjectModified);
  EXPECT_FALSE(presenter.Model().GroupModified);

  presenter.BuildAllGroups();
  EXPECT_EQ(view.messages, (std::vector<std::string>{pdf + ": startxref not found"}));
  EXPECT_EQ(view.status,
            "Built 1 plate of BMPS into ZGBMPS.ZPG; 1 skipped (unsupported type); failed after 2 "
            "of 3: " +
                view.messages[0]);
  EXPECT_FALSE(status.shown);
  EXPECT_FALSE(presenter.Building());
  EXPECT_EQ(presenter.Model().CurrentGroup, 1);
  EXPECT_EQ(view.selected_group, 1);
}

// Commands that find nothing to act on say why in the status bar.
TEST_F(BuildCommandTest, CommandsWithNothingChosenSayWhy) {
  struct Row {
    const char* name;
    std::function<void()> prepare;
    void (MainPresenter::*command)();
    const char* status;
  };
  const std::vector<Row> rows = {
      {"build selected", [&] { view.selected_group = -1; }, &MainPresenter::BuildSelectedGroups,
       kNoGroupToBuild},
      {"delete group", [&] { view.selected_group = -1; }, &MainPresenter::DeleteGroup,
       kNoGroupChosen},
      {"edit group", [&] { view.selected_group = -1; }, &MainPresenter::EditGroupProperties,
       kNoGroupChosen},
      {"delete plates", [&] { SelectGroup(1); }, &MainPresenter::DeletePlates, kNoPlatesChosen},
      {"move plates", [&] { SelectGroup(1); }, &MainPresenter::MovePlatesUp, kNoPlatesChosen},
      {"edit plate", [&] { SelectGroup(1); }, &MainPresenter::EditPlateDetails, kNoPlateChosen},
  };
  for (const Row& row : rows) {
    view.status.clear();
    view.selected_plates.clear();
    row.prepare();
    ((presenter).*(row.command))();
    EXPECT_EQ(view.status, row.status) << row.name;
  }
  EXPECT_EQ(presenter.Model().GroupCount(), 3);
  EXPECT_EQ(presenter.Model().GroupAt(1)->Count, 2);
}

TEST(FileNameOfTest, DropsTheFolder) {
  EXPECT_EQ(FileNameOf("/home/user/Projects/a.zpl"), "a.zpl");
  EXPECT_EQ(FileNameOf("a.zpl"), "a.zpl");
  EXPECT_EQ(FileNameOf(""), "");
}

}  // namespace
}  // namespace qp::app
