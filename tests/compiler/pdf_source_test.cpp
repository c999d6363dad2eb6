#include "compiler/pdf_source.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "compiler/plate_error.h"
#include "tests/compiler/compiler_test_helpers.h"
#include "tests/compiler/pdf_source_helpers.h"

namespace qp {
namespace {

using testing::Page;
using testing::ScratchDir;
using testing::WriteTestPdf;

// The corner of the raster that holds the page's black square:
// "TL", "TR", "BL", "BR", or "" when none or several do.
std::string DarkCorner(const PlateRaster& r) {
  const int dx = std::max(1, r.Width() / 20), dy = std::max(1, r.Height() / 20);
  const struct {
    const char* name;
    int x, y;
  } corners[] = {{"TL", dx, dy},
                 {"TR", r.Width() - 1 - dx, dy},
                 {"BL", dx, r.Height() - 1 - dy},
                 {"BR", r.Width() - 1 - dx, r.Height() - 1 - dy}};
  std::string found;
  int count = 0;
  for (const auto& c : corners) {
    if (r.Pixel(c.x, c.y) == 0) {
      found = c.name;
      ++count;
    }
  }
  return count == 1 ? found : "";
}

TEST(LayoutPdfPage, SizesAndAngles) {
  const struct {
    double w, h;
    int pageRotation, target, rotate;
    int64_t width, height;
    bool turn;
    pdf::TRotationAngle angle;
  } cases[] = {
      {612, 792, 0, 1024, 0, 1024, 1325, true, pdf::ra0},
      {612, 792, 0, 1024, 1, 1024, 791, true, pdf::raACW90},
      {612, 792, 0, 1024, 2, 1024, 791, true, pdf::raCW90},
      {612, 792, 0, 1024, 3, 1024, 1325, true, pdf::raCW180},
      {612, 792, 180, 1024, 1, 1024, 791, true, pdf::raACW90},
      // A page standing on its side: the size is already exchanged.
      {792, 612, 90, 1024, 0, 1024, 791, true, pdf::raACW90},
      {792, 612, 90, 1024, 1, 1024, 1325, true, pdf::raCW180},
      {792, 612, 90, 1024, 2, 1024, 1325, true, pdf::ra0},
      {792, 612, 90, 1024, 3, 1024, 791, true, pdf::raCW90},
      {792, 612, 270, 1024, 0, 1024, 791, true, pdf::raACW90},
      // -90 and 450 are 270 and 90: without the turn the page would be drawn
      // upright, squeezed into the exchanged size.
      {792, 612, -90, 1024, 0, 1024, 791, true, pdf::raACW90},
      {792, 612, 450, 1024, 2, 1024, 1325, true, pdf::ra0},
      // Scaling 0: the page's own width, rounded halves to even.
      {612, 792, 0, 0, 0, 612, 792, true, pdf::ra0},
      {612.5, 792, 0, 0, 0, 612, 791, true, pdf::ra0},
      {613.5, 100, 0, 0, 1, 614, 3767, true, pdf::raACW90},
      {4, 2, 0, 1029, 0, 1029, 514, true, pdf::ra0},
      {4, 2, 0, 1027, 0, 1027, 514, true, pdf::ra0},
      {612, 792, 0, 320, 2, 320, 247, true, pdf::raCW90},
      // A choice outside 0 to 3 turns nothing.
      {612, 792, 90, 1024, 4, 1024, 1325, false, pdf::ra0},
      {612, 792, 0, 1024, -1, 1024, 1325, false, pdf::ra0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " own " +
                 std::to_string(c.pageRotation) + " T " + std::to_string(c.target) + " R " +
                 std::to_string(c.rotate));
    const PdfPageLayout l =
        LayoutPdfPage({c.w, c.h}, c.pageRotation, c.target, c.rotate, "a.pdf", 1);
    EXPECT_EQ(l.Width, c.width);
    EXPECT_EQ(l.Height, c.height);
    EXPECT_EQ(l.Turn, c.turn);
    if (c.turn) {
      EXPECT_EQ(l.Angle, c.angle);
    }
  }
}

TEST(LayoutPdfPage, PagesThatCannotBeDrawnNameFileAndPage) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double w, h;
    int target, rotate;
  } cases[] = {{0, 792, 1024, 0},   {612, 0, 1024, 0},   {612, 0, 1024, 1},    {0, 0, 0, 0},
               {nan, 792, 1024, 0}, {612, inf, 1024, 0}, {-612, 792, 1024, 0}, {1e300, 792, 0, 0},
               {612, 1e9, 1024, 0}, {1e-3, 792, 0, 0},   {612, 792, -5, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    try {
      LayoutPdfPage({c.w, c.h}, 0, c.target, c.rotate, "/charts/kxyz.pdf", 7);
      ADD_FAILURE() << "no error";
    } catch (const PlateError& e) {
      EXPECT_NE(std::string(e.what()).find("/charts/kxyz.pdf, page 7"), std::string::npos)
          << e.what();
    }
  }
}

class PdfSourceTest : public ::testing::Test {
 protected:
  ScratchDir dir_;
  pdf::TPDFDocument document_;
  std::filesystem::path Pdf(const std::vector<testing::TestPage>& pages,
                            const std::string& name = "c.pdf") {
    const auto path = dir_ / name;
    WriteTestPdf(path, pages);
    return path;
  }
};

TEST_F(PdfSourceTest, PreviewSizesAndTurnsThePage) {
  const auto path = Pdf({Page(), Page(459, 594, 90)});
  const struct {
    int page, target, rotate;
    int width, height;
    const char* corner;
  } cases[] = {
      {1, 1024, 0, 1024, 1325, "TL"}, {1, 1024, 1, 1024, 791, "BL"}, {1, 1024, 2, 1024, 791, "TR"},
      {1, 1024, 3, 1024, 1325, "BR"}, {1, 0, 0, 612, 792, "TL"},     {2, 1024, 0, 1024, 791, "BL"},
      {2, 1024, 2, 1024, 1325, "TL"}, {2, 320, 1, 320, 414, "BR"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("page " + std::to_string(c.page) + " rotate " + std::to_string(c.rotate));
    int counted = -1;
    const PreviewPdfResult r =
        PreviewPdfPage(document_, path, c.page, c.target, c.rotate, [&](int n) { counted = n; });
    EXPECT_EQ(counted, 2);
    EXPECT_EQ(r.PreviewPageCount, 2);
    EXPECT_EQ(r.PreviewWidth, c.width);
    EXPECT_EQ(r.PreviewHeight, c.height);
    ASSERT_EQ(r.image.Width(), c.width);
    ASSERT_EQ(r.image.Height(), c.height);
    EXPECT_EQ(DarkCorner(r.image), c.corner);
  }
}

TEST_F(PdfSourceTest, RasteriseEnlargesForTheClip) {
  const auto path = Pdf({Page()});
  const struct {
    bool clip;
    ClipRect rect;
    int rasterW, rasterH;
    ClipRect buildClip;
    bool clipped;
    int imageW, imageH;
  } cases[] = {
      {true, {100, 200, 612, 862}, 2048, 2652, {200, 400, 1224, 1725}, true, 1024, 1325},
      {false, {100, 200, 612, 862}, 1024, 1325, {100, 200, 612, 862}, false, 1024, 1325},
      {true, {612, 200, 612, 862}, 1024, 1325, {612, 200, 612, 862}, false, 1024, 1325},
      {true, {700, 200, 612, 862}, 1024, 1325, {700, 200, 612, 862}, false, 1024, 1325},
      {true, {0, 0, 1024, 1325}, 1024, 1325, {0, 0, 1024, 1325}, false, 1024, 1325},
      // The whole raster is no clip: the right column and bottom row lie outside.
      {true, {0, 0, 512, 1325}, 2048, 1325, {0, 0, 1024, 1325}, false, 2048, 1325},
      {true, {0, 0, 512, 662}, 2048, 2652, {0, 0, 1024, 1325}, true, 1024, 1325},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.rect.Left) + "," + std::to_string(c.rect.Right));
    const EncodedImage image =
        RasterisePdfPlate(document_, path, 1, 1024, 0, c.clip, c.rect, TempImagePath(dir_.path()));
    EXPECT_EQ(image.RasterWidth, c.rasterW);
    EXPECT_EQ(image.RasterHeight, c.rasterH);
    EXPECT_EQ(image.Clip, c.buildClip);
    EXPECT_EQ(image.Clipped, c.clipped);
    EXPECT_EQ(image.ImageWidth, c.imageW);
    EXPECT_EQ(image.ImageHeight, c.imageH);
    const auto block = testing::ReadBytes(TempImagePath(dir_.path()));
    EXPECT_EQ(testing::U16At(block, 0), c.imageW);
    EXPECT_EQ(testing::U16At(block, 2), c.imageH);
  }
}

