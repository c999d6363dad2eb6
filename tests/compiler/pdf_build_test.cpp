// Builds of groups with PDF plates, read back plate by plate.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "compiler/build_driver.h"
#include "compiler/group_file_reader.h"
#include "compiler/image_encoder.h"
#include "compiler/pdf_source.h"
#include "pdf/render/render_to_dc.h"
#include "tests/compiler/build_project_helpers.h"
#include "tests/compiler/pdf_source_helpers.h"

namespace qp {
namespace {

using testing::AddGroupWithPlates;
using testing::BuildFixtureFolder;
using testing::Page;
using testing::PlateFrom;

class StopAfterStatus : public BuildStatus {
 public:
  int stop_after = -1;  // plates done when the stop is asked for
  int done = 0;
  std::vector<std::string> lines;
  void Start(int) override {}
  void AddLine(const std::string& line) override { lines.push_back(line); }
  void PlateDone() override { ++done; }
  bool StopRequested() const override { return stop_after >= 0 && done >= stop_after; }
  void Pump() override {}
  void Finish() override {}
};

PlateRecord PdfPlate(const std::string& source, int page, uint8_t scaling, uint8_t rotate) {
  PlateRecord plate = PlateFrom("page " + std::to_string(page), source);
  plate.FirstPage = page;
  plate.Scaling = scaling;
  plate.Rotate = rotate;
  return plate;
}

class PdfBuildTest : public ::testing::Test {
 protected:
  PdfBuildTest() : driver(folder.Home()) { project.NewProject(folder.ProjectPath()); }

  std::string Pdf(const std::string& name, const std::vector<testing::TestPage>& pages) {
    return folder.Source(name, [&] {
      const std::string text = testing::TestPdf(pages);
      return std::vector<uint8_t>(text.begin(), text.end());
    }());
  }

  void Build(StopAfterStatus& status) { driver.BuildGroups(project, BuildRequest{}, status); }

