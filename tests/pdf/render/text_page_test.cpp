#include "pdf/render/pdf_text_page.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/pdf/render/render_test_helpers.h"

namespace qp::pdf {
namespace {

using testing::LoadBytes;
using testing::OnePageDocument;

// A turned page with text under a scaled CTM, in a form, with ToUnicode;
// a path of a line, a curve and a closed corner; a thin filled rule.
TEST(TextPage, GlyphsAndSegmentsInPageSpace) {
  const std::string toUnicode =
      "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
      "1 begincodespacerange <00> <FF> endcodespacerange\n"
      "2 beginbfchar <41> <00B0> <42> <2019> endbfchar\n"
      "endcmap CMapName currentdict /CMap defineresource pop end end";
  const auto document = LoadBytes(OnePageDocument(
      {"2 0 0 2 0 0 cm BT /F1 5 Tf 10 20 Td (AB) Tj ET /X Do "
       "1 1 m 1 9 l 5 9 5 9 6 9 c 6 1 l h S 50 50 0.5 20 re f"},
      "/MediaBox [0 0 200 100] /Rotate 90 /Resources << /Font << /F1 20 0 R >> "
      "/XObject << /X 21 0 R >> >>",
      "{{object 20 0}} << /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
      "/ToUnicode 22 0 R >> endobj\n"
      "{{object 21 0}} << /Type /XObject /Subtype /Form /BBox [0 0 100 100] "
      "/Matrix [1 0 0 1 30 0] /Resources << /Font << /F1 20 0 R >> >> {{streamlen}} >>\n"
      "stream\nBT /F1 5 Tf 0 0 Td (x) Tj ET\nendstream endobj\n"
      "{{object 22 0}} << {{streamlen}} >>\nstream\n" +
          toUnicode + "\nendstream endobj\n"));
  const PageText text = ExtractPageText(*document, 1);
  ASSERT_EQ(text.Glyphs.size(), 3u);
  EXPECT_EQ(text.Glyphs[0].Unicode, U'\u00B0');
  EXPECT_EQ(text.Glyphs[1].Unicode, U'\u2019');
  EXPECT_EQ(text.Glyphs[2].Unicode, U'x');
  EXPECT_DOUBLE_EQ(text.Glyphs[0].X, 20);
  EXPECT_DOUBLE_EQ(text.Glyphs[0].Y, 40);
  EXPECT_DOUBLE_EQ(text.Glyphs[0].Size, 10);
  EXPECT_DOUBLE_EQ(text.Glyphs[2].X, 60);
  // Lines: the straight pieces only (not the curve's control points), the
  // closing line, and the rule's centre line.
  ASSERT_EQ(text.Segments.size(), 4u);
  const LineSegment& first = text.Segments[0];
  EXPECT_EQ(first.X0, 2);
  EXPECT_EQ(first.Y0, 2);
  EXPECT_EQ(first.X1, 2);
  EXPECT_EQ(first.Y1, 18);
  EXPECT_EQ(text.Segments[1].X0, 12);  // 6 9 -> 6 1
  EXPECT_EQ(text.Segments[2].Y1, 2);   // closing 6 1 -> 1 1
  EXPECT_EQ(text.Segments[3].X0, 100.5);
  EXPECT_EQ(text.Segments[3].Y1, 140);
  // Turned a quarter clockwise, page x runs down the display: the text at
  // page x = 20 lies above the form's at x = 60.
  ASSERT_EQ(text.Lines.size(), 2u);
  EXPECT_EQ(ToUtf8(text.Lines[0].Text), "\u00B0\u2019");
  EXPECT_EQ(ToUtf8(text.Lines[1].Text), "x");
}

// Type 3 glyphs reach the text by their names, numbered ones by their code.
TEST(TextPage, Type3GlyphsByName) {
  const auto document = LoadBytes(OnePageDocument(
      {"BT /T3 10 Tf 10 10 Td (ABC) Tj ET"},
      "/MediaBox [0 0 100 100] /Resources << /Font << /T3 20 0 R >> >>",
      "{{object 20 0}} << /Type /Font /Subtype /Type3 /FontBBox [0 0 1 1] "
      "/FontMatrix [0.001 0 0 0.001 0 0] /FirstChar 65 /LastChar 67 /Widths [500 500 500] "
      "/Encoding << /Differences [65 /a66 /eacute /g7] >> /CharProcs << /a66 21 0 R "
      "/eacute 21 0 R /g7 21 0 R >> >> endobj\n"
      "{{object 21 0}} << {{streamlen}} >>\nstream\n500 0 d0 0 0 100 100 re f\nendstream "
      "endobj\n"));
  const PageText text = ExtractPageText(*document, 1);
  ASSERT_EQ(text.Lines.size(), 1u);
  EXPECT_EQ(ToUtf8(text.Lines[0].Text), "B\u00E9\uFFFD");
  EXPECT_DOUBLE_EQ(text.Glyphs[1].X, 15);
}

TEST(TextPage, LinesJoinWordsAndSplitAtJumps) {
  auto glyph = [](char32_t c, double x, double y) {
    TextGlyph g;
    g.Unicode = c, g.X = x, g.Y = y, g.Size = 10, g.Advance = 5;
    g.X0 = x, g.Y0 = y - 2, g.X1 = x + 5, g.Y1 = y + 8;
    return g;
  };
  // "ab cd" on one baseline (a space glyph, then a gap), "e" far right,
  // "f" on the line above, drawn last; the display flips y.
  const std::vector<TextGlyph> glyphs = {glyph('a', 0, 0),  glyph('b', 5, 0),  glyph(' ', 10, 0),
                                         glyph('c', 13, 0), glyph('d', 25, 0), glyph('e', 200, 0),
                                         glyph('f', 0, 20)};
  const auto lines = GroupTextLines(glyphs, TPDMatrix(1, 0, 0, -1, 0, 100));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(ToUtf8(lines[0].Text), "f");
  EXPECT_EQ(ToUtf8(lines[1].Text), "ab c d");
  EXPECT_EQ(ToUtf8(lines[2].Text), "e");
  EXPECT_EQ(lines[1].Glyphs[2], TextLine::kNoGlyph);
}

}  // namespace
}  // namespace qp::pdf