TEST_F(PdfSourceTest, EveryCallLoadsTheFileAfresh) {
  const auto path = Pdf({Page()});
  EXPECT_EQ(DarkCorner(PreviewPdfPage(document_, path, 1, 320, 3).image), "BR");
  // The turn above changed only the loaded copy.
  EXPECT_EQ(DarkCorner(PreviewPdfPage(document_, path, 1, 320, 0).image), "TL");
}

TEST_F(PdfSourceTest, FailuresNameTheFile) {
  const auto good = Pdf({Page(), Page()});
  const auto flat = Pdf({Page(459, 0)}, "flat.pdf");
  const auto broken = dir_ / "broken.pdf";
  testing::WriteBytes(broken, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'd', 'f'});
  const struct {
    std::filesystem::path path;
    int page;
    const char* text;
    int pageCount;  // what the editor hears before the failure; -1 nothing
  } cases[] = {
      {good, 3, "Invalid page number (3)", 2},
      {good, 0, "Invalid page number (0)", 2},
      {flat, 1, "page 1: the page has a width or height of 0", 1},
      {dir_ / "missing.pdf", 1, "File Not Found", -1},
      {broken, 1, "", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.string() + " page " + std::to_string(c.page));
    for (bool preview : {true, false}) {
      int counted = -1;
      try {
        if (preview) {
          PreviewPdfPage(document_, c.path, c.page, 1024, 0, [&](int n) { counted = n; });
        } else {
          RasterisePdfPlate(document_, c.path, c.page, 1024, 0, false, {},
                            TempImagePath(dir_.path()));
        }
        ADD_FAILURE() << "no error";
      } catch (const PlateError& e) {
        const std::string message = e.what();
        EXPECT_EQ(message.rfind(c.path.string(), 0), 0u) << message;
        EXPECT_NE(message.find(c.text), std::string::npos) << message;
      }
      if (preview) {
        EXPECT_EQ(counted, c.pageCount);
      }
    }
  }
}

}  // namespace
}  // namespace qp
