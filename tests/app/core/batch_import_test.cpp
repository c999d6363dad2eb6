#include "app/core/batch_import.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/core/import_listing.h"
#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_facade.h"
#include "project/errors.h"
#include "tests/app/core/import_test_helpers.h"
#include "tests/project/project_test_helpers.h"

namespace qp::app {
namespace {

using test::FakePageCounts;
using test::PdfWithPages;
using test::RecordingPlateCommands;
using test::TempDir;
using test::WriteFile;

// A project with one airport group KLAX, current, and a chart folder.
class BatchImportTest : public ::testing::Test {
 protected:
  BatchImportTest() : commands(project) {
    std::filesystem::create_directory(charts());
    project.NewProject(dir.File("p.zpl"));
    project.AddGroup("Los Angeles international", "KLAX", 0);
    project.SelectGroup(0);
    project.FilenameHeader = "KLAX_";
    project.FilenameHeaderPath = charts() + "/";
  }

  std::string charts() const { return dir.File("charts"); }
  std::string Chart(const std::string& name) const { return charts() + "/" + name; }
  void AddChart(const std::string& name, int pages) {
    WriteFile(Chart(name), "%PDF");
    counts.counts[name] = pages;
  }
  void AddExistingPlate(const std::string& name, const std::string& source) {
    PlateRecord plate;
    plate.Name = name;
    plate.SourceFile = source;
    plate.Scaling = sc640;
    plate.Rotate = rtLeft90;
    project.AddPlate(plate);
  }
  BatchImportSummary Run() { return RunBatchImport(project, commands, counts); }
  // The expected calls of each file, in the order the folder lists them.
  std::vector<std::string> InListingOrder(
      const std::map<std::string, std::vector<std::string>>& callsByFile) const {
    std::vector<std::string> calls;
    for (const std::string& name : ListImportFiles(charts() + "/", project.FilenameHeader)) {
      const auto it = callsByFile.find(name);
      if (it != callsByFile.end()) calls.insert(calls.end(), it->second.begin(), it->second.end());
    }
    return calls;
  }
  const PlateRecord& Plate(int index) const {
    return project.PlateTable().at(static_cast<size_t>(index));
  }
  int Count() const { return project.GroupAt(0)->Count; }

