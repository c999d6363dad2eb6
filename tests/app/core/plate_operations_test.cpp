#include "app/core/plate_operations.h"

#include <gtest/gtest.h>

#include <string>

#include "compiler/geo_reference.h"
#include "tests/app/core/fake_plate_port_helpers.h"
#include "tests/project/project_test_helpers.h"

namespace qp::app {
namespace {

using test::FakePlatePort;
using test::RecordingView;

PlateRecord StoredPlate() {
  PlateRecord plate;
  plate.Name = "ILS RWY 24R";
  plate.SourceFile = "/charts/klax/ils24r.pdf";
  plate.FirstPage = 2;
  plate.NumberOfPages = 9;
  plate.Scaling = sc800;
  plate.Rotate = rtRight90;
  plate.GEOREF = true;
  plate.Clip = true;
  plate.LatTL = 9266000;
  plate.LongTL = -21313450;
  plate.LatBR = 9200000;
  plate.LongBR = -21200000;
  plate.ClipX1 = 10;
  plate.ClipY1 = 20;
  plate.ClipX2 = 600;
  plate.ClipY2 = 700;
  plate.Width = 321;
  plate.Height = 123;
  return plate;
}

// A loaded project without a file: group 1 "Info", group 2 KLAX current.
class PlateOperationsTest : public ::testing::Test {
 protected:
  PlateOperationsTest() : project(&view), operations(project, port) {
    project.ProjectLoaded = true;
    project.AddGroup("Weather", "", 1);
    project.AddGroup("Los Angeles international", "KLAX", 0);
    project.CurrentGroup = 1;
    project.ProjectModified = false;
  }

  GroupRecord& Group() { return *project.GroupAt(project.CurrentGroup); }
  PlateRecord& Plate(int index) { return project.PlateTable()[static_cast<size_t>(index)]; }
  void ClearFlags() { project.ProjectModified = project.GroupModified = false; }

