#include <cairo.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/command.h"
#include "tests/compiler/build_project_helpers.h"
#include "tests/compiler/pdf_source_helpers.h"

namespace qp::cli {
namespace {

using qp::testing::AddGroupWithPlates;
using qp::testing::BuildFixtureFolder;
using qp::testing::Page;
using qp::testing::PatternBmp;
using qp::testing::PlateFrom;

class PreviewCommandTest : public ::testing::Test {
 protected:
  PreviewCommandTest() {
    const std::string text = qp::testing::TestPdf({Page(), Page(459, 594, 90)});
    const std::string pdf = folder.Source("chart.pdf", {text.begin(), text.end()});
    PlateRecord turned = PlateFrom("turned", pdf);
    turned.FirstPage = 2, turned.Scaling = sc320, turned.Rotate = 2;
    PlateRecord clipped = PlateFrom("clipped", pdf);
    clipped.Scaling = sc640, clipped.Clip = true;
    clipped.ClipX1 = 100, clipped.ClipY1 = 50, clipped.ClipX2 = 300, clipped.ClipY2 = 400;
    PlateRecord bmp = PlateFrom("bmp", folder.Source("p.bmp", PatternBmp(30, 20)));
    bmp.Scaling = sc320, bmp.Rotate = 1, bmp.Clip = true;
    bmp.ClipX1 = 2, bmp.ClipY1 = 3, bmp.ClipX2 = 10, bmp.ClipY2 = 12;
    Project project;
    project.NewProject(folder.ProjectPath());
    AddGroupWithPlates(project, "Airport", "ABCD",
                       {turned, clipped, bmp, PlateFrom("txt", folder.Source("n.txt", {1}))});
    project.FlushPending();
  }
  std::string OutPath() const { return (folder.Home() / "out.png").string(); }
  BuildFixtureFolder folder;
};

// Pixel colours of a PNG as 0x00RRGGBB, or an empty list when unreadable.
struct PngImage {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels.at(size_t(y) * width + x); }
};

PngImage ReadPng(const std::string& path) {
  PngImage png;
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
    png.width = cairo_image_surface_get_width(s);
    png.height = cairo_image_surface_get_height(s);
    for (int y = 0; y < png.height; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s) +
                                                          y * cairo_image_surface_get_stride(s));
      for (int x = 0; x < png.width; ++x) png.pixels.push_back(row[x] & 0xFFFFFF);
    }
  }
  cairo_surface_destroy(s);
  return png;
}

TEST_F(PreviewCommandTest, DrawsThePlateAsTheEditorDoes) {
  const struct {
    const char* plate;
    std::string out;
    int width, height;
    int redX, redY;      // a pixel on the clip outline, or -1
    int blackX, blackY;  // a pixel of the page's corner square
  } cases[] = {
      {"1", "Size: 320 x 414\nPages: 2\n", 320, 414, -1, -1, 5, 5},
      {"2", "Size: 640 x 828\nPages: 2\n", 640, 828, 299, 399, 5, 5},
      {"3", "Size: 30 x 20\nPages: 1\n", 30, 20, 9, 11, -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.plate);
    std::ostringstream out, err;
    ASSERT_EQ(RunPlatec({"preview", folder.ProjectPath(), "--group", "1", "--plate", c.plate, "-o",
                         OutPath()},
                        out, err),
              0)
        << err.str();
    EXPECT_EQ(out.str(), c.out);
    const PngImage png = ReadPng(OutPath());
    ASSERT_EQ(png.width, c.width);
    ASSERT_EQ(png.height, c.height);
    if (c.redX >= 0) {
      EXPECT_EQ(png.At(c.redX, c.redY), 0xFF0000u);
      EXPECT_NE(png.At(c.redX + 1, c.redY + 1), 0xFF0000u);  // one pixel inside
    }
    if (c.blackX >= 0) {
      EXPECT_EQ(png.At(c.blackX, c.blackY), 0u);
    }
  }
}

TEST_F(PreviewCommandTest, Failures) {
  const std::string zpl = folder.ProjectPath();
  const struct {
    CommandArgs args;
    int status;
    std::string message;
  } cases[] = {
      {{"preview", zpl, "--group", "1", "--plate", "4", "-o", OutPath()}, 1, "Unsupported image"},
      {{"preview", zpl, "--group", "1", "--plate", "5", "-o", OutPath()},
       1,
       "no plate 5 in group 1"},
      {{"preview", zpl, "--group", "2", "--plate", "1", "-o", OutPath()}, 1, "no group 2 in"},
      {{"preview", zpl, "--group", "0", "--plate", "1", "-o", OutPath()},
       2,
       "Usage: platec preview"},
      {{"preview", zpl, "--group", "1", "--plate", "1"}, 2, "Usage: platec preview"},
  };
  for (const auto& c : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(RunPlatec(c.args, out, err), c.status) << c.message;
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
  }
}

}  // namespace
}  // namespace qp::cli
