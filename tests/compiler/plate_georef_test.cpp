#include "compiler/plate_georef.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "compiler/build_driver.h"
#include "compiler/chart_georef.h"
#include "compiler/pdf_source.h"
#include "pdf/render/pdf_render.h"
#include "tests/compiler/compiler_test_helpers.h"
#include "tests/compiler/pdf_source_helpers.h"

namespace qp {
namespace {

using testing::Page;
using testing::ScratchDir;
using testing::WriteTestPdf;

// The matrix must put a page point on the pixel the renderer paints for it:
// the test pages carry a black square in the top-left corner of the page.
TEST(PageToCanvasMatrix, PutsPagePointsWhereThePageIsDrawn) {
  ScratchDir dir;
  const auto path = dir / "square.pdf";
  const std::vector<testing::TestPage> pages = {Page(612, 792), Page(612, 792, 90)};
  WriteTestPdf(path, pages);
  for (int page = 1; page <= 2; ++page) {
    for (int rotate = 0; rotate <= 3; ++rotate) {
      pdf::TPDFDocument document;
      const PreviewPdfResult preview = PreviewPdfPage(document, path, page, 300, rotate);
      const auto m = pdf::PageToCanvasMatrix(*document.Document(), page, preview.PreviewWidth,
                                             preview.PreviewHeight, document.GetPageRotate(page));
      ASSERT_TRUE(m.has_value());
      const double side = 612.0 / 5, x = side / 2, y = 792 - side / 2;
      const double px = m->M11 * x + m->M21 * y + m->Dx, py = m->M12 * x + m->M22 * y + m->Dy;
      ASSERT_GE(px, 0);
      ASSERT_GE(py, 0);
      EXPECT_EQ(preview.image.Pixel(int(px), int(py)), 0u)
          << "page " << page << " rotate " << rotate << " at " << px << "," << py;
    }
  }
}

// A chart whose latitude grows with y and longitude with x (north up), or
// latitude with x and longitude downwards (north to the right).
AffineGeoMapping NorthUpChart() {
  AffineGeoMapping m;
  m.Lon0 = -71, m.LonX = 1e-4, m.Lat0 = 42, m.LatY = 1e-4;
  return m;
}
AffineGeoMapping NorthRightChart() {
  AffineGeoMapping m;
  m.Lon0 = -71 + 0.0792, m.LonY = -1e-4, m.Lat0 = 42, m.LatX = 1e-4;
  return m;
}
AffineGeoMapping SkewedChart(double degrees) {
  const double a = degrees * 3.14159265358979323846 / 180;
  AffineGeoMapping m;
  m.Lon0 = -71, m.LonX = 1e-4 * std::cos(a), m.LonY = 1e-4 * std::sin(a);
  m.Lat0 = 42, m.LatX = -1e-4 * std::sin(a), m.LatY = 1e-4 * std::cos(a);
  return m;
}

int32_t Units(double degrees) {
  return static_cast<int32_t>(std::lround(degrees * 180000));
}

TEST(GeoReferencePlate, CornersFollowTheLayoutAsTheBuildDrawsIt) {
  ScratchDir dir;
  const auto path = dir / "chart.pdf";
  WriteTestPdf(path, {Page(612, 792)});
  const struct {
    const char* name;
    AffineGeoMapping mapping;
    uint8_t rotate;
    bool clip;
    uint8_t wantRotate;
    PlateCorners want;
    PageRect wantArea;  // seen by the finder; all 0 for the whole page
  } cases[] = {
      {"north up",
       NorthUpChart(),
       rtNone,
       false,
       rtNone,
       {Units(42.0792), Units(-71), Units(42), Units(-70.9388)},
       {}},
      {"north up, clipped",
       NorthUpChart(),
       rtNone,
       true,
       rtNone,
       {Units(42.0792), Units(-71), Units(42), Units(-70.9388)},
       {612 / 4.0, 792 / 2.0, 612 / 2.0, 792 * 3 / 4.0}},
      {"north to the right, turned left",
       NorthRightChart(),
       rtNone,
       false,
       rtLeft90,
       {Units(42.0612), Units(-71), Units(42), Units(-70.9208)},
       {}},
      {"north to the right, already turned",
       NorthRightChart(),
       rtLeft90,
       false,
       rtLeft90,
       {Units(42.0612), Units(-71), Units(42), Units(-70.9208)},
       {}},
      {"upside down",
       SkewedChart(180),
       rtNone,
       false,
       rtUpsideDown,
       {Units(42), Units(-71.0612), Units(41.9208), Units(-71)},
       {}},
  };
  for (const auto& c : cases) {
    PlateRecord plate;
    plate.SourceFile = path.string();
    plate.Scaling = sc1024;
    plate.Rotate = c.rotate;
    // A quarter of the preview's width across the middle of its upper half.
    plate.Clip = c.clip;
    plate.ClipX1 = 1024 / 4, plate.ClipX2 = 1024 / 2, plate.ClipY1 = 1325 / 4,
    plate.ClipY2 = 1325 / 2;
    std::optional<PageRect> seenArea;
    const auto mapping = std::make_shared<AffineGeoMapping>(c.mapping);
    const ChartGeoFinder find = [&](pdf::TPDFDocument&, int page,
                                    const std::optional<PageRect>& area, std::string*) {
      EXPECT_EQ(page, 1);
      seenArea = area;
      return std::optional<ChartGeoReference>(ChartGeoReference{mapping, "test"});
    };
    pdf::TPDFDocument document;
    std::string problem;
    const auto result = GeoReferencePlate(document, plate, find, &problem);
    ASSERT_TRUE(result.has_value()) << c.name << ": " << problem;
    EXPECT_EQ(result->Rotate, c.wantRotate) << c.name;
    // The raster's height is rounded to whole pixels: a pixel is 0.6 point,
    // 11 units of 1/180000 degree on these charts.
    const int32_t slack = 11;
    EXPECT_NEAR(result->Corners.LatTL, c.want.LatTL, slack) << c.name;
    EXPECT_NEAR(result->Corners.LongTL, c.want.LongTL, slack) << c.name;
    EXPECT_NEAR(result->Corners.LatBR, c.want.LatBR, slack) << c.name;
    EXPECT_NEAR(result->Corners.LongBR, c.want.LongBR, slack) << c.name;
    ASSERT_EQ(seenArea.has_value(), c.clip) << c.name;
    if (seenArea) {
      EXPECT_NEAR(seenArea->x0, c.wantArea.x0, 0.5) << c.name;
      EXPECT_NEAR(seenArea->y0, c.wantArea.y0, 0.5) << c.name;
      EXPECT_NEAR(seenArea->x1, c.wantArea.x1, 0.5) << c.name;
      EXPECT_NEAR(seenArea->y1, c.wantArea.y1, 0.5) << c.name;
    }
  }
}

TEST(GeoReferencePlate, RefusesWhatCornersCannotDescribe) {
  ScratchDir dir;
  const auto path = dir / "chart.pdf";
  WriteTestPdf(path, {Page(612, 792)});
  AffineGeoMapping mirrored = NorthUpChart();
  mirrored.LonX = -mirrored.LonX;
  const struct {
    const char* name;
    std::optional<AffineGeoMapping> mapping;
    const char* wantProblem;
  } cases[] = {
      {"nothing found", std::nullopt, "No geo-reference found on this page"},
      {"skewed", SkewedChart(20), "North on this chart is turned 20 degrees"},
      {"mirrored", mirrored, "The chart is mirrored"},
  };
  for (const auto& c : cases) {
    PlateRecord plate;
    plate.SourceFile = path.string();
    plate.Scaling = sc1024;
    const ChartGeoFinder find = [&](pdf::TPDFDocument&, int, const std::optional<PageRect>&,
                                    std::string* problem) -> std::optional<ChartGeoReference> {
      if (!c.mapping) {
        *problem = kNoGeoReferenceMessage;
        return std::nullopt;
      }
      return ChartGeoReference{std::make_shared<AffineGeoMapping>(*c.mapping), "test"};
    };
    pdf::TPDFDocument document;
    std::string problem;
    EXPECT_FALSE(GeoReferencePlate(document, plate, find, &problem).has_value()) << c.name;
    EXPECT_NE(problem.find(c.wantProblem), std::string::npos) << c.name << ": " << problem;
  }
}

}  // namespace
}  // namespace qp

