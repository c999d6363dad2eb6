#include "app/core/plate_editor_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/core/compiler_preview_renderer.h"
#include "app/core/plate_operations.h"
#include "app/core/preview_image.h"
#include "compiler/palette.h"
#include "tests/app/core/fake_plate_editor_helpers.h"
#include "tests/app/core/fake_plate_port_helpers.h"
#include "tests/project/project_test_helpers.h"

namespace qp::app {
namespace {

using test::FakeEditorView;
using test::FakePreviewRenderer;
using test::PageColour;
using test::TempDir;

constexpr uint32_t kBlack = 0;
constexpr uint32_t kRed = 0x000000FF;

class PlateEditorModelTest : public ::testing::Test {
 protected:
  PlateEditorModelTest() : model(view, renderer, project, home.Folder()) {}

  // An existing file with the given name; the fake renderer ignores its bytes.
  std::string Source(const std::string& name) {
    const std::string path = home.File(name);
    test::WriteFile(path, "x");
    return path;
  }

  // What a caller does: fill the fields, show the editor, activate it.
  void Open(const std::string& source, int page = 1) {
    PlateEditorFields fields;
    ResetFields(fields, source, "Plate", page);
    model.SetVisible(false);
    model.LoadFields(fields);
    model.SetVisible(true);
    model.Activate();
  }

  uint32_t Pixel(int x, int y) const { return model.Image().Pixel(x, y); }

