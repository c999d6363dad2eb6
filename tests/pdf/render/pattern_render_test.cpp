#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/pdf/render/render_test_helpers.h"

namespace qp::pdf {
namespace {

using testing::LoadBytes;
using testing::OnePageDocument;
using testing::Rendered;

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF;

struct Probe {
  int x, y;
  uint32_t colour;
};

struct PatternCase {
  const char* name;
  std::string content;
  std::string pattern;  // object 20: a tiling pattern's dictionary entries
  std::string cell;     // its content
  std::vector<Probe> probes;
};

bool Near(uint32_t a, uint32_t b) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 8) return false;
  }
  return true;
}

// A cell 10 units square whose left half is red: vertical stripes.
const std::string kStripes = "/BBox [0 0 10 10] /XStep 10 /YStep 10";
const std::string kRedLeft = "1 0 0 rg 0 0 5 10 re f";

TEST(PatternRenderTest, TilingCells) {
  const PatternCase cases[] = {
      {"coloured cells repeat across the page",
       "/Pattern cs /P scn 0 0 100 100 re f",
       kStripes,
       kRedLeft,
       {{2, 50, kRed}, {7, 50, kWhite}, {52, 10, kRed}, {57, 90, kWhite}, {92, 50, kRed}}},
      {"a few cells are drawn one by one",
       "/Pattern cs /P scn 0 0 20 100 re f",
       kStripes,
       kRedLeft,
       {{2, 50, kRed}, {7, 50, kWhite}, {12, 50, kRed}, {22, 50, kWhite}}},
      {"the pattern matrix moves the cells",
       "/Pattern cs /P scn 0 0 100 100 re f",
       kStripes + " /Matrix [1 0 0 1 5 0]",
       kRedLeft,
       {{2, 50, kWhite}, {7, 50, kRed}, {52, 50, kWhite}, {57, 50, kRed}}},
      {"uncoloured: the colour given with the pattern, not the cell's",
       "/CS0 cs 0 0 1 /P scn 0 0 100 100 re f",
       kStripes + " /PaintType 2",
       kRedLeft,
       {{2, 50, kBlue}, {7, 50, kWhite}, {72, 50, kBlue}}},
      {"a stroke paints the cells under the pen only",
       "20 w /Pattern CS /P SCN 0 50 m 100 50 l S",
       kStripes,
       kRedLeft,
       {{2, 50, kRed}, {7, 50, kWhite}, {2, 20, kWhite}, {82, 55, kRed}}},
      {"a box wider than the step overlaps the next cell",
       "/Pattern cs /P scn 0 0 100 100 re f",
       "/BBox [0 0 20 10] /XStep 10 /YStep 10",
       "1 0 0 rg 12 0 2 10 re f",
       {{3, 50, kRed}, {7, 50, kWhite}, {43, 50, kRed}}},
      {"a step of 1e30 draws one cell",
       "/Pattern cs /P scn 0 0 100 100 re f",
       "/BBox [0 0 10 10] "
       "/XStep 1000000000000000000000000000000.0 /YStep 1000000000000000000000000000000.0",
       kRedLeft,
       {{2, 95, kRed}, {12, 95, kWhite}, {2, 50, kWhite}}},
      {"a step of 0 repeats at the box's size",
       "/Pattern cs /P scn 0 0 100 100 re f",
       "/BBox [0 0 10 10] /XStep 0 /YStep 0",
       kRedLeft,
       {{2, 50, kRed}, {7, 50, kWhite}, {62, 50, kRed}}},
      {"text filled with a pattern: red inside the glyph only",
       "BT /F1 200 Tf /Pattern cs /P scn 0 0 Td (I) Tj ET",
       kStripes,
       "1 0 0 rg 0 0 10 10 re f",
       {{28, 50, kRed}, {70, 50, kWhite}, {5, 50, kWhite}}},
      {"an image mask filled with a pattern: cells where the mask paints",
       "/Pattern cs /P scn q 100 0 0 100 0 0 cm BI /W 2 /H 1 /IM true /BPC 1 ID \x7f EI Q",
       kStripes,
       kRedLeft,
       {{2, 50, kRed}, {7, 50, kWhite}, {42, 50, kRed}, {52, 50, kWhite}, {92, 50, kWhite}}},
      {"a pattern that fills with itself: the page completes",
       "/Pattern cs /P scn 0 0 100 100 re f 1 0 0 rg 90 0 10 10 re f",
       kStripes + " /Resources << /Pattern << /P 20 0 R >> >>",
       "/Pattern cs /P scn 0 0 10 10 re f",
       {{95, 95, kRed}, {50, 50, kWhite}}},
  };
  for (const PatternCase& c : cases) {
    const std::string paintType =
        c.pattern.find("/PaintType") == std::string::npos ? " /PaintType 1" : "";
    const std::string objects = "{{object 20 0}} << /PatternType 1 /TilingType 1 " + c.pattern +
                                paintType + " {{streamlen}} >>\nstream\n" + c.cell +
                                "\nendstream endobj\n{{object 21 0}} << /Type /Font /Subtype "
                                "/Type1 /BaseFont /Helvetica >> endobj\n";
    auto doc = LoadBytes(OnePageDocument(
        {c.content},
        "/MediaBox [0 0 100 100] /Resources << /Pattern << /P "
        "20 0 R >> /ColorSpace << /CS0 [/Pattern /DeviceRGB] >> /Font << /F1 21 0 R >> >>",
        objects));
    Rendered out(100, 100);
    out.Render(*doc);
    for (const Probe& p : c.probes) {
      EXPECT_TRUE(Near(out.At(p.x, p.y), p.colour))
          << c.name << " at " << p.x << "," << p.y << ": " << std::hex << out.At(p.x, p.y);
    }
  }
}

}  // namespace
}  // namespace qp::pdf
