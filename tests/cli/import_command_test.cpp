#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "app/core/import_listing.h"
#include "cli/command.h"
#include "project/ini_file.h"
#include "project/project.h"
#include "project/text_encoding.h"
#include "tests/app/core/import_test_helpers.h"
#include "tests/cli/cli_run_helpers.h"
#include "tests/project/project_test_helpers.h"

namespace qp::cli {
namespace {

using test::PdfWithPages;
using test::TempDir;
using test::WriteFile;

// A project with the airport group KLAX (group 1) and a chart folder.
class ImportCommandTest : public ::testing::Test {
 protected:
  ImportCommandTest() {
    std::filesystem::create_directory(charts());
    Project project;
    project.NewProject(ProjectPath());
    project.AddGroup("Los Angeles international", "KLAX", 0);
    project.FlushPending();
  }

  std::string ProjectPath() const { return dir.File("p.zpl"); }
  std::string charts() const { return dir.File("charts"); }
  void AddChart(const std::string& name, int pages) {
    WriteFile(charts() + "/" + name, PdfWithPages(pages));
  }
  CliRun Import(const CommandArgs& extra) {
    CommandArgs args = {"import", ProjectPath(), "--group", "1", "--folder", charts() + "/"};
    args.insert(args.end(), extra.begin(), extra.end());
    return Platec(args);
  }
  // The stored project, group 1 current.
  std::unique_ptr<Project> Stored() const {
    auto project = std::make_unique<Project>();
    project->ProjectFileName = ProjectPath();
    project->LoadProject();
    project->SelectGroup(0);
    return project;
  }
  std::vector<PlateRecord> StoredPlates() const {
    const std::unique_ptr<Project> project = Stored();
    const auto& table = project->PlateTable();
    return {table.begin(), table.begin() + project->GroupAt(0)->Count};
  }
  TempDir dir;
};

TEST_F(ImportCommandTest, OptionZeroAddsPagesOnceAndStoresProjectAndSettings) {
  AddChart("KLAX_ILS 25L.pdf", 1);
  AddChart("KLAX_RNAV 24R.pdf", 2);
  AddChart("KSFO_ILS.pdf", 1);
  const CliRun first = Import({"--prefix", "KLAX_", "--scaling", "2"});
  EXPECT_EQ(first.status, 0) << first.err;
  // Plate numbers follow the listing; check the names per file.
  EXPECT_NE(first.out.find("added: Plate 1, "), std::string::npos);
  EXPECT_NE(first.out.find("RNAV 24R, Page 2, File: \"KLAX_RNAV 24R.pdf\""), std::string::npos);
  EXPECT_NE(first.out.find("2 files found, 0 skipped, 3 plates added, 0 replaced"),
            std::string::npos);
  std::vector<PlateRecord> plates = StoredPlates();
  ASSERT_EQ(plates.size(), 3u);
  std::multiset<std::string> names;
  for (const PlateRecord& plate : plates) {
    names.insert(plate.Name + " p" + std::to_string(plate.FirstPage) + "/" +
                 std::to_string(plate.NumberOfPages));
    EXPECT_EQ(plate.Scaling, sc800);
  }
  EXPECT_EQ(names, (std::multiset<std::string>{"ILS 25L p1/1", "RNAV 24R p1/2", "RNAV 24R p2/2"}));
  const std::unique_ptr<Project> stored = Stored();
  EXPECT_EQ(stored->FilenameHeader, "KLAX_");
  EXPECT_EQ(stored->FilenameHeaderPath, charts() + "/");
  EXPECT_EQ(stored->DefaultScaling, 2);

  // Run again with the stored settings: nothing is added or written.
  const std::string before = test::ReadFile(ProjectPath());
  const CliRun again = Import({});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, "2 files found, 2 skipped, 0 plates added, 0 replaced\n");
  EXPECT_EQ(test::ReadFile(ProjectPath()), before);
}

TEST_F(ImportCommandTest, ReplaceOptionsOnANewTwoPageFile) {
  const struct {
    const char* option;
    int page;
    uint8_t scaling;
    const char* verb;
  } cases[] = {{"1", 1, sc640, "replaced: Plate 1, RNAV 24R, Page 1"},
               {"2", 2, scOriginal, "replaced: Plate 1, RNAV 24R, Page 2"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    TempDir fresh;
    WriteFile(fresh.File("KLAX_RNAV 24R.pdf"), PdfWithPages(2));
    Project project;
    project.NewProject(ProjectPath());
    project.AddGroup("Los Angeles international", "KLAX", 0);
    project.FlushPending();
    const CliRun run = Platec({"import", ProjectPath(), "--group", "1", "--folder", fresh.Folder(),
                               "--prefix", "KLAX_", "--option", c.option, "--scaling", "3"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("added: Plate 1, RNAV 24R, Page 1"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(c.verb), std::string::npos) << run.out;
    const std::vector<PlateRecord> plates = StoredPlates();
    ASSERT_EQ(plates.size(), 1u);
    EXPECT_EQ(plates[0].FirstPage, c.page);
    EXPECT_EQ(plates[0].Scaling, c.scaling);
    EXPECT_EQ(plates[0].NumberOfPages, 2);
  }
}

TEST_F(ImportCommandTest, ResetReplacesAnExistingSourceAndAddsNothing) {
  {
    std::unique_ptr<Project> project = Stored();
    for (int i = 1; i <= 4; ++i) {
      PlateRecord plate;
      plate.Name = "old " + std::to_string(i);
      plate.SourceFile = charts() + (i == 4 ? "/klax_vor.a.PDF" : "/other.pdf");
      plate.Scaling = sc320;
      plate.Rotate = rtRight90;
      plate.GEOREF = true;
      plate.LatTL = 1234;
      plate.NumberOfPages = 7;
      project->AddPlate(plate);
    }
    project->FlushPending();
  }
  AddChart("KLAX_VOR.A.pdf", 1);
  const CliRun run = Import({"--prefix", "klax_", "--option", "2"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "replaced: Plate 4, VOR, Page 1, File: \"KLAX_VOR.A.pdf\"\n"
            "1 files found, 0 skipped, 0 plates added, 1 replaced\n");
  const std::vector<PlateRecord> plates = StoredPlates();
  ASSERT_EQ(plates.size(), 4u);
  const PlateRecord& plate = plates[3];
  EXPECT_EQ(plate.Name, "VOR");
  EXPECT_EQ(plate.SourceFile, charts() + "/KLAX_VOR.A.pdf");
  EXPECT_EQ(plate.Scaling, scOriginal);
  EXPECT_EQ(plate.Rotate, rtNone);
  EXPECT_FALSE(plate.GEOREF);
  EXPECT_EQ(plate.LatTL, 0);
  EXPECT_EQ(plate.NumberOfPages, 7);
  EXPECT_EQ(plates[0].Name, "old 1");
}

TEST_F(ImportCommandTest, PrefixFolderFormsAndNames) {
  AddChart("KLAX_Zürich, RWY 1.A.pdf", 1);
  AddChart("Notes.winter.PDF", 1);
  // An empty prefix takes every PDF file, named up to the first ".".
  const CliRun run =
      Platec({"import", ProjectPath(), "--group", "1", "--folder", charts(), "--prefix", ""});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::map<std::string, std::string> plateNames = {
      {"KLAX_Zürich, RWY 1.A.pdf", "KLAX_Zürich, RWY 1"}, {"Notes.winter.PDF", "Notes"}};
  std::string expected;
  int number = 0;
  for (const std::string& file : app::ListImportFiles(charts() + "/", "")) {
    expected += "added: Plate " + std::to_string(++number) + ", " + plateNames.at(file) +
                ", Page 1, File: \"" + file + "\"\n";
  }
  EXPECT_EQ(run.out, expected + "2 files found, 0 skipped, 2 plates added, 0 replaced\n");
  std::multiset<std::string> names;
  for (const PlateRecord& plate : StoredPlates()) {
    names.insert(Windows1252ToUtf8(plate.Name));
    // A folder given without its trailing separator gets one.
    EXPECT_EQ(plate.SourceFile.rfind(charts() + "/", 0), 0u) << plate.SourceFile;
    EXPECT_EQ(plate.SourceFile.find("//"), std::string::npos) << plate.SourceFile;
  }
  EXPECT_EQ(names, (std::multiset<std::string>{"KLAX_Zürich, RWY 1", "Notes"}));
}

TEST_F(ImportCommandTest, ErrorsAndBadArguments) {
  const struct {
    CommandArgs args;
    int status;
    const char* message;
  } cases[] = {
      {{"import", ProjectPath(), "--folder", charts()}, 2, "no group given"},
      {{"import", ProjectPath(), "--group", "1"}, 2, "no folder given"},
      {{"import", "--group", "1", "--folder", charts()}, 2, "no project file given"},
      {{"import", ProjectPath(), "--group", "0", "--folder", charts()},
       2,
       "--group takes a whole number from 1"},
      {{"import", ProjectPath(), "--group", "1", "--folder", charts(), "--option", "3"},
       2,
       "--option takes a whole number from 0 to 2, not \"3\""},
      {{"import", ProjectPath(), "--group", "1", "--folder", charts(), "--scaling", "5"},
       2,
       "--scaling takes a whole number from 0 to 4, not \"5\""},
      {{"import", ProjectPath(), "--group", "1", "--folder", charts(), "--prefix"},
       2,
       "--prefix needs a value"},
      {{"import", ProjectPath(), "--group", "2", "--folder", charts()}, 1, "no group 2"},
      {{"import", ProjectPath(), "--group", "1", "--folder", dir.File("none")},
       1,
       "no such folder"},
      {{"import", dir.File("none.zpl"), "--group", "1", "--folder", charts()},
       1,
       "no such project file"},
  };
  const std::string before = test::ReadFile(ProjectPath());
  for (const auto& c : cases) {
    const CliRun run = Platec(c.args);
    EXPECT_EQ(run.status, c.status) << c.message;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  EXPECT_EQ(test::ReadFile(ProjectPath()), before);
  EXPECT_NE(Platec({"import", "--help"}).out.find("Usage: platec import PROJECT.zpl --group N"),
            std::string::npos);
}

TEST_F(ImportCommandTest, RelativeFolderIsStoredAbsoluteAndReplacedAcrossSpellings) {
  AddChart("KLAX-ILS.pdf", 1);
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.Folder());
  const CliRun first = Platec({"import", ProjectPath(), "--group", "1", "--folder", "charts"});
  // The same file through another spelling of the folder: replaced, not added.
  const CliRun second = Platec({"import", ProjectPath(), "--group", "1", "--folder",
                                "./charts/../charts/", "--option", "2"});
  std::filesystem::current_path(before);
  ASSERT_EQ(first.status, 0) << first.err;
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_NE(second.out.find("0 plates added, 1 replaced"), std::string::npos) << second.out;
  const std::vector<PlateRecord> plates = StoredPlates();
  ASSERT_EQ(plates.size(), 1u);
  EXPECT_EQ(plates[0].SourceFile,
            (std::filesystem::path(charts()) / "KLAX-ILS.pdf").lexically_normal().string());
}

TEST_F(ImportCommandTest, NameOutsideWindows1252IsRefusedNotTurnedIntoQuestionMarks) {
  AddChart("Diagramme \xE7\xA9\xBA\xE6\xB8\xAF.pdf", 1);  // "Diagramme 空港"
  const CliRun run = Import({});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cannot hold the character \"\xE7\xA9\xBA\""), std::string::npos)
      << run.err;
  EXPECT_TRUE(StoredPlates().empty());
}

TEST_F(ImportCommandTest, DamagedFileEndsTheImportKeepingEarlierPlates) {
  AddChart("KLAX_A.pdf", 2);
  AddChart("KLAX_B.pdf", 1);
  AddChart("KLAX_C.pdf", 1);
  const std::vector<std::string> order = app::ListImportFiles(charts() + "/", "KLAX_");
  ASSERT_EQ(order.size(), 3u);
  WriteFile(charts() + "/" + order[1], "not a PDF");
  const CliRun run = Import({"--prefix", "KLAX_"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("platec import: "), std::string::npos);
  const int kept = order[0] == "KLAX_A.pdf" ? 2 : 1;
  EXPECT_EQ(StoredPlates().size(), static_cast<size_t>(kept));
}

}  // namespace
}  // namespace qp::cli