  TempDir home;
  FakeEditorView view;
  FakePreviewRenderer renderer;
  Project project;
  PlateEditorModel model;
};

TEST_F(PlateEditorModelTest, FillingTheFieldsWhileHiddenDrawsNothing) {
  PlateEditorFields fields;
  ResetFields(fields, Source("a.pdf"), "A", 1);
  model.LoadFields(fields);
  EXPECT_TRUE(renderer.pdf_calls.empty());
  EXPECT_EQ(view.images_shown, 0);
  EXPECT_EQ(model.MouseX(), -1);
  EXPECT_EQ(Pixel(0, 0), kBlack);
}

TEST_F(PlateEditorModelTest, MissingSourceShowsBlackWithoutMessage) {
  Open(Source("a.pdf"));
  ASSERT_EQ(Pixel(0, 0), PageColour(1));
  model.SetSourceFile(home.File("deleted.pdf"));
  EXPECT_EQ(Pixel(0, 0), kBlack);
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(model.MouseX(), -1);
  EXPECT_EQ(model.Fields().source_file, home.File("deleted.pdf"));
  model.SetSourceFile(home.Folder());  // a folder is no source either
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(renderer.pdf_calls.size(), 1u);
}

TEST_F(PlateEditorModelTest, SourceKindFollowsTheExtensionInAnyCase) {
  struct Case {
    const char* name;
    bool pdf;
    bool picture;
    bool unsupported;
  };
  const Case cases[] = {{"a.pdf", true, false, false},     {"B.PDF", true, false, false},
                        {"c.bmp", false, true, false},     {"d.Jpg", false, true, false},
                        {"e.JPEG", false, true, false},    {"f.txt", false, false, true},
                        {"g.pdf.txt", false, false, true}, {"noextension", false, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    view.messages.clear();
    renderer.pdf_calls.clear();
    renderer.picture_calls.clear();
    Open(Source(c.name));
    EXPECT_EQ(renderer.pdf_calls.size(), c.pdf ? 1u : 0u);
    EXPECT_EQ(renderer.picture_calls.size(), c.picture ? 1u : 0u);
    EXPECT_EQ(view.messages, c.unsupported ? std::vector<std::string>{"Unsupported image file type"}
                                           : std::vector<std::string>{});
    if (c.unsupported) {
      EXPECT_EQ(Pixel(0, 0), kBlack);
    }
  }
}

TEST_F(PlateEditorModelTest, UnsupportedFileIsReportedOnEveryChange) {
  const std::string text = Source("notes.txt");
  Open(text);
  model.SetSourceFile(text);
  model.SetScaling(sc800);
  EXPECT_EQ(view.messages.size(), 3u);
}

TEST_F(PlateEditorModelTest, PictureDisablesThePdfFieldsAndPdfEnablesThemAgain) {
  const std::string pdf = Source("chart.pdf");
  Open(pdf, 2);
  EXPECT_TRUE(model.PdfPreview());
  EXPECT_TRUE(model.PdfFieldsEnabled());
  EXPECT_EQ(model.Fields().number_of_pages, "3");

  model.SetSourceFile(Source("scan.bmp"));
  EXPECT_FALSE(model.PdfPreview());
  EXPECT_FALSE(model.PdfFieldsEnabled());
  EXPECT_EQ(model.Fields().page_number, 1);
  EXPECT_EQ(model.Fields().number_of_pages, "1");
  EXPECT_EQ(Pixel(0, 0), test::kPictureColour);
  EXPECT_EQ(Pixel(300, 0), kBlack);

  model.SetPageNumber(2);  // no effect without a PDF preview
  EXPECT_TRUE(renderer.pdf_calls.size() == 1u);

  model.SetSourceFile(pdf);
  EXPECT_TRUE(model.PdfPreview());
  EXPECT_TRUE(model.PdfFieldsEnabled());
}

TEST_F(PlateEditorModelTest, PreviewUsesTheTargetWidthAndRotationOfTheFields) {
  Open(Source("chart.pdf"));
  const int widths[] = {0, 1024, 800, 640, 320, 0};
  for (int item = 0; item <= 5; ++item) {
    model.SetScaling(item);
    EXPECT_EQ(renderer.pdf_calls.back().target_width, widths[item]);
  }
  model.SetRotation(rtUpsideDown);
  EXPECT_EQ(renderer.pdf_calls.back().rotate, rtUpsideDown);
  EXPECT_EQ(view.busy_depth, 0);
  EXPECT_EQ(view.busy_peak, 1);
}

TEST_F(PlateEditorModelTest, PageAboveTheCountIsLoweredAndItsPreviewReportedOnce) {
  struct Case {
    bool pdf_before;
    uint32_t shown;  // what the preview shows after the failure
  };
  // Over a PDF preview the lowered page is shown; otherwise it stays black.
  for (const Case c : {Case{true, PageColour(3)}, Case{false, kBlack}}) {
    SCOPED_TRACE(c.pdf_before);
    const std::string pdf = Source("three.pdf");
    Open(c.pdf_before ? pdf : Source("scan.jpg"));
    view.messages.clear();
    renderer.pdf_calls.clear();
    PlateEditorFields fields = model.Fields();
    ResetFields(fields, pdf, "Three", 7);
    model.SetVisible(false);
    model.LoadFields(fields);
    model.SetVisible(true);
    model.Activate();

    EXPECT_EQ(model.Fields().page_number, 3);
    EXPECT_EQ(view.messages, std::vector<std::string>{"Invalid page number (7)"});
    EXPECT_EQ(renderer.pdf_calls.size(), c.pdf_before ? 2u : 1u);
    EXPECT_EQ(Pixel(0, 0), c.shown);
    EXPECT_EQ(model.MouseX(), -1);
  }
  // The next change of the page number previews normally.
  model.SetSourceFile(Source("three.pdf"));
  view.messages.clear();
  model.SetPageNumber(2);
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(Pixel(0, 0), PageColour(2));
  model.SetPageNumber(9);  // lowered before rendering: no failure
  EXPECT_EQ(model.Fields().page_number, 3);
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(Pixel(0, 0), PageColour(3));
}

TEST_F(PlateEditorModelTest, PdfThatFailsToOpenReportsItsErrorAndStaysBlack) {
  renderer.open_error = "Invalid PDF structure";
  Open(Source("broken.pdf"));
  EXPECT_EQ(view.messages, std::vector<std::string>{"Invalid PDF structure"});
  EXPECT_EQ(Pixel(0, 0), kBlack);
  EXPECT_EQ(model.MouseX(), -1);
  EXPECT_EQ(view.busy_depth, 0);
}

TEST_F(PlateEditorModelTest, ClipOutlineIsDrawnOnlyWhenTicked) {
  PlateEditorFields fields;
  ResetFields(fields, Source("chart.pdf"), "C", 1);
  fields.clip_x1 = "10";
  fields.clip_y1 = "20";
  fields.clip_x2 = "30";
  fields.clip_y2 = "junk";  // reads as 0: the corners come in reverse order
  model.LoadFields(fields);
  model.SetVisible(true);
  model.Activate();
  EXPECT_EQ(Pixel(10, 19), PageColour(1));
  model.SetClip(true);
  EXPECT_EQ(Pixel(10, 0), kRed);
  EXPECT_EQ(Pixel(29, 19), kRed);
  EXPECT_EQ(Pixel(15, 10), PageColour(1));
  model.SetClipText(3, "40");  // the outline follows at once
  EXPECT_EQ(Pixel(10, 39), kRed);
  EXPECT_EQ(Pixel(10, 0), PageColour(1));
  // A rectangle marked with the mouse ticks clipping and fills the fields.
  model.SetClip(false);
  model.SetClipRectangle(50, 60, 70, 80);
  EXPECT_TRUE(model.Fields().clip);
  EXPECT_EQ(model.Fields().clip_x1 + " " + model.Fields().clip_y1 + " " + model.Fields().clip_x2 +
                " " + model.Fields().clip_y2,
            "50 60 70 80");
  EXPECT_EQ(Pixel(50, 79), kRed);
  EXPECT_EQ(Pixel(10, 39), PageColour(1));
}

TEST_F(PlateEditorModelTest, CrosshairLeavesNoTrail) {
  Open(Source("chart.pdf"));
  model.MouseMoved(120, 45);
  EXPECT_EQ(view.read_out, "X:120 Y:45");
  model.MouseMoved(121, 46);
  using Points = std::vector<std::pair<int, int>>;
  EXPECT_EQ(view.crosshairs, (Points{{120, 45}, {120, 45}, {121, 46}}));
  model.SetScaling(sc320);  // a redraw wipes the crosshair with the image
  view.crosshairs.clear();
  model.MouseMoved(5, 6);
  EXPECT_EQ(view.crosshairs, (Points{{5, 6}}));
  model.MouseMoved(-1, 6);
  model.MouseMoved(2000, 6);
  EXPECT_EQ(view.crosshairs, (Points{{5, 6}}));
  EXPECT_EQ(model.MouseX(), 5);
}

TEST_F(PlateEditorModelTest, ReferencePointsCarryOverToTheNextPlate) {
  renderer.width = 1000;
  renderer.height = 1200;
  Open(Source("first.pdf"));
  model.MouseMoved(100, 100);
  view.lat_long_answers.push_back({"N50°00.00", "E000°00.00"});
  model.SetFirstReferencePoint();
  EXPECT_EQ(view.lat_long_shown.back().latitude, "N00°00.00");
  EXPECT_EQ(view.lat_long_shown.back().longitude, "E000°00.00");
  EXPECT_EQ(model.MouseX(), -1);  // the dialog's closing redrew the preview

  Open(Source("second.pdf"));
  model.MouseMoved(900, 1100);
  view.lat_long_answers.push_back({"N49°00.00", "E001°30.00"});
  model.SetSecondReferencePoint();
  const GeoReference& first = model.FirstReference();
  EXPECT_EQ(first.x, 100);
  EXPECT_EQ(first.lat, 9000000);
  EXPECT_EQ(model.SecondReference().lon, 270000);
  EXPECT_EQ(model.Fields().lat_tl, "N50°06.00");
  EXPECT_EQ(model.Fields().long_tl, "W000°11.15");
  EXPECT_EQ(model.Fields().lat_br, "N48°54.00");
  EXPECT_EQ(model.Fields().long_br, "E001°41.15");
  EXPECT_FALSE(model.Fields().geo_referenced);  // the user ticks it
}

TEST_F(PlateEditorModelTest, RefusedCoordinatesSetNothingAndOnePointGivesNoCorners) {
  Open(Source("chart.pdf"));
  const std::string corners_before = model.Fields().lat_tl + model.Fields().long_br;
  model.MouseMoved(10, 10);
  view.lat_long_answers.push_back({"n51°28.40", "W118°2x.29"});
  model.SetFirstReferencePoint();
  EXPECT_EQ(model.FirstReference().lat, 0);
  EXPECT_EQ(model.FirstReference().lon, 0);
  // "N4230.00" is 42° 30′: set, but with one point the corners stay.
  view.lat_long_answers.push_back({"N4230.00", "W71 01.30"});
  model.SetFirstReferencePoint();
  EXPECT_EQ(model.FirstReference().lat, 42 * 180000 + 30 * 3000);
  EXPECT_EQ(model.FirstReference().lon, -(71 * 180000 + 1 * 3000 + 30 * 50));
  EXPECT_EQ(model.Fields().lat_tl + model.Fields().long_br, corners_before);
}

TEST_F(PlateEditorModelTest, ClipCornersComeFromTheMouse) {
  Open(Source("chart.pdf"));
  model.MouseMoved(12, 34);
  model.SetClipTopLeft();
  model.MouseMoved(56, 78);
  model.SetClipBottomRight();
  EXPECT_EQ(model.Fields().clip_x1, "12");
  EXPECT_EQ(model.Fields().clip_y1, "34");
  EXPECT_EQ(model.Fields().clip_x2, "56");
  EXPECT_EQ(model.Fields().clip_y2, "78");
}

TEST_F(PlateEditorModelTest, NameFromFileNameOnActivationTickAndBrowse) {
  PlateEditorFields fields;
  ResetFields(fields, Source("plan.final.pdf"), "Typed", 1);
  fields.name_from_filename = true;
  model.LoadFields(fields);
  EXPECT_EQ(model.Fields().name, "Typed");  // not while hidden
  model.SetVisible(true);
  model.Activate();
  EXPECT_EQ(model.Fields().name, "plan");

  model.SetNameFromFilename(false);
  model.SetName("Mine");
  view.browse_answers.push_back(Source("other.jpg"));
  model.Browse();
  EXPECT_EQ(model.Fields().name, "Mine");
  model.SetNameFromFilename(true);
  EXPECT_EQ(model.Fields().name, "other");
}

TEST_F(PlateEditorModelTest, BrowseRefusesAFileOfTheGroupAndRemembersItsFolder) {
  project.ProjectLoaded = true;
  project.AddGroup("Los Angeles international", "KLAX", 0);
  project.CurrentGroup = 0;
  PlateRecord plate;
  plate.SourceFile = Source("ils.pdf");
  project.AddPlate(plate);

  Open(plate.SourceFile);
  view.browse_answers.push_back(home.File("ILS.PDF"));
  model.Browse();
  EXPECT_EQ(view.messages, std::vector<std::string>{"This plate file exists in the list"});
  EXPECT_EQ(view.browse_folders.back(), home.Folder() + "Plates");

  const std::string other = Source("vor.pdf");
  view.browse_answers.push_back(other);
  model.Browse();
  EXPECT_EQ(model.Fields().source_file, other);
  EXPECT_EQ(renderer.pdf_calls.back().path, other);
  EXPECT_EQ(view.browse_folders.back(), home.Folder().substr(0, home.Folder().size() - 1));
  model.Browse();  // cancelled
  EXPECT_EQ(model.Fields().source_file, other);
}

TEST_F(PlateEditorModelTest, ShowAsTheDisplayWillMapsToThePalette) {
  renderer.width = 4;
  renderer.height = 4;
  Open(Source("chart.pdf"));
  const uint32_t plain = Pixel(0, 0);
  model.SetShowAsDisplay(true);
  const uint32_t mapped = Pixel(0, 0);
  EXPECT_NE(mapped, plain);  // 0x303132 is no palette colour
  EXPECT_EQ(mapped, PlatePalette().entries[NearestPaletteIndex(plain)]);
  model.SetShowAsDisplay(false);
  EXPECT_EQ(Pixel(0, 0), plain);
}

// Through AddPlate and EditPlate, with the model as the editor.
class EditorPort : public test::FakePlatePort {
 public:
  EditorPort(PlateEditorModel& model, std::function<void(PlateEditorModel&)> user_actions)
      : model_(model), user_actions_(std::move(user_actions)) {}
  bool ShowEditor(PlateEditorFields& fields) override {
    model_.LoadFields(fields);
    model_.SetVisible(true);
    model_.Activate();
    user_actions_(model_);
    model_.SetVisible(false);
    fields = model_.Fields();
    return model_.EditorAccepted();
  }

 private:
  PlateEditorModel& model_;
  std::function<void(PlateEditorModel&)> user_actions_;
};

TEST_F(PlateEditorModelTest, CancelKeepsThePlateButNotTheReferencePoints) {
  project.ProjectLoaded = true;
  project.AddGroup("Los Angeles international", "KLAX", 0);
  project.CurrentGroup = 0;
  PlateRecord stored;
  stored.Name = "ILS";
  stored.SourceFile = home.File("deleted.pdf");  // a source that is gone: OK keeps it
  project.AddPlate(stored);

  bool accept = false;
  EditorPort port(model, [&](PlateEditorModel& m) {
    m.MouseMoved(40, 50);
    view.lat_long_answers.push_back({"N10°00.00", "E010°00.00"});
    m.SetFirstReferencePoint();
    m.MouseMoved(60, 70);
    m.SetClipBottomRight();
    if (accept) {
      // Corners come only from two points.
      m.MouseMoved(200, 300);
      view.lat_long_answers.push_back({"N09°00.00", "E011°00.00"});
      m.SetSecondReferencePoint();
      m.Accept();
    } else {
      m.Cancel();
    }
  });
  PlateOperations operations(project, port);

  operations.EditPlate("", "", 0, false, true, 0, 0);
  const PlateRecord& plate = project.PlateTable()[0];
  EXPECT_EQ(plate.ClipX2, 0);
  EXPECT_EQ(plate.LatTL, 0);
  EXPECT_EQ(model.FirstReference().lat, 10 * 180000);
  EXPECT_EQ(model.FirstReference().x, 40);

  accept = true;
  operations.EditPlate("", "", 0, false, true, 0, 0);
  EXPECT_EQ(plate.ClipX2, 60);
  EXPECT_EQ(plate.SourceFile, home.File("deleted.pdf"));
  EXPECT_NE(plate.LatTL, 0);
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(PlateEditorModelTest, ActivationClearsEditorAccepted) {
  Open(Source("chart.pdf"));
  model.Accept();
  model.MouseMoved(1, 1);
  view.lat_long_answers.push_back({"", ""});
  model.SetSecondReferencePoint();  // the dialog closing activates the editor
  EXPECT_FALSE(model.EditorAccepted());
}

TEST_F(PlateEditorModelTest, GeoReferenceFromChartFillsTheCornersAtFullPrecision) {
  const std::string chart = Source("diagram.pdf");
  const struct {
    const char* name;
    std::optional<PlateGeoResult> found;
    std::string open_error;
    const char* wantMessage;  // nullptr: none
    int wantRotation;
  } cases[] = {
      {"north up", PlateGeoResult{{7631009, -12785409, 7619004, -12779995}, rtNone, "graticule"},
       "", nullptr, rtNone},
      {"turned", PlateGeoResult{{7631009, -12785409, 7619004, -12779995}, rtLeft90, "graticule"},
       "", kNorthTurnedUp, rtLeft90},
      {"none", std::nullopt, "", "No geo-reference found on this page", rtNone},
      {"unreadable", std::nullopt, "diagram.pdf: damaged", "diagram.pdf: damaged", rtNone},
  };
  for (const auto& c : cases) {
    Open(chart);
    view.messages.clear();
    renderer.geo_result = c.found;
    renderer.open_error = c.open_error;
    model.GeoReferenceFromChart();
    renderer.open_error.clear();
    ASSERT_FALSE(renderer.geo_calls.empty()) << c.name;
    EXPECT_EQ(renderer.geo_calls.back().SourceFile, chart) << c.name;
    if (c.wantMessage) {
      ASSERT_EQ(view.messages.size(), 1u) << c.name;
      EXPECT_EQ(view.messages[0], c.wantMessage) << c.name;
    } else {
      EXPECT_TRUE(view.messages.empty()) << c.name;
    }
    EXPECT_EQ(model.Fields().rotation, c.wantRotation) << c.name;
    EXPECT_EQ(model.Fields().geo_referenced, c.found.has_value()) << c.name;
    PlateRecord stored;
    WriteFieldsToPlate(model.Fields(), stored);
    const PlateCorners want = c.found ? c.found->Corners : PlateCorners{};
    EXPECT_EQ((PlateCorners{stored.LatTL, stored.LongTL, stored.LatBR, stored.LongBR}), want)
        << c.name;
  }
  // A picture has no chart geo-reference to read.
  Open(Source("photo.bmp"));
  view.messages.clear();
  const size_t calls = renderer.geo_calls.size();
  model.GeoReferenceFromChart();
  EXPECT_EQ(renderer.geo_calls.size(), calls);
  EXPECT_EQ(view.messages, std::vector<std::string>{"No geo-reference found on this page"});
}

TEST(PreviewImage, ClipOutlineEdges) {
  struct Case {
    int x1, y1, x2, y2;
    std::vector<std::pair<int, int>> red;
    std::vector<std::pair<int, int>> untouched;
  };
  const Case cases[] = {
      {2, 3, 6, 8, {{2, 3}, {5, 3}, {2, 7}, {5, 7}, {4, 3}, {2, 5}}, {{6, 3}, {2, 8}, {3, 4}}},
      {6, 8, 2, 3, {{2, 3}, {5, 7}}, {{6, 8}}},
      {2, 3, 3, 4, {{2, 3}}, {{3, 3}, {2, 4}}},
      {2, 3, 2, 8, {}, {{2, 3}, {2, 5}}},
      {-5, -5, 3, 3, {{2, 0}, {0, 2}}, {{0, 0}, {1, 1}}},
      {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, {}, {{0, 0}, {9, 9}}},
      {5, 5, INT32_MAX, 7, {{5, 5}, {9, 5}, {5, 6}, {8, 6}}, {{6, 7}, {4, 5}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2);
    PlateRaster image(10, 10);
    FillBlack(image);
    DrawClipOutline(image, c.x1, c.y1, c.x2, c.y2);
    for (auto [x, y] : c.red) EXPECT_EQ(image.Pixel(x, y), kRed) << x << "," << y;
    for (auto [x, y] : c.untouched) EXPECT_EQ(image.Pixel(x, y), kBlack) << x << "," << y;
  }
}

TEST(PlateEditorModelCorpus, PreviewsAChartThroughTheCompiler) {
  const std::filesystem::path chart =
      std::filesystem::path(QP_SHARED_DIR) / "corpus" / "faa" / "MA-BOS-HOT-SPOT.pdf";
  if (!std::filesystem::exists(chart)) GTEST_SKIP() << "no FAA corpus at " << chart;
  pdf::TPDFDocument document;
  CompilerPreviewRenderer renderer(document);
  FakeEditorView view;
  Project project;
  PlateEditorModel model(view, renderer, project, "/tmp/");
  PlateEditorFields fields;
  ResetFields(fields, chart.string(), "Hot spots", 7);
  fields.scaling = sc1024;
  model.LoadFields(fields);
  model.SetVisible(true);
  model.Activate();
  // Two pages: 7 is lowered to 2 and its own preview fails; the next change
  // previews page 2.
  EXPECT_EQ(model.Fields().page_number, 2);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_NE(view.messages[0].find("Invalid page number (7)"), std::string::npos)
      << view.messages[0];
  view.messages.clear();
  model.SetRotation(rtLeft90);
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(model.PreviewWidth(), 1024);
  EXPECT_EQ(model.Fields().number_of_pages, "2");
  EXPECT_TRUE(model.PdfPreview());
  // Below the page the image stays black; the page itself is mostly white.
  EXPECT_EQ(model.Image().Pixel(1500, model.PreviewHeight() + 1), 0u);
  EXPECT_EQ(model.Image().Pixel(1, 1), 0xFFFFFFu);
}

}  // namespace
}  // namespace qp::app
