#include "compiler/build_driver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "compiler/group_file_reader.h"
#include "compiler/palette.h"
#include "compiler/picture_source.h"
#include "compiler/plate_error.h"
#include "tests/compiler/build_project_helpers.h"

namespace qp {
namespace {

using testing::AddGroupWithPlates;
using testing::BuildFixtureFolder;
using testing::PatternBmp;
using testing::PatternJpeg;
using testing::PlateFrom;

// Records every call of the driver, in order; can ask for a stop while the
// n-th plate is in progress.
class RecordingStatus : public BuildStatus {
 public:
  std::vector<std::string> events;
  std::vector<std::string> lines;
  std::vector<std::string> files;
  int plates_to_build = -1;
  int plates_done = 0;
  bool shown = false;
  int stop_during_plate = -1;  // 0-based plate of the whole build
  bool stop = false;

  void Start(int plates) override {
    plates_to_build = plates;
    shown = true;
    stop = false;
    events.push_back("start");
  }
  void AddLine(const std::string& line) override {
    lines.push_back(line);
    events.push_back("line");
  }
  void PlateDone() override {
    ++plates_done;
    events.push_back("done");
  }
  bool StopRequested() const override { return stop; }
  void Pump() override {
    if (plates_done == stop_during_plate) stop = true;
    events.push_back("pump");
  }
  void Finish() override {
    shown = false;
    events.push_back("finish");
  }
  void GroupFileWritten(const std::string& path) override { files.push_back(path); }
};

class BuildDriverTest : public ::testing::Test {
 protected:
  BuildDriverTest() : driver(folder.Home()) { project.NewProject(folder.ProjectPath()); }

  std::string Bmp(const std::string& name, int width = 12, int height = 9, int seed = 0) {
    return folder.Source(name, PatternBmp(width, height, seed));
  }

  // Three airport groups of two BMP plates each.
  void ThreeGroupsOfTwo() {
    for (const std::string id : {"AAAA", "BBBB", "CCCC"}) {
      AddGroupWithPlates(
          project, "Group " + id, id,
          {PlateFrom("one", Bmp(id + "1.bmp")), PlateFrom("two", Bmp(id + "2.bmp"))});
    }
  }

  void Build(BuildScope scope, std::vector<int> selected = {}) {
    BuildRequest request;
    request.scope = scope;
    request.selected_groups = std::move(selected);
    driver.BuildGroups(project, request, status);
  }