  BuildFixtureFolder folder;
  Project project;
  BuildDriver driver;
};

// The indices a plate should hold: the page drawn independently at the
// raster size (taller by `yStretch` than its proportions), palettised inside
// the clip.
std::vector<uint8_t> ExpectedIndices(const std::string& source, const PlateRecord& plate,
                                     int rasterW, int rasterH, const ClipRect& clip,
                                     double yStretch) {
  pdf::TPDFDocument document;
  // Turns the page as the plate asks and tells the preview size.
  PreviewPdfPage(document, source, plate.FirstPage, TargetWidthFor(plate.Scaling), plate.Rotate);
  PlateRaster raster(rasterW, rasterH);
  pdf::RenderToDC(document, raster.Data(), raster.Stride(), rasterW, rasterH, plate.FirstPage, 72,
                  72, 0, true, false, yStretch);
  return PalettiseRaster(raster, clip.Left, clip.Top, clip.Right - clip.Left,
                         clip.Bottom - clip.Top);
}

TEST_F(PdfBuildTest, GroupOfPagesReadsBackPlateByPlate) {
  const std::string chart =
      Pdf("chart.pdf", {Page(459, 594, 0, "0 0 1 RG 4 w 30 30 m 400 500 l S"),
                        Page(459, 594, 90, "1 0 0 rg 100 100 200 50 re f"), Page(594, 459)});
  PlateRecord clipped = PdfPlate(chart, 1, sc1024, rtNone);
  clipped.Clip = true;
  clipped.ClipX1 = 100, clipped.ClipY1 = 200, clipped.ClipX2 = 612, clipped.ClipY2 = 862;
  const struct {
    PlateRecord plate;
    int rasterW, rasterH;
    ClipRect clip;
    double yStretch = 1;
  } cases[] = {
      {PdfPlate(chart, 1, sc1024, rtNone), 1024, 1325, {0, 0, 1024, 1325}},
      {PdfPlate(chart, 2, sc640, 1), 640, 828, {0, 0, 640, 828}},
      {PdfPlate(chart, 3, scOriginal, 2), 792, 1025, {0, 0, 792, 1025}},
      {PdfPlate(chart, 1, sc320, 3), 320, 414, {0, 0, 320, 414}},
      // The clip's vertical factor 1325 / 662 over its horizontal 1024 / 512.
      {clipped, 2048, 2652, {200, 400, 1224, 1725}, (1325.0 / 662) / 2},
  };
  std::vector<PlateRecord> plates;
  for (const auto& c : cases) plates.push_back(c.plate);
  AddGroupWithPlates(project, "Charts", "KPDF", plates);
  StopAfterStatus status;
  Build(status);

  const GroupFileContent content = ReadGroupFile(folder.Export("ZGKPDF.ZPG"));
  ASSERT_EQ(content.entries.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("plate " + std::to_string(i));
    const auto& c = cases[i];
    ASSERT_TRUE(content.entries[i].plate);
    const GroupFilePlate& plate = *content.entries[i].plate;
    EXPECT_EQ(plate.ImageWidth, c.clip.Right - c.clip.Left);
    EXPECT_EQ(plate.ImageHeight, c.clip.Bottom - c.clip.Top);
    EXPECT_TRUE(plate.Indices ==
                ExpectedIndices(chart, c.plate, c.rasterW, c.rasterH, c.clip, c.yStretch));
  }
  ASSERT_EQ(status.lines.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(status.lines[i], "[" + std::to_string(i + 1) + "/" + std::to_string(std::size(cases)) +
                                   "] chart.pdf, page " + std::to_string(cases[i].plate.FirstPage));
  }
}

TEST_F(PdfBuildTest, StopAfterTheFirstPdfPlate) {
  const std::string chart = Pdf("chart.pdf", {Page(), Page()});
  AddGroupWithPlates(
      project, "One", "AAAA",
      {PdfPlate(chart, 1, sc320, 0), PdfPlate(chart, 2, sc320, 0), PdfPlate(chart, 1, sc320, 1)});
  AddGroupWithPlates(project, "Two", "BBBB", {PdfPlate(chart, 1, sc320, 0)});
  StopAfterStatus status;
  status.stop_after = 1;
  Build(status);
  const GroupFileContent content = ReadGroupFile(folder.Export("ZGAAAA.ZPG"));
  EXPECT_EQ(content.PlateCount, 3);
  ASSERT_EQ(content.entries.size(), 3u);
  ASSERT_TRUE(content.entries[0].plate);
  EXPECT_EQ(content.entries[0].plate->ImageWidth, 320);
  EXPECT_EQ(content.entries[1].PlateOffset, 0u);
  EXPECT_EQ(content.entries[2].PlateOffset, 0u);
  EXPECT_FALSE(std::filesystem::exists(folder.Export("ZGBBBB.ZPG")));
}

// A failing PDF plate ends the build with a message naming the file; the
// group file keeps the plate before it.
TEST_F(PdfBuildTest, BadSourcesEndTheBuildNamingTheFile) {
  const std::string chart = Pdf("chart.pdf", {Page(), Page()});
  const std::string notPdf = folder.Source("not.pdf", {'%', 'P', 'D', 'F'});
  const std::string flat = Pdf("flat.pdf", {Page(0, 594)});
  const std::string locked =
      std::string(QP_SHARED_DIR) + "/corpus/mixed/security/aes-256-r6-user.pdf";
  const struct {
    std::string source;
    int page;
    std::string message;
  } cases[] = {
      {chart, 3, chart + ": Invalid page number (3)"},
      {notPdf, 1, notPdf + ": "},
      {folder.MissingSource("gone.pdf"), 1, folder.MissingSource("gone.pdf") + ": File Not Found"},
      {flat, 1, flat + ", page 1: the page has a width or height of 0"},
      {locked, 1, locked + ": Encrypted PDF: Password required for loading"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    // The encrypted chart comes from ../shared, which may be absent.
    if (!std::filesystem::exists(c.source) && c.source == locked) continue;
    Project p;
    p.NewProject(folder.ProjectPath());
    AddGroupWithPlates(p, "First", "AAAA",
                       {PdfPlate(chart, 2, sc320, 0), PdfPlate(c.source, c.page, sc320, 0)});
    StopAfterStatus status;
    try {
      driver.BuildGroups(p, BuildRequest{}, status);
      ADD_FAILURE() << "no error";
    } catch (const std::exception& error) {
      EXPECT_EQ(std::string(error.what()).rfind(c.message, 0), 0u) << error.what();
    }
    const GroupFileContent content = ReadGroupFile(folder.Export("ZGAAAA.ZPG"));
    ASSERT_EQ(content.entries.size(), 2u);
    EXPECT_TRUE(content.entries[0].plate);
    EXPECT_EQ(content.entries[1].PlateOffset, 0u);
  }
}

// Content that breaks off or holds garbage still gives a plate of what was
// drawn before the damage.
TEST_F(PdfBuildTest, DamagedContentBuildsWhatWasDrawn) {
  const char* damaged[] = {
      "q q q 1 0 0 rg 5 5 m",                              // unfinished path and states
      "] >> } { 1 2 3 Tj Q Q Q BT ET ET /X Do",            // operators out of place
      "BI /W 99999 /H 99999 /BPC 8 /CS /RGB ID \x01\x02",  // inline image cut off
      "(unterminated string 0 0 m 50 50 l S",
  };
  std::vector<PlateRecord> plates;
  int n = 0;
  for (const char* extra : damaged) {
    plates.push_back(
        PdfPlate(Pdf("d" + std::to_string(n++) + ".pdf", {Page(459, 594, 0, extra)}), 1, sc320, 0));
  }
  AddGroupWithPlates(project, "Damaged", "DMGD", plates);
  StopAfterStatus status;
  Build(status);
  const GroupFileContent content = ReadGroupFile(folder.Export("ZGDMGD.ZPG"));
  ASSERT_EQ(content.entries.size(), std::size(damaged));
  for (size_t i = 0; i < std::size(damaged); ++i) {
    SCOPED_TRACE(damaged[i]);
    ASSERT_TRUE(content.entries[i].plate);
    const GroupFilePlate& plate = *content.entries[i].plate;
    ASSERT_EQ(plate.ImageWidth, 320);
    ASSERT_EQ(plate.ImageHeight, 414);
    // The square drawn before the damage is there.
    EXPECT_EQ(plate.Colours()[10 * 320 + 10], 0u);
  }
}

}  // namespace
}  // namespace qp
