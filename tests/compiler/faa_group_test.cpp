// Groups of real approach charts: every plate read back from the group file
// holds exactly the palette indices of the page rendered on its own.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "compiler/build_driver.h"
#include "compiler/group_file_reader.h"
#include "compiler/image_encoder.h"
#include "compiler/pdf_source.h"
#include "tests/compiler/build_project_helpers.h"

namespace qp {
namespace {

namespace fs = std::filesystem;

class NullStatus : public BuildStatus {
 public:
  void Start(int) override {}
  void AddLine(const std::string&) override {}
  void PlateDone() override {}
  bool StopRequested() const override { return false; }
  void Pump() override {}
  void Finish() override {}
};

std::vector<fs::path> FaaCharts() {
  std::vector<fs::path> charts;
  const fs::path folder = fs::path(QP_SHARED_DIR) / "corpus" / "faa";
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.path().extension() == ".pdf") charts.push_back(entry.path());
  }
  std::sort(charts.begin(), charts.end());
  return charts;
}

// Builds one group of the charts, page 1 each, with scalings and rotations
// taken in turn, and compares every plate with the page rendered alone.
void BuildAndCompare(const std::vector<fs::path>& charts) {
  testing::BuildFixtureFolder folder;
  Project project;
  project.NewProject(folder.ProjectPath());
  std::vector<PlateRecord> plates;
  for (size_t i = 0; i < charts.size(); ++i) {
    PlateRecord plate = testing::PlateFrom(charts[i].stem().string(), charts[i].string());
    plate.Scaling = i % 3 == 2 ? sc640 : sc1024;
    plate.Rotate = static_cast<uint8_t>(i % 5 == 4 ? 1 : 0);
    plates.push_back(plate);
  }
  testing::AddGroupWithPlates(project, "FAA", "KFAA", plates);
  BuildDriver driver(folder.Home());
  NullStatus status;
  driver.BuildGroups(project, BuildRequest{}, status);

  const GroupFileContent content = ReadGroupFile(folder.Export("ZGKFAA.ZPG"));
  ASSERT_EQ(content.entries.size(), plates.size());
  pdf::TPDFDocument document;
  for (size_t i = 0; i < plates.size(); ++i) {
    SCOPED_TRACE(charts[i].filename().string());
    ASSERT_TRUE(content.entries[i].plate);
    const GroupFilePlate& plate = *content.entries[i].plate;
    const PreviewPdfResult page =
        PreviewPdfPage(document, charts[i], 1, TargetWidthFor(plates[i].Scaling), plates[i].Rotate);
    ASSERT_EQ(plate.ImageWidth, page.image.Width());
    ASSERT_EQ(plate.ImageHeight, page.image.Height());
    EXPECT_TRUE(plate.Indices ==
                PalettiseRaster(page.image, 0, 0, page.image.Width(), page.image.Height()));
  }
}

TEST(FaaGroup, HandfulOfChartsReadBackAsRendered) {
  const std::vector<fs::path> all = FaaCharts();
  if (all.empty()) GTEST_SKIP() << "no charts in " << QP_SHARED_DIR << "/corpus/faa";
  std::vector<fs::path> some;
  for (size_t i = 0; i < all.size(); i += std::max<size_t>(1, all.size() / 5)) {
    some.push_back(all[i]);
  }
  BuildAndCompare(some);
}

TEST(FaaGroup, ExhaustiveEveryChartReadsBackAsRendered) {
  const std::vector<fs::path> all = FaaCharts();
  if (all.empty()) GTEST_SKIP() << "no charts in " << QP_SHARED_DIR << "/corpus/faa";
  BuildAndCompare(all);
}

}  // namespace
}  // namespace qp
