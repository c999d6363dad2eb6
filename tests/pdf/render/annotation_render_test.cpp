// Annotations drawn by pixels: those without an appearance stream from their
// own keys, and appearance streams chosen by /AS and placed by BBox and
// Matrix onto /Rect.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/pdf/render/render_test_helpers.h"

namespace qp::pdf {
namespace {

using testing::LoadBytes;
using testing::OnePageDocument;
using testing::Rendered;

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0xFF0000, kBlue = 0x0000FF,
                   kYellow = 0xFFFF00;

struct Pixel {
  int x, y;  // from the top left of a 100 x 100 page at 72 dpi
  uint32_t colour;
};

TEST(AnnotationRenderTest, DrawnWherePeersDrawThem) {
  // Appearance streams for the rows that have one: red and blue squares.
  const std::string forms =
      "{{object 30 0}} << /Subtype /Form /BBox [0 0 10 10] {{streamlen}} >>\nstream\n1 0 0 rg 0 "
      "0 10 10 re f\nendstream endobj\n"
      "{{object 31 0}} << /Subtype /Form /BBox [0 0 10 10] {{streamlen}} >>\nstream\n0 0 1 rg 0 "
      "0 10 10 re f\nendstream endobj\n"
      // A box of 10 x 20 turned a quarter: its lower half lands on the right.
      "{{object 32 0}} << /Subtype /Form /BBox [0 0 10 20] /Matrix [0 1 -1 0 0 0] {{streamlen}} "
      ">>\nstream\n1 0 0 rg 0 0 10 10 re f\nendstream endobj\n"
      "{{object 33 0}} << {{streamlen}} >>\nstream\n1 0 0 rg 0 0 1 1 re f\nendstream endobj\n"
      "{{object 34 0}} << /Subtype /Form /BBox [0 0 20 20] {{streamlen}} >>\nstream\n1 0 0 rg 0 "
      "0 10 10 re f\nendstream endobj\n";
  const struct {
    const char* name;
    std::string annot;  // the annotation dictionary's entries
    std::string content;
    std::vector<Pixel> expected;
    const char* pageExtra = "";
  } cases[] = {
      {"ink",
       "/Subtype /Ink /InkList [[10 50 90 50]] /C [1 0 0] /BS << /W 4 >>",
       "",
       {{50, 50, kRed}, {50, 45, kWhite}, {5, 50, kWhite}}},
      {"ink, hidden",
       "/Subtype /Ink /F 2 /InkList [[10 50 90 50]] /C [1 0 0] /BS << /W 4 >>",
       "",
       {{50, 50, kWhite}}},
      {"ink, no colour",
       "/Subtype /Ink /InkList [[10 50 90 50]] /C [] /BS << /W 4 >>",
       "",
       {{50, 50, kWhite}}},
      {"line",
       "/Subtype /Line /L [10 20 90 20] /C [0 0 1] /Border [0 0 4]",
       "",
       {{50, 80, kBlue}, {50, 75, kWhite}}},
      {"line with a leader",
       "/Subtype /Line /L [10 20 90 20] /LL 20 /C [0 0 1] /Border [0 0 4]",
       "",
       {{50, 60, kBlue}, {50, 80, kWhite}, {10, 70, kBlue}}},
      {"square, filled and bordered",
       "/Subtype /Square /Rect [10 10 50 50] /IC [1 0 0] /C [0 0 1] /BS << /W 4 >>",
       "",
       {{30, 70, kRed}, {11, 70, kBlue}, {5, 70, kWhite}}},
      {"circle, filled only",
       "/Subtype /Circle /Rect [10 10 90 90] /IC [0 0 1] /C []",
       "",
       {{50, 50, kBlue}, {13, 13, kWhite}}},
      {"polygon",
       "/Subtype /Polygon /Vertices [10 10 90 10 50 90] /IC [1 0 0] /C []",
       "",
       {{50, 80, kRed}, {15, 15, kWhite}}},
      {"polyline",
       "/Subtype /PolyLine /Vertices [10 50 90 50] /C [0 0 1] /BS << /W 4 >>",
       "",
       {{50, 50, kBlue}, {50, 45, kWhite}}},
      // A highlight multiplies: black over blue, yellow over white.
      {"highlight",
       "/Subtype /Highlight /QuadPoints [20 60 80 60 20 40 80 40] /C [1 1 0]",
       "0 0 1 rg 0 0 50 100 re f",
       {{30, 50, kBlack}, {60, 50, kYellow}, {60, 30, kWhite}}},
      {"underline",
       "/Subtype /Underline /QuadPoints [10 80 90 80 10 10 90 10] /C [0 0 0]",
       "",
       {{50, 80, kBlack}, {50, 60, kWhite}}},
      {"strike-out",
       "/Subtype /StrikeOut /QuadPoints [10 80 90 80 10 10 90 10] /C [0 0 0]",
       "",
       {{50, 60, kBlack}, {50, 80, kWhite}}},
      {"squiggly of absurd length: skipped, the page completes",
       "/Subtype /Squiggly /QuadPoints [0 10 100000000000000000000 10 0 0 100000000000000000000 "
       "0] /C [0 0 0]",
       "",
       {{50, 95, kWhite}}},
      {"appearance state chooses",
       "/Subtype /Widget /Rect [0 0 100 100] /AS /Off /AP << /N << /On 30 0 R /Off 31 0 R >> >>",
       "",
       {{50, 50, kBlue}}},
      {"appearance state without its stream",
       "/Subtype /Widget /Rect [0 0 100 100] /AS /Maybe /AP << /N << /On 30 0 R >> >>",
       "",
       {{50, 50, kWhite}}},
      {"not for viewing",
       "/Subtype /Square /F 32 /Rect [0 0 100 100] /AP << /N 30 0 R >>",
       "",
       {{50, 50, kWhite}}},
      {"an appearance without a box is not drawn",
       "/Subtype /Widget /Rect [0 0 100 100] /AP << /N 33 0 R >>",
       "",
       {{50, 50, kWhite}}},
      // On a page turned a quarter, the icon stays upright about its upper
      // left corner: its red lower-left quarter shows at the lower left.
      {"kept upright on a turned page",
       "/Subtype /Text /F 16 /Rect [40 40 60 60] /AP << /N 34 0 R >>",
       "",
       {{65, 55, kRed}, {45, 45, kWhite}},
       "/Rotate 90"},
      {"turned with the page",
       "/Subtype /Text /Rect [40 40 60 60] /AP << /N 34 0 R >>",
       "",
       {{45, 45, kRed}, {65, 55, kWhite}},
       "/Rotate 90"},
      {"box and matrix onto the rectangle",
       "/Subtype /Stamp /Rect [0 0 40 20] /AP << /N 32 0 R >>",
       "",
       {{30, 90, kRed}, {10, 90, kWhite}, {50, 90, kWhite}}},
  };
  for (const auto& c : cases) {
    const std::string objects =
        "{{object 20 0}} << /Type /Annot " + c.annot + " >> endobj\n" + forms;
    auto doc = LoadBytes(OnePageDocument(
        {c.content}, std::string("/MediaBox [0 0 100 100] /Annots [20 0 R] ") + c.pageExtra,
        objects));
    Rendered out(100, 100);
    out.Render(*doc);
    for (const Pixel& p : c.expected) {
      EXPECT_EQ(out.At(p.x, p.y), p.colour) << c.name << " at " << p.x << "," << p.y;
    }
  }
}

// Free text beyond Latin-1 wraps to its box, and right-to-left lines end at
// its right edge.
TEST(AnnotationRenderTest, FreeTextRightToLeftWrapsAndEndsAtTheRight) {
  // Arabic "peace from the sun" four times: wider than the box.
  std::string arabic = "FEFF";
  for (int i = 0; i < 4; ++i)
    arabic += "06270644063306440627064500200645064600200627064406340645063300200020";
  const std::string objects =
      "{{object 20 0}} << /Type /Annot /Subtype /FreeText /Rect [10 10 90 90] "
      "/Border [0 0 0] /DA (/Helv 10 Tf 0 g) /Contents <" +
      arabic + "> >> endobj\n";
  auto doc = LoadBytes(OnePageDocument({""}, "/MediaBox [0 0 100 100] /Annots [20 0 R]", objects));
  Rendered out(100, 100);
  out.Render(*doc);
  int inkRows = 0, rightmost = 0;
  for (int y = 0; y < 100; ++y) {
    bool ink = false;
    for (int x = 0; x < 100; ++x) {
      if ((out.At(x, y) & 0xFF) > 128) continue;
      ink = true;
      rightmost = std::max(rightmost, x);
    }
    inkRows += ink;
  }
  EXPECT_GT(inkRows, 20) << "one line of 10 points is about 10 rows";
  EXPECT_GE(rightmost, 85);
  EXPECT_LT(rightmost, 90);
}

// Text fields without an appearance show their value (inherited from the
// parent field too) inside their rectangle; password fields show nothing.
TEST(AnnotationRenderTest, TextFieldsWithoutAppearanceShowTheirValue) {
  const struct {
    const char* name;
    std::string annot;
    bool ink;
  } cases[] = {
      {"own value", "/FT /Tx /V (Hello) /DA (/Helv 12 Tf 0 g)", true},
      {"value and type from the parent", "/Parent 21 0 R", true},
      {"size 0 fits the box", "/FT /Tx /V (Hello) /DA (/Helv 0 Tf 0 g)", true},
      {"password", "/FT /Tx /Ff 8192 /V (secret)", false},
      {"not a text field", "/FT /Btn /V (Hello)", false},
      {"Polish in UTF-16: glyphs named uniXXXX found by their Unicode value",
       "/FT /Tx /V <FEFF005A0061014201050063007A006E0069006B> /DA (/Helv 12 Tf 0 g)", true},
      {"Arabic in UTF-16, with an installed font that has it",
       "/FT /Tx /V <FEFF0627064406330644062706450020064506460020> /DA (/Helv 12 Tf 0 g)", true},
  };
  for (const auto& c : cases) {
    const std::string objects =
        "{{object 20 0}} << /Type /Annot /Subtype /Widget /Rect [10 40 90 60] " + c.annot +
        " >> endobj\n{{object 21 0}} << /FT /Tx /V (Hello) >> endobj\n";
    auto doc =
        LoadBytes(OnePageDocument({""}, "/MediaBox [0 0 100 100] /Annots [20 0 R]", objects));
    Rendered out(100, 100);
    out.Render(*doc);
    int inside = 0, outside = 0;
    for (int y = 0; y < 100; ++y) {
      for (int x = 0; x < 100; ++x) {
        if ((out.At(x, y) & 0xFF) > 128) continue;
        (x >= 10 && x < 90 && y >= 40 && y < 60 ? inside : outside) += 1;
      }
    }
    EXPECT_EQ(inside > 20, c.ink) << c.name << ": " << inside;
    EXPECT_EQ(outside, 0) << c.name;
  }
}

}  // namespace
}  // namespace qp::pdf