  BuildFixtureFolder folder;
  Project project;
  RecordingStatus status;
  BuildDriver driver;
};

TEST_F(BuildDriverTest, AllGroupsOfTwoPlates) {
  ThreeGroupsOfTwo();
  Build(BuildScope::bsAllGroups);

  ASSERT_EQ(status.lines.size(), 6u);
  for (const std::string& line : status.lines) EXPECT_EQ(line.rfind("[", 0), 0u) << line;
  EXPECT_EQ(status.lines[2], "[3/6] BBBB1.bmp");
  EXPECT_EQ(status.files, (std::vector<std::string>{folder.Export("ZGAAAA.ZPG").string(),
                                                    folder.Export("ZGBBBB.ZPG").string(),
                                                    folder.Export("ZGCCCC.ZPG").string()}));
  for (const std::string& file : status.files) {
    const GroupFileContent content = ReadGroupFile(std::filesystem::path(file));
    ASSERT_EQ(content.entries.size(), 2u);
    EXPECT_TRUE(content.entries[0].plate && content.entries[1].plate);
  }
  EXPECT_EQ(status.plates_to_build, 6);
  EXPECT_EQ(status.plates_done, 6);
  EXPECT_FALSE(status.shown);
  // Per plate: line, pump, done, pump; the window is started first and
  // finished last.
  EXPECT_EQ(status.events.front(), "start");
  EXPECT_EQ(std::vector<std::string>(status.events.begin() + 1, status.events.begin() + 5),
            (std::vector<std::string>{"line", "pump", "done", "pump"}));
  EXPECT_EQ(status.events.back(), "finish");
  EXPECT_EQ(status.events.size(), 2u + 6 * 4);
  EXPECT_EQ(project.CurrentGroup, 2);
  EXPECT_EQ(project.PlateTable()[1].SourceFile, folder.MissingSource("CCCC2.bmp"));
  EXPECT_FALSE(project.ProjectModified);
  EXPECT_FALSE(project.GroupModified);
}

TEST_F(BuildDriverTest, SelectedGroupsOnly) {
  ThreeGroupsOfTwo();
  Build(BuildScope::bsSelectedGroups, {1});
  EXPECT_EQ(status.lines,
            (std::vector<std::string>{"[1/2] BBBB1.bmp", "[2/2] BBBB2.bmp"}));
  EXPECT_TRUE(std::filesystem::exists(folder.Export("ZGBBBB.ZPG")));
  EXPECT_FALSE(std::filesystem::exists(folder.Export("ZGAAAA.ZPG")));
  EXPECT_FALSE(std::filesystem::exists(folder.Export("ZGCCCC.ZPG")));
  EXPECT_EQ(project.CurrentGroup, 1);

  // No selected line: the window is shown and hidden, nothing is written.
  std::filesystem::remove(folder.Export("ZGBBBB.ZPG"));
  status = RecordingStatus();
  Build(BuildScope::bsSelectedGroups, {});
  EXPECT_EQ(status.events, (std::vector<std::string>{"start", "finish"}));
  EXPECT_TRUE(std::filesystem::is_empty(folder.Home() / "Export"));
}

TEST_F(BuildDriverTest, NoProjectOpenWritesNothing) {
  Project closed;
  driver.BuildGroups(closed, BuildRequest{}, status);
  EXPECT_EQ(status.events, (std::vector<std::string>{"start", "finish"}));
  EXPECT_EQ(status.plates_to_build, 0);
  EXPECT_TRUE(std::filesystem::is_empty(folder.Home() / "Export"));
}

TEST_F(BuildDriverTest, StopDuringFirstPlateFinishesThatPlateOnly) {
  AddGroupWithPlates(
      project, "First", "AAAA",
      {PlateFrom("a", Bmp("a.bmp")), PlateFrom("b", Bmp("b.bmp")), PlateFrom("c", Bmp("c.bmp"))});
  AddGroupWithPlates(project, "Second", "BBBB", {PlateFrom("d", Bmp("d.bmp"))});
  status.stop_during_plate = 0;
  Build(BuildScope::bsAllGroups);

  EXPECT_EQ(status.lines, (std::vector<std::string>{"[1/4] a.bmp"}));
  EXPECT_FALSE(status.shown);
  const std::filesystem::path file = folder.Export("ZGAAAA.ZPG");
  const GroupFileContent content = ReadGroupFile(file);
  EXPECT_EQ(content.PlateCount, 3);
  ASSERT_EQ(content.entries.size(), 3u);
  ASSERT_TRUE(content.entries[0].plate);
  EXPECT_EQ(content.entries[1].PlateOffset, 0u);
  EXPECT_EQ(content.entries[2].PlateOffset, 0u);
  EXPECT_EQ(status.files, (std::vector<std::string>{file.string()}));
  EXPECT_FALSE(std::filesystem::exists(folder.Export("ZGBBBB.ZPG")));
  EXPECT_EQ(project.CurrentGroup, 0);
}

TEST_F(BuildDriverTest, PendingPlateChangesAreWrittenFirst) {
  AddGroupWithPlates(project, "First", "AAAA", {PlateFrom("a", Bmp("a.bmp", 5, 4))});
  project.SaveProject();
  project.SaveGroup(0);
  // Changed in the table only: the build must write it before it reads
  // the group back from the project file.
  project.PlateTable()[0].SourceFile = Bmp("changed.bmp", 7, 3);
  project.GroupModified = true;
  Build(BuildScope::bsAllGroups);

  EXPECT_EQ(status.lines, (std::vector<std::string>{"[1/1] changed.bmp"}));
  const GroupFileContent content = ReadGroupFile(folder.Export("ZGAAAA.ZPG"));
  ASSERT_TRUE(content.entries.at(0).plate);
  EXPECT_EQ(content.entries[0].plate->ImageWidth, 7);
  Project reloaded;
  reloaded.OpenProject(folder.ProjectPath());
  reloaded.SelectGroup(0);
  EXPECT_EQ(reloaded.PlateTable()[0].SourceFile, folder.MissingSource("changed.bmp"));
}

TEST_F(BuildDriverTest, GroupWithoutPlatesGivesHeaderOnly) {
  AddGroupWithPlates(project, "Empty", "", {});
  Build(BuildScope::bsAllGroups);
  EXPECT_TRUE(status.lines.empty());
  EXPECT_EQ(std::filesystem::file_size(folder.Export("ZPINFO.ZPG")), 80u);
  EXPECT_EQ(ReadGroupFile(folder.Export("ZPINFO.ZPG")).PlateCount, 0);
}

TEST_F(BuildDriverTest, UnsupportedSourceIsSkipped) {
  AddGroupWithPlates(project, "Mixed", "MIXD",
                     {PlateFrom("a", Bmp("a.bmp")), PlateFrom("t", folder.Source("notes.TXT", {1})),
                      PlateFrom("c", Bmp("c.bmp")), PlateFrom("n", folder.MissingSource("noext"))});
  Build(BuildScope::bsAllGroups);

  EXPECT_EQ(status.lines, (std::vector<std::string>{
                              "[1/4] a.bmp", "[2/4] notes.TXT",
                              "Skipped notes.TXT: unsupported source file type", "[3/4] c.bmp",
                              "[4/4] noext", "Skipped noext: unsupported source file type"}));
  EXPECT_EQ(status.plates_done, 4);
  const GroupFileContent content = ReadGroupFile(folder.Export("ZGMIXD.ZPG"));
  ASSERT_EQ(content.entries.size(), 4u);
  EXPECT_TRUE(content.entries[0].plate);
  EXPECT_FALSE(content.entries[1].plate);
  EXPECT_TRUE(content.entries[2].plate);
  EXPECT_FALSE(content.entries[3].plate);
}

// An error in the second of three plates ends the build: the file keeps the
// first plate and is cut back to its end, the window is hidden, the error
// arrives with its own text and later groups are not built.
TEST_F(BuildDriverTest, ErrorMidGroupLeavesValidFile) {
  const std::string corrupt_jpeg = folder.Source("corrupt.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 3});
  const std::string pdf = folder.Source("chart.pdf", {'%', 'P', 'D', 'F'});
  const struct {
    std::string source;
    std::string message_part;
  } cases[] = {
      {folder.MissingSource("missing.bmp"), "missing.bmp"},
      {corrupt_jpeg, "corrupt.jpg"},
      {pdf, pdf + ": "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    Project p;
    p.NewProject(folder.ProjectPath());
    AddGroupWithPlates(p, "First", "AAAA",
                       {PlateFrom("a", Bmp("a.bmp", 30, 20)), PlateFrom("bad", c.source),
                        PlateFrom("c", Bmp("c.bmp"))});
    AddGroupWithPlates(p, "Second", "BBBB", {PlateFrom("d", Bmp("d.bmp"))});
    std::filesystem::remove(folder.Export("ZGBBBB.ZPG"));
    RecordingStatus s;
    try {
      driver.BuildGroups(p, BuildRequest{}, s);
      ADD_FAILURE() << "no error";
    } catch (const std::exception& error) {
      EXPECT_NE(std::string(error.what()).find(c.message_part), std::string::npos) << error.what();
    }
    EXPECT_FALSE(s.shown);
    EXPECT_EQ(s.events.back(), "finish");
    EXPECT_TRUE(s.files.empty());
    const std::filesystem::path file = folder.Export("ZGAAAA.ZPG");
    const GroupFileContent content = ReadGroupFile(file);
    ASSERT_EQ(content.entries.size(), 3u);
    ASSERT_TRUE(content.entries[0].plate);
    EXPECT_EQ(content.entries[1].PlateOffset, 0u);
    EXPECT_EQ(content.entries[2].PlateOffset, 0u);
    EXPECT_EQ(std::filesystem::file_size(file),
              content.entries[0].PlateOffset + 26 + 8 + content.entries[0].plate->DataLength);
    EXPECT_FALSE(std::filesystem::exists(folder.Export("ZGBBBB.ZPG")));
  }
}

TEST_F(BuildDriverTest, MissingExportFolderHidesWindow) {
  AddGroupWithPlates(project, "First", "AAAA", {PlateFrom("a", Bmp("a.bmp"))});
  std::filesystem::remove_all(folder.Home() / "Export");
  EXPECT_THROW(Build(BuildScope::bsAllGroups), PlateError);
  EXPECT_FALSE(status.shown);
}

// Every index of every plate read back from the group files equals the
// palette's nearest entry for the source pixel; clipped plates compare with
// the clipped part of the source.
TEST_F(BuildDriverTest, BuildReadBackRoundTrip) {
  struct PlateCase {
    std::string source;
    bool clip;
    ClipRect rect;
  };
  const std::vector<PlateCase> airport = {
      {Bmp("wide.bmp", 41, 17, 1), false, {}},
      {folder.Source("photo.jpeg", PatternJpeg(33, 24)), false, {}},
      {Bmp("clipped.bmp", 40, 30, 2), true, {5, 4, 25, 20}},
  };
  const std::vector<PlateCase> info = {
      {folder.Source("info.JPG", PatternJpeg(16, 16)), false, {}},
      {Bmp("tall.bmp", 3, 50, 3), false, {}},
  };
  const auto add = [&](const std::string& name, const std::string& id,
                       const std::vector<PlateCase>& cases) {
    std::vector<PlateRecord> plates;
    for (const PlateCase& c : cases) {
      PlateRecord plate = PlateFrom(c.source, c.source);
      plate.Clip = c.clip;
      plate.ClipX1 = c.rect.Left;
      plate.ClipY1 = c.rect.Top;
      plate.ClipX2 = c.rect.Right;
      plate.ClipY2 = c.rect.Bottom;
      plates.push_back(plate);
    }
    AddGroupWithPlates(project, name, id, plates);
  };
  add("Airport", "RTRP", airport);
  add("Info", "", info);
  Build(BuildScope::bsAllGroups);

  const std::pair<std::filesystem::path, const std::vector<PlateCase>*> files[] = {
      {folder.Export("ZGRTRP.ZPG"), &airport}, {folder.Export("ZPINFO.ZPG"), &info}};
  const PlatePaletteTable& palette = PlatePalette();
  for (const auto& [file, cases] : files) {
    const GroupFileContent content = ReadGroupFile(file);
    ASSERT_EQ(content.entries.size(), cases->size());
    for (size_t i = 0; i < cases->size(); ++i) {
      const PlateCase& c = (*cases)[i];
      SCOPED_TRACE(c.source);
      const PlateRaster raster = LoadPicture(c.source);
      const int left = c.clip ? c.rect.Left : 0;
      const int top = c.clip ? c.rect.Top : 0;
      const int width = c.clip ? c.rect.Right - c.rect.Left : raster.Width();
      const int height = c.clip ? c.rect.Bottom - c.rect.Top : raster.Height();
      ASSERT_TRUE(content.entries[i].plate);
      const GroupFilePlate& plate = *content.entries[i].plate;
      ASSERT_EQ(plate.ImageWidth, width);
      ASSERT_EQ(plate.ImageHeight, height);
      const std::vector<uint32_t> colours = plate.Colours();
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          const size_t at = static_cast<size_t>(y) * width + x;
          const uint8_t expected = NearestPaletteIndex(raster.Pixel(left + x, top + y));
          ASSERT_EQ(plate.Indices[at], expected) << x << "," << y;
          ASSERT_EQ(colours[at], palette.entries[expected]) << x << "," << y;
        }
      }
    }
  }
}

TEST(TargetWidth, ScalingValues) {
  const std::pair<int, int> cases[] = {{0, 0},   {1, 1024}, {2, 800}, {3, 640},
                                       {4, 320}, {5, 0},    {255, 0}};
  for (const auto& [scaling, width] : cases) {
    EXPECT_EQ(TargetWidthFor(static_cast<uint8_t>(scaling)), width) << scaling;
  }
}

}  // namespace
}  // namespace qp