  TempDir dir;
  Project project;
  RecordingPlateCommands commands;
  FakePageCounts counts;
};

TEST_F(BatchImportTest, OptionZeroAddsEveryPageOfNewFilesOnce) {
  AddChart("KLAX_ILS 25L.pdf", 1);
  AddChart("KLAX_RNAV 24R.pdf", 2);
  AddChart("KSFO_ILS.pdf", 1);
  const BatchImportSummary summary = Run();
  EXPECT_EQ(commands.calls,
            InListingOrder({{"KLAX_ILS 25L.pdf", {"add [ILS 25L] KLAX_ILS 25L.pdf p1/1"}},
                            {"KLAX_RNAV 24R.pdf",
                             {"add [RNAV 24R] KLAX_RNAV 24R.pdf p1/2",
                              "add [RNAV 24R] KLAX_RNAV 24R.pdf p2/2"}}}));
  EXPECT_EQ(summary.filesListed, 2);
  EXPECT_EQ(Count(), 3);
  EXPECT_TRUE(project.ProjectModified);
  EXPECT_TRUE(project.GroupModified);

  // The same run again finds both files as sources and opens neither.
  commands.calls.clear();
  counts.opened.clear();
  const BatchImportSummary again = Run();
  EXPECT_TRUE(commands.calls.empty());
  EXPECT_TRUE(counts.opened.empty());
  EXPECT_EQ(again.filesSkipped, 2);
  EXPECT_EQ(Count(), 3);
}

// With the option, the pages whose chart gives corners get them (and the
// rotation that puts north up); the others keep what the add gave them.
class BatchImportGeoTest : public BatchImportTest, public ::testing::WithParamInterface<bool> {};

TEST_P(BatchImportGeoTest, GeoReferenceOptionGivesCornersToChartsThatHaveThem) {
  const bool option = GetParam();
  AddChart("KLAX_AIRPORT DIAGRAM.pdf", 1);
  AddChart("KLAX_ILS 25L.pdf", 2);
  const PlateGeoResult diagram{{6083000, -21186000, 6077000, -21179000}, rtLeft90, "graticule"};
  counts.geo[{"KLAX_AIRPORT DIAGRAM.pdf", 1}] = diagram;
  project.GeoReferenceImports = option;
  const BatchImportSummary summary = Run();
  ASSERT_EQ(Count(), 3);
  EXPECT_EQ(summary.platesGeoReferenced, option ? 1 : 0);
  for (int i = 0; i < Count(); ++i) {
    const bool isDiagram = option && Plate(i).SourceFile == Chart("KLAX_AIRPORT DIAGRAM.pdf");
    EXPECT_EQ(Plate(i).GEOREF, isDiagram) << i;
    EXPECT_EQ(Plate(i).Rotate, isDiagram ? rtLeft90 : rtNone) << i;
    EXPECT_EQ((PlateCorners{Plate(i).LatTL, Plate(i).LongTL, Plate(i).LatBR, Plate(i).LongBR}),
              isDiagram ? diagram.Corners : PlateCorners{})
        << i;
  }
}

INSTANTIATE_TEST_SUITE_P(OnAndOff, BatchImportGeoTest, ::testing::Bool());

TEST_F(BatchImportTest, ProcessOptionsOnNewAndExistingFiles) {
  const struct {
    const char* label;
    int option;
    bool existing;  // plate 4 already shows the file (its path in other letter case)
    std::vector<std::string> calls;
    int count;
  } cases[] = {
      {"keep, new file",
       1,
       false,
       {"add [RNAV 24R] KLAX_RNAV 24R.pdf p1/2", "keep 0 [RNAV 24R] KLAX_RNAV 24R.pdf p2/2"},
       1},
      {"reset, new file",
       2,
       false,
       {"add [RNAV 24R] KLAX_RNAV 24R.pdf p1/2", "reset 0 [RNAV 24R] KLAX_RNAV 24R.pdf p2/2"},
       1},
      {"skip, existing", 0, true, {}, 4},
      {"keep, existing",
       1,
       true,
       {"keep 3 [RNAV 24R] KLAX_RNAV 24R.pdf p1/2", "keep 3 [RNAV 24R] KLAX_RNAV 24R.pdf p2/2"},
       4},
      {"reset, existing",
       2,
       true,
       {"reset 3 [RNAV 24R] KLAX_RNAV 24R.pdf p1/2", "reset 3 [RNAV 24R] KLAX_RNAV 24R.pdf p2/2"},
       4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    project.GroupAt(0)->Count = 0;
    commands.calls.clear();
    project.ProcessOptions = static_cast<uint16_t>(c.option);
    project.DefaultScaling = sc800;
    AddChart("KLAX_RNAV 24R.pdf", 2);
    if (c.existing) {
      for (int i = 1; i <= 3; ++i) AddExistingPlate("other", Chart("other.pdf"));
      std::string source = Chart("klax_rnav 24r.PDF");
      AddExistingPlate("old name", source);
    }
    Run();
    EXPECT_EQ(commands.calls, c.calls);
    EXPECT_EQ(Count(), c.count);
  }
}

TEST_F(BatchImportTest, ResetAfterAddEndsOnLastPageWithFirstScaling) {
  project.ProcessOptions = 2;
  project.DefaultScaling = sc800;
  AddChart("KLAX_RNAV 24R.pdf", 2);
  Run();
  ASSERT_EQ(Count(), 1);
  EXPECT_EQ(Plate(0).FirstPage, 2);
  EXPECT_EQ(Plate(0).Scaling, scOriginal);
  EXPECT_EQ(Plate(0).Name, "RNAV 24R");
}

TEST_F(BatchImportTest, PrefixFolderAndNames) {
  const struct {
    const char* label;
    const char* prefix;
    bool trailingSlash;
    std::vector<std::string> files;
    std::map<std::string, std::vector<std::string>> calls;
  } cases[] = {
      {"empty prefix names plates after the whole file name",
       "",
       true,
       {"KLAX_VOR.A.pdf", "Notes, winter.pdf", "Zürich ü.pdf"},
       {{"KLAX_VOR.A.pdf", {"add [KLAX_VOR] KLAX_VOR.A.pdf p1/1"}},
        {"Notes, winter.pdf", {"add [Notes, winter] Notes, winter.pdf p1/1"}},
        {"Zürich ü.pdf", {"add [Zürich ü] Zürich ü.pdf p1/1"}}}},
      {"folder without trailing separator",
       "klax_",
       false,
       {"KLAX_VOR.A.pdf", "KLAX_ILS 25L.pdf"},
       {{"KLAX_VOR.A.pdf", {"add [VOR] KLAX_VOR.A.pdf p1/1"}},
        {"KLAX_ILS 25L.pdf", {"add [ILS 25L] KLAX_ILS 25L.pdf p1/1"}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    TempDir fresh;
    project.FilenameHeaderPath = fresh.Folder();
    project.FilenameHeaderPath.pop_back();
    if (c.trailingSlash) project.FilenameHeaderPath += "/";
    project.FilenameHeader = c.prefix;
    commands.calls.clear();
    for (const std::string& name : c.files) {
      WriteFile(fresh.File(name), "%PDF");
      counts.counts[name] = 1;
    }
    Run();
    std::vector<std::string> expected;
    for (const std::string& name : ListImportFiles(fresh.Folder(), c.prefix)) {
      const auto& calls = c.calls.at(name);
      expected.insert(expected.end(), calls.begin(), calls.end());
    }
    EXPECT_EQ(commands.calls, expected);
    // Sources are the folder path with one separator before the file name.
    for (int i = 0; i < Count(); ++i) {
      EXPECT_EQ(Plate(i).SourceFile.find("//"), std::string::npos) << Plate(i).SourceFile;
    }
    project.GroupAt(0)->Count = 0;
  }
}

TEST_F(BatchImportTest, NothingHappensWithoutFolder) {
  AddChart("KLAX_ILS 25L.pdf", 1);
  for (const std::string& folder :
       {std::string(), dir.File("missing"), Chart("KLAX_ILS 25L.pdf")}) {
    project.FilenameHeaderPath = folder;
    const BatchImportSummary summary = Run();
    EXPECT_FALSE(summary.folderFound) << folder;
  }
  EXPECT_TRUE(commands.calls.empty());
  EXPECT_TRUE(counts.opened.empty());
}

TEST_F(BatchImportTest, ShowFlagFollowsConfirmPlateAdd) {
  project.ConfirmPlateAdd = true;
  project.ProcessOptions = 1;
  AddChart("KLAX_RNAV 24R.pdf", 2);
  Run();
  EXPECT_EQ(commands.calls,
            (std::vector<std::string>{"add [RNAV 24R] KLAX_RNAV 24R.pdf p1/2 show",
                                      "keep 0 [RNAV 24R] KLAX_RNAV 24R.pdf p2/2 show"}));
}

TEST_F(BatchImportTest, FileWithoutPagesAddsNothing) {
  AddChart("KLAX_EMPTY.pdf", 0);
  EXPECT_EQ(Run().filesOpened, 1);
  EXPECT_TRUE(commands.calls.empty());
  EXPECT_EQ(Count(), 0);
}

TEST_F(BatchImportTest, ErrorEndsImportAtThatFileKeepingEarlierPlates) {
  AddChart("KLAX_A.pdf", 2);
  AddChart("KLAX_B.pdf", 1);
  AddChart("KLAX_C.pdf", 1);
  const std::vector<std::string> order = ListImportFiles(charts() + "/", "KLAX_");
  ASSERT_EQ(order.size(), 3u);
  counts.counts.erase(order[1]);
  project.ProjectModified = false;
  project.GroupModified = false;
  EXPECT_THROW(Run(), std::runtime_error);
  EXPECT_EQ(counts.opened, (std::vector<std::string>{order[0], order[1]}));
  EXPECT_EQ(Count(), counts.counts.at(order[0]));
  EXPECT_TRUE(project.ProjectModified);
  EXPECT_TRUE(project.GroupModified);
}

TEST_F(BatchImportTest, NoCurrentGroupOffersEveryPageAndAddsNothing) {
  project.CurrentGroup = -1;
  AddChart("KLAX_RNAV 24R.pdf", 2);
  project.ProcessOptions = 1;
  Run();
  EXPECT_EQ(commands.calls,
            (std::vector<std::string>{
                "add [RNAV 24R] KLAX_RNAV 24R.pdf p1/2", "message No group selected",
                "add [RNAV 24R] KLAX_RNAV 24R.pdf p2/2", "message No group selected"}));
  EXPECT_EQ(counts.opened.size(), 1u);
}

TEST_F(BatchImportTest, FullGroupEndsImportOnceBeforeTheNextAdd) {
  for (int i = 0; i < kMaxPlatesPerGroup - 1; ++i) AddExistingPlate("old", Chart("old.pdf"));
  AddChart("KLAX_RNAV 24R.pdf", 3);
  try {
    Run();
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "A group holds at most 500 plates");
  }
  EXPECT_EQ(commands.calls.size(), 1u);
  EXPECT_EQ(Count(), kMaxPlatesPerGroup);
}

TEST_F(BatchImportTest, ProgressNamesEachFileRead) {
  AddChart("KLAX_A.pdf", 1);
  AddChart("KLAX_B.pdf", 1);
  AddExistingPlate("old", Chart("KLAX_A.pdf"));
  std::vector<std::string> seen;
  RunBatchImport(project, commands, counts, [&](const std::string& path, int index, int count) {
    seen.push_back(path + " " + std::to_string(index) + "/" + std::to_string(count));
  });
  const std::vector<std::string> order = ListImportFiles(charts() + "/", "KLAX_");
  const int b = order[0] == "KLAX_B.pdf" ? 0 : 1;
  EXPECT_EQ(seen, (std::vector<std::string>{Chart("KLAX_B.pdf") + " " + std::to_string(b) + "/2"}));
}

TEST(DocumentPageCounter, CountsPagesAndRefusesWhatCannotBeOpened) {
  TempDir dir;
  pdf::TPDFDocument document;
  DocumentPageCounter counter(document);
  for (int pages : {0, 1, 2, 7}) {
    const std::string path = dir.File(std::to_string(pages) + ".pdf");
    WriteFile(path, PdfWithPages(pages));
    EXPECT_EQ(counter.LoadPageCount(path), pages);
  }
  // The last file stays loaded until the next replaces it.
  EXPECT_EQ(document.Filename(), dir.File("7.pdf"));
  EXPECT_THROW(counter.LoadPageCount(dir.File("missing.pdf")), std::exception);
  WriteFile(dir.File("text.pdf"), "not a PDF at all");
  EXPECT_THROW(counter.LoadPageCount(dir.File("text.pdf")), std::exception);

  const std::string locked =
      std::string(QP_SHARED_DIR) + "/corpus/mixed/security/aes-256-r6-user.pdf";
  if (!std::filesystem::exists(locked)) GTEST_SKIP() << "corpus not found: " << locked;
  EXPECT_THROW(counter.LoadPageCount(locked), pdf::ExPasswordRequired);
}

// Dropped files follow the import options; pictures are one plate, other
// types and existing sources are counted and passed over.
TEST_F(BatchImportTest, DroppedFilesBecomePlates) {
  AddChart("KLAX_ILS 25L.pdf", 2);
  AddChart("Taxi.v2.pdf", 1);
  WriteFile(Chart("diagram.bmp"), "BM");
  WriteFile(Chart("notes.txt"), "x");
  AddExistingPlate("Old", Chart("Taxi.v2.pdf"));
  commands.calls.clear();
  const DropSummary summary =
      ImportDroppedFiles(project, commands, counts,
                         {Chart("KLAX_ILS 25L.pdf"), Chart("notes.txt"), Chart("diagram.bmp"),
                          Chart("Taxi.v2.pdf"), Chart("gone.pdf")});
  EXPECT_EQ(commands.calls, (std::vector<std::string>{"add [KLAX_ILS 25L] KLAX_ILS 25L.pdf p1/2",
                                                      "add [KLAX_ILS 25L] KLAX_ILS 25L.pdf p2/2",
                                                      "add [diagram] diagram.bmp p1/1"}));
  EXPECT_EQ(counts.opened, (std::vector<std::string>{"KLAX_ILS 25L.pdf"}));
  EXPECT_EQ(DropSummaryText(summary),
            "Added 2 dropped files; 1 already in the group; 2 not a PDF, BMP or JPEG file");
}

}  // namespace
}  // namespace qp::app