  RecordingView view;
  Project project;
  FakePlatePort port;
  PlateOperations operations;
};

TEST_F(PlateOperationsTest, FirstPlateAddedThroughTheEditorRenewsTheGroupLine) {
  port.user = [](PlateEditorFields& fields) {
    fields.name = "ILS RWY 24R";
    fields.source_file = "/charts/klax/ils24r.pdf";
    return true;
  };
  operations.AddPlate("", "", 0, 0, true);

  ASSERT_EQ(Group().Count, 1);
  EXPECT_EQ(view.groups[1], "Airport: Group2 KLAX, Los Angeles international, 1 plates");
  ASSERT_EQ(view.plates.size(), 1u);
  EXPECT_EQ(view.plates[0], "Plate 1, ILS RWY 24R, Page 1, File: \"ils24r.pdf\"");
  EXPECT_TRUE(project.ProjectModified);
  EXPECT_TRUE(project.GroupModified);
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(Plate(0).NumberOfPages, 0);
}

TEST_F(PlateOperationsTest, AddWithoutEditorTakesTheResetFieldsAndThePageCount) {
  Plate(0).Width = 77;  // a stale entry past Count must not leak into the new plate
  operations.AddPlate("/charts/a.pdf", "Airport diagram", 4, 12, false);

  EXPECT_TRUE(port.editor_shown.empty());
  ASSERT_EQ(Group().Count, 1);
  const PlateRecord& plate = Plate(0);
  EXPECT_EQ(plate.Name, "Airport diagram");
  EXPECT_EQ(plate.SourceFile, "/charts/a.pdf");
  EXPECT_EQ(plate.FirstPage, 4);
  EXPECT_EQ(plate.NumberOfPages, 12);
  EXPECT_EQ(plate.Width, 0);
  EXPECT_EQ(plate.Height, 0);
  EXPECT_FALSE(plate.GEOREF || plate.Clip || plate.NameFromFilename);
  EXPECT_EQ(plate.LatTL, 0);
  EXPECT_EQ(plate.ClipX2, 0);
}

TEST_F(PlateOperationsTest, CommandsWithoutGroupOrProjectShowTheirMessageAndChangeNothing) {
  struct Case {
    const char* what;
    bool loaded;
    int current;
    bool add;
    const char* message;  // nullptr: stops silently
  };
  const Case cases[] = {
      {"add, no group current", true, -1, true, "No group selected"},
      {"add, group out of range", true, 5, true, "No group selected"},
      {"add, group but no project", false, 1, true, "No project loaded"},
      {"double click, no group current", true, -1, false, "No project loaded"},
      {"edit, group but no project", false, 1, false, nullptr},
  };
  Plate(0) = StoredPlate();
  Group().Count = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    port = FakePlatePort{};
    project.ProjectLoaded = c.loaded;
    project.CurrentGroup = c.current;
    ClearFlags();
    if (c.add) {
      operations.AddPlate("", "", 0, 0, true);
    } else {
      operations.EditPlate("", "", 0, false, true, 0, 0);
    }
    EXPECT_EQ(port.messages,
              c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    EXPECT_TRUE(port.editor_shown.empty());
    EXPECT_EQ(project.GroupAt(1)->Count, 1);
    EXPECT_FALSE(project.ProjectModified || project.GroupModified);
  }
}

TEST_F(PlateOperationsTest, AddAfterDeletingTheCurrentGroupSaysNoGroupSelected) {
  ASSERT_TRUE(project.DeleteCurrentGroup());
  operations.AddPlate("", "", 0, 0, true);
  EXPECT_EQ(port.messages, std::vector<std::string>{"No group selected"});
  EXPECT_TRUE(port.editor_shown.empty());
}

TEST_F(PlateOperationsTest, ResetFieldsSeenByTheEditor) {
  project.DefaultScaling = sc640;
  struct Case {
    int page;
    int shown_page;
    int shown_scaling;
  };
  // The default scaling of the batch import applies only to a given page.
  const Case cases[] = {
      {0, 1, scOriginal}, {-3, 1, scOriginal}, {1, 1, sc640}, {7, 7, sc640}, {1001, 1000, sc640}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    port = FakePlatePort{};
    port.user = [](PlateEditorFields&) { return false; };
    operations.AddPlate("/c/x.pdf", "X", c.page, 0, true);
    ASSERT_EQ(port.editor_shown.size(), 1u);
    const PlateEditorFields& shown = port.editor_shown[0];
    EXPECT_EQ(shown.page_number, c.shown_page);
    EXPECT_EQ(shown.scaling, c.shown_scaling);
    EXPECT_EQ(shown.source_file, "/c/x.pdf");
    EXPECT_EQ(shown.name, "X");
    EXPECT_EQ(shown.number_of_pages, "");
    EXPECT_EQ(shown.lat_tl, "N00°00.00");
    EXPECT_EQ(shown.long_br, "E000°00.00");
    EXPECT_EQ(shown.clip_y2, "0");
  }
  EXPECT_EQ(Group().Count, 0);
}

TEST_F(PlateOperationsTest, CancelAddsNothingAndMarksNothing) {
  port.user = [](PlateEditorFields& fields) {
    fields.name = "Typed but cancelled";
    return false;
  };
  operations.AddPlate("", "", 0, 0, true);
  EXPECT_EQ(Group().Count, 0);
  EXPECT_TRUE(view.plates.empty());
  EXPECT_FALSE(project.ProjectModified || project.GroupModified);
}

TEST_F(PlateOperationsTest, FullGroupRefusesTheNextPlateOnceWithoutShowingTheEditor) {
  Group().Count = kMaxPlatesPerGroup;
  for (bool show : {true, false}) {
    port = FakePlatePort{};
    operations.AddPlate("/c/x.pdf", "X", 1, 1, show);
    EXPECT_EQ(port.messages, std::vector<std::string>{"A group holds at most 500 plates"});
    EXPECT_TRUE(port.editor_shown.empty());
    EXPECT_EQ(Group().Count, kMaxPlatesPerGroup);
    EXPECT_FALSE(project.ProjectModified || project.GroupModified);
  }
}

TEST_F(PlateOperationsTest, EditCancelLeavesThePlateUnchanged) {
  Plate(0) = StoredPlate();
  Group().Count = 1;
  port.user = [](PlateEditorFields& fields) {
    fields.name = "Changed";
    fields.clip_x1 = "400";
    fields.lat_tl = "S10°00.00";
    return false;
  };
  operations.EditPlate("", "", 0, false, true, 0, 0);
  ASSERT_EQ(port.editor_shown.size(), 1u);
  EXPECT_EQ(port.editor_shown[0].name, "ILS RWY 24R");
  EXPECT_EQ(port.editor_shown[0].lat_tl, "N51°28.40");
  EXPECT_EQ(port.editor_shown[0].clip_x2, "600");
  EXPECT_EQ(Plate(0).Name, "ILS RWY 24R");
  EXPECT_EQ(Plate(0).ClipX1, 10);
  EXPECT_EQ(Plate(0).LatTL, 9266000);
  EXPECT_TRUE(port.replaced_lines.empty());
  EXPECT_FALSE(project.GroupModified);
}

TEST_F(PlateOperationsTest, EditOkRewritesThePlateKeepingItsSizeAndPageCount) {
  Plate(0) = StoredPlate();
  Plate(1) = StoredPlate();
  Group().Count = 2;
  port.user = [](PlateEditorFields& fields) {
    fields.name = "RNAV (GPS) Y RWY 25L";
    fields.SetPageNumber(3);
    fields.lat_br = "N50°00.00";
    fields.clip_x2 = "not a number";
    return true;
  };
  operations.EditPlate("", "", 0, false, true, 1, 99);

  const PlateRecord& plate = Plate(1);
  EXPECT_EQ(plate.Name, "RNAV (GPS) Y RWY 25L");
  EXPECT_EQ(plate.FirstPage, 3);
  EXPECT_EQ(plate.LatBR, 50 * kUnitsPerDegree);
  EXPECT_EQ(plate.LatTL, 9266000);
  EXPECT_EQ(plate.ClipX2, 0);
  EXPECT_EQ(plate.ClipY2, 700);
  EXPECT_EQ(plate.NumberOfPages, 9);
  EXPECT_EQ(plate.Width, 321);
  EXPECT_EQ(plate.Height, 123);
  EXPECT_EQ(port.replaced_lines.at(1),
            "Plate 2, RNAV (GPS) Y RWY 25L, Page 3, File: \"ils24r.pdf\"");
  EXPECT_TRUE(project.GroupModified);
  EXPECT_FALSE(project.ProjectModified);
  EXPECT_EQ(Plate(0).Name, "ILS RWY 24R");
}

TEST_F(PlateOperationsTest, EditWithResetTakesPathNameAndPage) {
  Plate(0) = StoredPlate();
  Group().Count = 1;
  operations.EditPlate("/charts/new.pdf", "New", 5, true, false, 0, 3);
  EXPECT_TRUE(port.editor_shown.empty());
  EXPECT_EQ(Plate(0).SourceFile, "/charts/new.pdf");
  EXPECT_EQ(Plate(0).Name, "New");
  EXPECT_EQ(Plate(0).FirstPage, 5);
  EXPECT_EQ(Plate(0).Scaling, scOriginal);  // reset, no default scaling on edit
  EXPECT_FALSE(Plate(0).GEOREF);
  EXPECT_EQ(Plate(0).NumberOfPages, 9);
  EXPECT_EQ(port.replaced_lines.count(0), 1u);
}

TEST_F(PlateOperationsTest, EditOfAnIndexWithoutAPlateDoesNothing) {
  Plate(0) = StoredPlate();
  Group().Count = 1;
  for (int index : {-1, 1, kMaxPlatesPerGroup, 100000}) {
    SCOPED_TRACE(index);
    operations.EditPlate("", "", 0, false, true, index, 0);
    EXPECT_TRUE(port.editor_shown.empty());
    EXPECT_TRUE(port.messages.empty());
    EXPECT_TRUE(port.replaced_lines.empty());
    EXPECT_FALSE(project.GroupModified);
  }
}

}  // namespace
}  // namespace qp::app
