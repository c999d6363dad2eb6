#include <cairo.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "cli/command.h"
#include "tests/pdf/core/pdf_template_helpers.h"

namespace qp::cli {
namespace {

namespace fs = std::filesystem;

// A 200 x 100 point page (267 x 134 pixels at 96 per inch) with a red lower
// left quarter.
class RenderCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string stem = "qp-render-" + std::to_string(::getpid());
    pdf_ = fs::temp_directory_path() / (stem + ".pdf");
    png_ = fs::temp_directory_path() / (stem + ".png");
    std::ofstream(pdf_, std::ios::binary) << pdf::testing::ExpandPdfTemplate(
        "%PDF-1.4\n{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
        "{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
        "{{object 3 0}} << /Type /Page /MediaBox [0 0 200 100] /Contents 4 0 R >> endobj\n"
        "{{object 4 0}} << {{streamlen}} >>\nstream\n1 0 0 rg 0 0 100 50 re f\nendstream endobj\n"
        "{{xref}}trailer << /Size 5 /Root 1 0 R >>\n{{startxref}}\n%%EOF\n");
  }
  void TearDown() override {
    fs::remove(pdf_);
    fs::remove(png_);
  }
  // The size line and the colour of the PNG's pixel (x, y).
  std::pair<std::string, uint32_t> Run(std::vector<std::string> extra, int x, int y) {
    CommandArgs args = {"render", pdf_.string(), "-o", png_.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    std::ostringstream out, err;
    EXPECT_EQ(RunPlatec(args, out, err), 0) << err.str();
    cairo_surface_t* image = cairo_image_surface_create_from_png(png_.string().c_str());
    uint32_t pixel = 0xDEAD;
    if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS &&
        x < cairo_image_surface_get_width(image) && y < cairo_image_surface_get_height(image)) {
      const uint8_t* data = cairo_image_surface_get_data(image);
      pixel =
          reinterpret_cast<const uint32_t*>(data + y * cairo_image_surface_get_stride(image))[x] &
          0xFFFFFF;
    }
    cairo_surface_destroy(image);
    const std::string text = out.str();
    return {text.substr(0, text.find('\n')), pixel};
  }
  fs::path pdf_, png_;
};

TEST_F(RenderCommand, SizesAndOrientation) {
  const struct {
    std::vector<std::string> args;
    const char* size;
    int x, y;
    uint32_t colour;
  } cases[] = {
      {{}, "Size: 267 x 134", 10, 120, 0xFF0000},
      {{"--width", "400"}, "Size: 400 x 200", 390, 190, 0xFFFFFF},
      // Turned left: the lower left quarter goes to the bottom right.
      {{"--width", "100", "--rotate", "1"}, "Size: 100 x 200", 90, 190, 0xFF0000},
      // Turned right: it goes to the top left.
      {{"--width", "100", "--rotate", "2"}, "Size: 100 x 200", 10, 10, 0xFF0000},
      {{"--width", "400", "--rotate", "3"}, "Size: 400 x 200", 390, 10, 0xFF0000},
  };
  for (const auto& c : cases) {
    const auto [size, pixel] = Run(c.args, c.x, c.y);
    EXPECT_EQ(size, c.size);
    EXPECT_EQ(pixel, c.colour) << c.size;
  }
}

TEST_F(RenderCommand, BadArguments) {
  std::ostringstream out, err;
  EXPECT_EQ(RunPlatec({"render", pdf_.string()}, out, err), 2);
  EXPECT_EQ(RunPlatec({"render", pdf_.string(), "--rotate", "4", "-o", png_.string()}, out, err),
            2);
  EXPECT_NE(RunPlatec({"render", pdf_.string(), "--page", "2", "-o", png_.string()}, out, err), 0);
  EXPECT_NE(err.str().find("Invalid page number (2)"), std::string::npos) << err.str();
  // Out of range: refused, never wrapped or cut to another page.
  const struct {
    const char* option;
    const char* value;
    const char* message;
  } ranges[] = {
      {"--page", "4294967297", "--page takes a whole number from 1 to 2147483647"},
      {"--page", "99999999999999999", "--page takes a whole number from 1 to 2147483647"},
      {"--page", "0", "--page takes a whole number from 1"},
      {"--width", "-5", "--width takes a whole number from 0 to 32767, not \"-5\""},
      {"--rotate", "1.5", "--rotate takes a whole number from 0 to 3"},
  };
  for (const auto& r : ranges) {
    std::ostringstream o, e;
    EXPECT_EQ(RunPlatec({"render", pdf_.string(), r.option, r.value, "-o", png_.string()}, o, e), 2)
        << r.value;
    EXPECT_NE(e.str().find(r.message), std::string::npos) << e.str();
  }
}

}  // namespace
}  // namespace qp::cli