namespace qp {
namespace {

// The published geo-reference of the Boston airport diagram, in 300-dpi
// pixels of the page as displayed.
GeoPosition BostonPublished(double px, double py) {
  return {42.3945163713 - py * 2.13555430912e-05, -71.0300595079 + px * 2.8782552714e-05};
}

double MetresBetween(int32_t lat1, int32_t lon1, GeoPosition p) {
  const double degree = 3.14159265358979323846 / 180;
  const double dy = (lat1 / 180000.0 - p.Latitude) * 111320;
  const double dx = (lon1 / 180000.0 - p.Longitude) * 111320 * std::cos(p.Latitude * degree);
  return std::hypot(dx, dy);
}

// A plate of page 1 of the corpus chart `name` at Scaling 1, geo-referenced
// through the real finders.
std::optional<PlateGeoResult> CorpusChartGeoReference(const std::string& name,
                                                      pdf::TPDFDocument& document) {
  PlateRecord plate;
  plate.SourceFile = (std::filesystem::path(QP_SHARED_DIR) / "corpus" / name).string();
  plate.Scaling = sc1024;
  std::string problem;
  auto found = GeoReferencePlate(document, plate, FindChartGeoReference, &problem);
  EXPECT_TRUE(found.has_value()) << name << ": " << problem;
  return found;
}

TEST(GeoReferencePlateCorpus, BostonDiagramCornersMatchThePublishedGeoReference) {
  const std::string name = "faa/MA-BOS-AIRPORT-DIAGRAM.pdf";
  if (!std::filesystem::exists(std::filesystem::path(QP_SHARED_DIR) / "corpus" / name))
    GTEST_SKIP() << "corpus not found: " << name;
  pdf::TPDFDocument document;
  const auto found = CorpusChartGeoReference(name, document);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->Rotate, rtNone);
  const double pageWidth = document.GetPageSize(1, pdf::muPoints).Width;
  const int width = 1024;
  const int height = static_cast<int>(
      RoundHalfEven(document.GetPageSize(1, pdf::muPoints).Height * width / pageWidth));
  // 300-dpi pixels per plate pixel.
  const double scale = pageWidth / width * 300 / 72;
  for (const ClipRect clip : {ClipRect{0, 0, width, height}, ClipRect{200, 300, 800, 900}}) {
    const PlateCorners c = ClipCorners(found->Corners, width, height, clip);
    const GeoPosition tl = BostonPublished(clip.Left * scale, clip.Top * scale);
    const GeoPosition br = BostonPublished(clip.Right * scale, clip.Bottom * scale);
    EXPECT_LT(MetresBetween(c.LatTL, c.LongTL, tl), 20) << "clip " << clip.Left;
    EXPECT_LT(MetresBetween(c.LatBR, c.LongBR, br), 20) << "clip " << clip.Left;
  }
}

TEST(GeoReferencePlateCorpus, SanFranciscoDiagramIsTurnedNorthUp) {
  const std::string name = "faa-sfo/CA-SFO-AIRPORT-DIAGRAM.pdf";
  if (!std::filesystem::exists(std::filesystem::path(QP_SHARED_DIR) / "corpus" / name))
    GTEST_SKIP() << "corpus not found: " << name;
  pdf::TPDFDocument document;
  const auto found = CorpusChartGeoReference(name, document);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->Rotate, rtRight90);
  // North up, west to the left, around the airport (37.62 N, 122.38 W).
  EXPECT_GT(found->Corners.LatTL, found->Corners.LatBR);
  EXPECT_LT(found->Corners.LongTL, found->Corners.LongBR);
  for (const int32_t lat : {found->Corners.LatTL, found->Corners.LatBR})
    EXPECT_NEAR(lat / 180000.0, 37.62, 0.05);
  for (const int32_t lon : {found->Corners.LongTL, found->Corners.LongBR})
    EXPECT_NEAR(lon / 180000.0, -122.38, 0.06);
}

}  // namespace
}  // namespace qp
