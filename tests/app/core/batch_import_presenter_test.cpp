#include <gtest/gtest.h>

#include "app/core/batch_import.h"
#include "app/core/import_listing.h"
#include "app/core/main_presenter.h"
#include "app/core/plate_operations.h"
#include "pdf/core/pdf_facade.h"
#include "tests/app/core/fake_main_view_helpers.h"
#include "tests/app/core/fake_plate_port_helpers.h"
#include "tests/app/core/import_test_helpers.h"
#include "tests/project/project_test_helpers.h"

namespace qp::app {
namespace {

using test::PdfWithPages;
using test::WriteFile;

// The presenter with a project whose group KLAX is current, the plate
// operations over it with a fake editor, and a folder of charts.
class BatchImportPresenterTest : public ::testing::Test {
 protected:
  BatchImportPresenterTest() {
    Project& project = presenter.Model();
    project.NewProject(home.File("p.zpl"));
    project.AddGroup("Los Angeles international", "KLAX", 0);
    view.selected_group = 0;
    presenter.GroupSelected(0);
    project.FilenameHeader = "KLAX_";
    project.FilenameHeaderPath = charts.Folder();
  }

  void AddChart(const std::string& name, int page_count) {
    WriteFile(charts.File(name), PdfWithPages(page_count));
  }
  void Process() { presenter.ProcessBatchImport(operations, pages); }
  Project& Model() { return presenter.Model(); }
  std::vector<std::string> PlateSummaries() {
    std::vector<std::string> summaries;
    for (int i = 0; i < Model().GroupAt(0)->Count; ++i) {
      const PlateRecord& plate = Model().PlateTable()[static_cast<size_t>(i)];
      summaries.push_back(plate.Name + " p" + std::to_string(plate.FirstPage) + " s" +
                          std::to_string(plate.Scaling));
    }
    return summaries;
  }

  test::TempDir home;
  test::TempDir charts;
  test::FakeMainView view;
  MainPresenter presenter{view, home.Folder()};
  test::FakePlatePort port;
  PlateOperations operations{presenter.Model(), port};
  pdf::TPDFDocument document;
  DocumentPageCounter pages{document};
};

TEST_F(BatchImportPresenterTest, ConfirmingEveryPlateWhereCancelSkipsOnlyThatPage) {
  Model().ConfirmPlateAdd = true;
  Model().DefaultScaling = sc800;
  AddChart("KLAX_RNAV 24R.pdf", 2);
  AddChart("KLAX_ILS 25L.pdf", 1);
  port.user = [](PlateEditorFields& fields) {
    return !(fields.name == "RNAV 24R" && fields.page_number == 1);
  };
  Process();
  std::vector<std::string> expected;
  std::vector<std::string> shown;
  for (const std::string& file : ListImportFiles(charts.Folder(), "KLAX_")) {
    if (file == "KLAX_ILS 25L.pdf") {
      expected.push_back("ILS 25L p1 s2");
      shown.push_back("ILS 25L 1");
    } else {
      expected.push_back("RNAV 24R p2 s2");
      shown.push_back("RNAV 24R 1");
      shown.push_back("RNAV 24R 2");
    }
  }
  EXPECT_EQ(PlateSummaries(), expected);
  std::vector<std::string> seen;
  for (const PlateEditorFields& fields : port.editor_shown) {
    seen.push_back(fields.name + " " + std::to_string(fields.page_number));
    EXPECT_EQ(fields.scaling, sc800);
  }
  EXPECT_EQ(seen, shown);
  EXPECT_EQ(view.plates.size(), 2u);
  EXPECT_EQ(view.groups.at(0), "Airport: Group1 KLAX, Los Angeles international, 2 plates");
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(BatchImportPresenterTest, ErrorIsShownOnceAndEarlierPlatesStay) {
  AddChart("KLAX_A.pdf", 2);
  AddChart("KLAX_B.pdf", 1);
  AddChart("KLAX_C.pdf", 1);
  const std::vector<std::string> order = ListImportFiles(charts.Folder(), "KLAX_");
  ASSERT_EQ(order.size(), 3u);
  WriteFile(charts.File(order[1]), "damaged");
  Process();
  EXPECT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(Model().GroupAt(0)->Count, order[0] == "KLAX_A.pdf" ? 2 : 1);
  EXPECT_TRUE(Model().ProjectModified);
  EXPECT_TRUE(Model().GroupModified);
}

TEST_F(BatchImportPresenterTest, FullGroupIsReportedOnce) {
  for (int i = 0; i < kMaxPlatesPerGroup - 1; ++i) Model().AddPlate(PlateRecord{});
  AddChart("KLAX_RNAV 24R.pdf", 3);
  Process();
  EXPECT_EQ(view.messages, (std::vector<std::string>{"A group holds at most 500 plates"}));
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(Model().GroupAt(0)->Count, kMaxPlatesPerGroup);
}

TEST_F(BatchImportPresenterTest, NoCurrentGroupAsksForOneForEveryPage) {
  Model().CurrentGroup = -1;
  AddChart("KLAX_RNAV 24R.pdf", 2);
  Model().ProcessOptions = 2;
  Process();
  EXPECT_EQ(port.messages, (std::vector<std::string>{"No group selected", "No group selected"}));
  EXPECT_EQ(Model().GroupAt(0)->Count, 0);
}

}  // namespace
}  // namespace qp::app
