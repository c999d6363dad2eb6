#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/core/cmap_resources.h"
#include "pdf/core/pdf_font.h"
#include "pdf/render/pdf_render.h"
#include "pdf/render/system_font_list.h"
#include "pdf/render/text_font_select.h"
#include "tests/pdf/core/font_test_helpers.h"
#include "tests/pdf/core/sfnt_builder.h"
#include "tests/pdf/render/render_test_helpers.h"

namespace qp::pdf {
namespace {

using testing::LoadBytes;
using testing::OnePageDocument;
using testing::Rendered;

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0xFF0000;

// Helvetica without a program (built-in widths, an installed face), a
// composite font with two-byte codes, and a Type 3 font whose glyph "a" is a
// square filling its 100-unit box.
const char* const kFonts =
    "{{object 20 0}} << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> endobj\n"
    "{{object 21 0}} << /Type /Font /Subtype /Type0 /BaseFont /Wide /Encoding /Identity-H "
    "/DescendantFonts [<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Wide "
    "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /DW 500 >>] >> "
    "endobj\n"
    "{{object 22 0}} << /Type /Font /Subtype /Type3 /FontMatrix [0.01 0 0 0.01 0 0] "
    "/FontBBox [0 0 100 100] /CharProcs << /a 23 0 R /b 24 0 R /c 26 0 R /d 27 0 R >> "
    "/Encoding << /Differences [97 /a /b /c /d] >> /FirstChar 97 /LastChar 100 "
    "/Widths [100 100 100 100] "
    "/Resources << /Font << /T3 22 0 R >> >> >> endobj\n"
    "{{object 23 0}} << {{streamlen}} >>\nstream\n100 0 0 0 100 100 d1 0 1 0 rg 0 0 100 100 re f"
    "\nendstream endobj\n"
    // A glyph that shows itself: the nesting limit ends it.
    "{{object 24 0}} << {{streamlen}} >>\nstream\n100 0 d0 /T3 1 Tf (b) Tj 0 0 50 50 re f"
    "\nendstream endobj\n"
    "{{object 25 0}} << /Type /Font /Subtype /Type1 /BaseFont /Symbol >> endobj\n"
    // A coloured glyph: d0 keeps the colours it sets.
    "{{object 26 0}} << {{streamlen}} >>\nstream\n100 0 d0 0 1 0 rg 0 0 100 100 re f"
    "\nendstream endobj\n"
    // A shape glyph that strokes its box: the stroke takes the text's colour.
    "{{object 27 0}} << {{streamlen}} >>\nstream\n100 0 0 0 100 100 d1 20 w 0 1 0 RG "
    "10 10 80 80 re S\nendstream endobj\n";

const std::string kResources =
    "/MediaBox [0 0 100 100] /Resources << /Font << /F1 20 0 R /W 21 0 R /T3 22 0 R /S 25 0 R >> "
    "/ExtGState << /GF << /Font [20 0 R 10] >> >> >>";

// Records each glyph as "code@x,y" with the origin in user space (the text
// matrix applied), and TJ shifts as "shift n".
class TextRecorder : public TPDExportDevice {
 public:
  std::vector<std::string> calls;

  void DrawChar(const TPDState& s, double x, double y, double, double, uint16_t code,
                std::string_view, uint32_t) override {
    const TPDMatrix& m = s.TextMatrix;
    const double ux = m.M11 * x + m.M21 * y + m.Dx, uy = m.M12 * x + m.M22 * y + m.Dy;
    char text[96];
    std::snprintf(text, sizeof text, "%X@%g,%g", code, Round(ux), Round(uy));
    calls.push_back(text);
  }
  void UpdateTextShift(const TPDState&, double n) override {
    calls.push_back("shift " + std::to_string(static_cast<int>(n)));
  }
  void UpdateFont(const TPDState& s) override {
    calls.push_back("font " + (s.Font ? s.Font->Tag() : std::string("-")));
  }
  void Fill(const TPDState&) override { calls.push_back("fill"); }

  std::string Joined() const {
    std::string all;
    for (const std::string& c : calls) all += (all.empty() ? "" : "; ") + c;
    return all;
  }

 private:
  static double Round(double v) { return std::round(v * 1000) / 1000; }
};

std::string Record(const std::string& content) {
  auto doc = LoadBytes(OnePageDocument({content}, kResources, kFonts));
  TextRecorder device;
  DisplayPage(*doc, device, 1, 72, 72, 0);
  return device.Joined();
}

TEST(TextRenderTest, GlyphPositionsThroughTheInterpreter) {
  struct Case {
    const char* name;
    const char* content;
    const char* expected;
  };
  const Case cases[] = {
      {"A is 0.667 wide at 12 points", "BT /F1 12 Tf 100 700 Td (AB) Tj ET",
       "font F1; 41@100,700; 42@108.004,700"},
      {"200 Tz doubles the advance", "BT /F1 10 Tf 200 Tz (AB) Tj ET",
       "font F1; 41@0,0; 42@13.34,0"},
      {"TJ -500 at size 10 and 200 % moves by 10", "BT /F1 10 Tf 200 Tz [(A) -500 (B)] TJ ET",
       "font F1; 41@0,0; shift -500; 42@23.34,0"},
      {"word spacing after code 32 only", "BT /F1 10 Tf 5 Tw (A B) Tj ET",
       "font F1; 41@0,0; 20@6.67,0; 42@14.45,0"},
      {"character spacing after every glyph", "BT /F1 10 Tf 1 Tc (AB) Tj ET",
       "font F1; 41@0,0; 42@7.67,0"},
      {"two-byte code 0x0020 takes no word spacing", "BT /W 10 Tf 5 Tw <00200041> Tj ET",
       "font W; 20@0,0; 41@5,0"},
      {"invisible text still advances", "BT /F1 10 Tf 3 Tr (A) Tj (B) Tj ET",
       "font F1; 41@0,0; 42@6.67,0"},
      {"odd hexadecimal digits end in 0", "BT /F1 10 Tf <41424> Tj ET",
       "font F1; 41@0,0; 42@6.67,0; 40@13.34,0"},
      {"' moves to the next line", "BT /F1 10 Tf 14 TL 5 50 Td (A) Tj (B) ' ET",
       "font F1; 41@5,50; 42@5,36"},
      {"\" sets word and character spacing", "BT /F1 10 Tf 14 TL 5 50 Td 4 1 (A B) \" ET",
       "font F1; 41@5,36; 20@12.67,36; 42@20.45,36"},
      {"a graphics state's Font entry selects font and size", "BT /GF gs (AB) Tj ET",
       "font GF; 41@0,0; 42@6.67,0"},
      {"an unknown font keeps the current one", "BT /F1 10 Tf /Nope 20 Tf (A) Tj ET",
       "font F1; 41@0,0"},
      {"no font: nothing is shown", "BT (A) Tj [(B)] TJ ET", ""},
      {"Td after glyphs starts from the line, not the glyph",
       "BT /F1 10 Tf 10 10 Td (AB) Tj 0 20 Td (A) Tj ET",
       "font F1; 41@10,10; 42@16.67,10; 41@10,30"},
      {"q and Q keep the text position", "BT /F1 10 Tf 5 5 Td q (A) Tj Q (B) Tj ET",
       "font F1; 41@5,5; 42@11.67,5"},
      {"rise leaves the origin alone", "BT /F1 10 Tf 5 Ts (A) Tj ET", "font F1; 41@0,0"},
      {"Type 3 glyphs run their procedures and advance by the font matrix",
       "BT /T3 20 Tf (aa) Tj ET", "font T3; fill; fill"},
  };
  for (const Case& c : cases) EXPECT_EQ(Record(c.content), c.expected) << c.name;
}

TEST(TextRenderTest, BadSizesAndSelfDrawingGlyphsComplete) {
  // Each page ends with a red square; the page must get that far.
  const char* const contents[] = {
      "BT /F1 0 Tf (AB) Tj ET", "BT /F1 -12 Tf 50 50 Td (AB) Tj ET", "BT /F1 1e9 Tf (AB) Tj ET",
      "BT /T3 20 Tf (b) Tj ET", "BT /T3 1e9 Tf (ab) Tj ET",          "BT /W 10 Tf (\xff) Tj ET",
  };
  for (const char* content : contents) {
    auto doc = LoadBytes(
        OnePageDocument({std::string(content) + " 1 0 0 rg 80 80 20 20 re f"}, kResources, kFonts));
    Rendered out(100, 100);
    out.Render(*doc);
    EXPECT_EQ(out.At(90, 10), kRed) << content;
  }
}

// The left stem of an H at 60 points drawn from (10, 10) covers (15, 60) in
// target pixels (y down); the gap between its stems at that height does not.
struct ModeCase {
  const char* name;
  const char* content;
  uint32_t stem, gap, corner;
};

TEST(TextRenderTest, RenderingModesByPixels) {
  const std::string show = "BT /F1 60 Tf 10 10 Td (H) Tj ET ";
  const std::string redPage = "1 0 0 rg 0 0 100 100 re f";
  const ModeCase cases[] = {
      {"0 fills", "0 Tr", kBlack, kWhite, kWhite},
      {"3 draws nothing", "3 Tr", kWhite, kWhite, kWhite},
      {"7 draws nothing and clips the red page to the glyph", "7 Tr", kRed, kWhite, kWhite},
      {"4 fills, then clips", "4 Tr", kRed, kWhite, kWhite},
      {"modes 0 to 3 leave no clip", "2 Tr", kRed, kRed, kRed},
  };
  for (const ModeCase& c : cases) {
    const bool paintsAfter = std::string(c.content) != "0 Tr" && std::string(c.content) != "3 Tr";
    const std::string content =
        std::string("q ") + c.content + " " + show + (paintsAfter ? redPage : "") + " Q";
    auto doc = LoadBytes(OnePageDocument({content}, kResources, kFonts));
    Rendered out(100, 100);
    out.Render(*doc);
    EXPECT_EQ(out.At(15, 60), c.stem) << c.name;
    EXPECT_EQ(out.At(30, 60), c.gap) << c.name;
    EXPECT_EQ(out.At(95, 5), c.corner) << c.name;
  }
}

TEST(TextRenderTest, RiseScalingAndType3ByPixels) {
  struct Probe {
    int x, y;
    uint32_t colour;
  };
  struct Case {
    const char* name;
    const char* content;
    std::vector<Probe> probes;
  };
  const Case cases[] = {
      {"an H at 60 points: both stems",
       "BT /F1 60 Tf 10 10 Td (H) Tj ET",
       {{15, 75, kBlack}, {45, 60, kBlack}}},
      {"an H too large for a glyph mask is filled as a path",
       "BT /F1 300 Tf -20 -10 Td (H) Tj ET",
       {{15, 50, kBlack}, {50, 50, kWhite}}},
      {"20 Ts lifts the glyph",
       "BT /F1 60 Tf 10 10 Td 20 Ts (H) Tj ET",
       {{15, 75, kWhite}, {15, 40, kBlack}}},
      {"50 Tz narrows the glyph",
       "BT /F1 60 Tf 10 10 Td 50 Tz (H) Tj ET",
       {{13, 60, kBlack}, {45, 60, kWhite}}},
      {"d1 glyphs paint in the text colour, one em apart",
       "1 0 0 rg BT /T3 20 Tf 10 10 Td (aa) Tj ET",
       {{20, 80, kRed}, {40, 80, kRed}, {60, 80, kWhite}}},
      {"the font that Q restores draws the next glyph (a C, not Symbol's Chi)",
       "BT /F1 60 Tf 10 10 Td q /S 60 Tf 3 Tr (C) Tj Q (C) Tj ET",
       {{58, 69, kBlack}}},
      {"strokes of a d1 glyph paint in the fill colour of filled text",
       "1 0 0 rg 0 0 1 RG BT /T3 20 Tf 10 10 Td (d) Tj ET",
       {{12, 80, kRed}, {20, 80, kWhite}}},
      {"d0 glyphs keep their own colour",
       "1 0 0 rg BT /T3 20 Tf 10 10 Td (c) Tj ET",
       {{20, 80, 0x00FF00}, {40, 80, kWhite}}},
      {"7 Tr: the glyphs of every string of the text object make the clip",
       "q BT /F1 40 Tf 7 Tr 5 10 Td (H) Tj (H) Tj ET 1 0 0 rg 0 0 100 100 re f Q",
       {{9, 80, kRed}, {38, 80, kRed}, {57, 80, kRed}, {20, 80, kWhite}, {50, 20, kWhite}}},
      {"1 Tr strokes; a later S has the full line width",
       "BT /F1 60 Tf 1 Tr 10 10 Td (H) Tj ET 10 w 0 95 m 100 95 l S",
       {{60, 2, kBlack}, {60, 8, kBlack}, {30, 60, kWhite}}},
  };
  for (const Case& c : cases) {
    auto doc = LoadBytes(OnePageDocument({c.content}, kResources, kFonts));
    Rendered out(100, 100);
    out.Render(*doc);
    for (const Probe& p : c.probes) {
      EXPECT_EQ(out.At(p.x, p.y), p.colour) << c.name << " at " << p.x << "," << p.y;
    }
  }
}

TEST(TextRenderTest, FaceSelection) {
  if (!TSystemFontList::Instance().FindFamily("Arial") ||
      !TSystemFontList::Instance().FindFamily("NimbusSans")) {
    GTEST_SKIP() << "the metric-compatible or URW fonts are not installed";
  }
  struct Case {
    const char* name;
    const char* dict;
    const char* family;  // a part of the installed family's name
    bool bold;
  };
  const Case cases[] = {
      {"Helvetica is URW's Nimbus Sans", "<< /Subtype /Type1 /BaseFont /Helvetica >>",
       "Nimbus Sans", false},
      {"Arial keeps Liberation Sans", "<< /Subtype /TrueType /BaseFont /Arial >>",
       "Liberation Sans", false},
      {"Arial Narrow", "<< /Subtype /TrueType /BaseFont /ArialNarrow >>", "Nimbus Sans Narrow",
       false},
      {"Times-Italic", "<< /Subtype /Type1 /BaseFont /Times-Italic >>", "Nimbus Roman", false},
      {"ZapfDingbats", "<< /Subtype /Type1 /BaseFont /ZapfDingbats >>", "D050000L", false},
      {"a style after a comma", "<< /Subtype /TrueType /BaseFont /Arial,Bold >>", "Liberation Sans",
       true},
      {"PS and MT dropped from the descriptor's name",
       "<< /Subtype /TrueType /BaseFont /TimesNewRomanPSMT /FontDescriptor << /FontName "
       "/TimesNewRomanPSMT /Flags 34 >> >>",
       "Liberation Serif", false},
      {"Courier", "<< /Subtype /Type1 /BaseFont /Courier-Bold >>", "Nimbus Mono PS", true},
      {"Courier New", "<< /Subtype /TrueType /BaseFont /CourierNew,Bold >>", "Liberation Mono",
       true},
      {"a program FreeType rejects: the installed font by name",
       "<< /Subtype /TrueType /BaseFont /ABCDEF+Arial-BoldMT /FontDescriptor << /FontName "
       "/ABCDEF+Arial-BoldMT /Flags 32 /FontFile2 11 0 R >> >>",
       "Liberation Sans", true},
      {"a rejected program with fixed pitch and bold flags: a monospaced font",
       "<< /Subtype /TrueType /BaseFont /ABCDEF+Zzyzx /FontDescriptor << /FontName "
       "/ABCDEF+Zzyzx /Flags 262145 /FontFile2 11 0 R >> >>",
       "Liberation Mono", true},
      {"an unknown name: the fallback", "<< /Subtype /TrueType /BaseFont /Zzyzx >>", "DejaVu Sans",
       false},
      {"Japanese CIDs without a program: the CJK font",
       "<< /Subtype /Type0 /BaseFont /MS-Gothic /Encoding /Identity-H /DescendantFonts [<< "
       "/Subtype /CIDFontType0 /BaseFont /MS-Gothic /CIDSystemInfo << /Registry (Adobe) "
       "/Ordering (Japan1) /Supplement 2 >> >>] >>",
       "WenQuanYi Zen Hei", false},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TPDDocument> document;
    auto font = testing::MakeFontFromText(
        c.dict, "{{object 11 0}} << {{streamlen}} >>\nstream\nnot a font\nendstream endobj\n",
        document);
    ASSERT_TRUE(font) << c.name;
    const TTextFace face = SelectTextFace(*font);
    EXPECT_FALSE(face.embedded) << c.name;
    ASSERT_TRUE(face.processor) << c.name;
    EXPECT_NE(face.family.find(c.family), std::string::npos) << c.name << ": " << face.family;
    EXPECT_EQ(face.style.find("Bold") != std::string::npos, c.bold) << c.name << ": " << face.style;
  }
}

// Composite fonts without programs: a Japanese font by a predefined CMap,
// horizontal and vertical, Identity-V with vertical metrics, an unknown
// CMap.
const char* const kCompositeFonts =
    "{{object 20 0}} << /Type /Font /Subtype /Type0 /BaseFont /MS-Gothic /Encoding /90ms-RKSJ-H "
    "/DescendantFonts [30 0 R] >> endobj\n"
    "{{object 21 0}} << /Type /Font /Subtype /Type0 /BaseFont /MS-Gothic /Encoding /90ms-RKSJ-V "
    "/DescendantFonts [30 0 R] >> endobj\n"
    "{{object 22 0}} << /Type /Font /Subtype /Type0 /BaseFont /Tall /Encoding /Identity-V "
    "/DescendantFonts [<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Tall "
    "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /DW 1000 "
    "/DW2 [880 -1000] /W2 [5 [-500 250 800]] >>] >> endobj\n"
    "{{object 23 0}} << /Type /Font /Subtype /Type0 /BaseFont /MS-Gothic /Encoding /NoSuchCMap-H "
    "/DescendantFonts [30 0 R] >> endobj\n"
    "{{object 30 0}} << /Type /Font /Subtype /CIDFontType0 /BaseFont /MS-Gothic "
    "/CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 2 >> /DW 1000 "
    "/W [264 [500]] >> endobj\n";
const std::string kCompositeResources =
    "/MediaBox [0 0 100 100] /Resources << /Font << /J 20 0 R /JV 21 0 R /V 22 0 R /X 23 0 R >> "
    ">>";

TEST(TextRenderTest, CompositeFontsWithoutPrograms) {
  if (!std::ifstream(DefaultCMapFolder() + "/Adobe-Japan1/90ms-RKSJ-H")) {
    GTEST_SKIP() << "the CMap resources are not installed: " << DefaultCMapFolder();
  }
  struct Case {
    const char* name;
    const char* content;
    const char* expected;  // codes are Unicode values where the collection gives one
  };
  const Case cases[] = {
      {"predefined CMap: one-byte and two-byte codes", "BT /J 10 Tf <4182A0> Tj ET",
       "font J; 41@0,0; 3042@5,0"},
      {"vertical CMap: down from the vertical origin", "BT /JV 10 Tf 50 50 Td <82A082A0> Tj ET",
       "font JV; 3042@45,41.2; 3042@45,31.2"},
      {"Identity-V: DW2 and W2 place and advance", "BT /V 10 Tf 50 50 Td <000400050004> Tj ET",
       "font V; 4@45,41.2; 5@47.5,32; 4@45,26.2"},
      {"TJ in vertical writing moves down", "BT /V 10 Tf [<0004> 500 <0004>] TJ ET",
       "font V; 4@-5,-8.8; shift 500; 4@-5,-23.8"},
      {"odd hexadecimal digits: the last byte ends in 0", "BT /V 10 Tf <00040> Tj ET",
       "font V; 4@-5,-8.8; 0@-5,-18.8"},
      {"an unknown CMap shows nothing", "BT /X 10 Tf <0041> Tj ET", "font X"},
  };
  for (const Case& c : cases) {
    auto doc = LoadBytes(OnePageDocument({c.content}, kCompositeResources, kCompositeFonts));
    TextRecorder device;
    DisplayPage(*doc, device, 1, 72, 72, 0);
    EXPECT_EQ(device.Joined(), c.expected) << c.name;
  }
  // The installed CJK font draws the Japanese text.
  if (!TSystemFontList::Instance().CJKFace()) GTEST_SKIP() << "no CJK font installed";
  for (const char* content :
       {"BT /J 60 Tf 10 20 Td <82A0> Tj ET", "BT /JV 60 Tf 40 90 Td <82A0> Tj ET"}) {
    auto doc = LoadBytes(OnePageDocument({content}, kCompositeResources, kCompositeFonts));
    Rendered out(100, 100);
    out.Render(*doc);
    int dark = 0;
    for (int y = 0; y < 100; ++y) {
      for (int x = 0; x < 100; ++x) dark += (out.At(x, y) & 0xFF) < 128;
    }
    EXPECT_GT(dark, 200) << content;
  }
}

// A page that embeds Liberation Sans (which kerns A and V) as a TrueType
// program, hex-encoded so that the bytes survive the text template.
std::string EmbeddedFontPage(const std::string& program, const std::string& content) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(program.size() * 2 + program.size() / 32);
  for (size_t i = 0; i < program.size(); ++i) {
    hex += kDigits[uint8_t(program[i]) >> 4];
    hex += kDigits[uint8_t(program[i]) & 15];
    if (i % 64 == 63) hex += '\n';
  }
  hex += '>';
  std::string widths;
  for (int c = 65; c <= 86; ++c) widths += "667 ";
  return OnePageDocument(
      {content}, "/MediaBox [0 0 100 100] /Resources << /Font << /E 20 0 R >> >>",
      "{{object 20 0}} << /Type /Font /Subtype /TrueType /BaseFont /ABCDEF+LiberationSans "
      "/FirstChar 65 /LastChar 86 /Widths [" +
          widths +
          "] /FontDescriptor << /FontName /ABCDEF+LiberationSans /Flags 32 /FontFile2 21 0 R >> "
          ">> endobj\n{{object 21 0}} << /Filter /ASCIIHexDecode {{streamlen}} >>\nstream\n" +
          hex + "\nendstream endobj\n");
}

TEST(TextRenderTest, EmbeddedProgramPlacesGlyphsByPdfWidthsAlone) {
  const std::string path = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
  std::ifstream in(path, std::ios::binary);
  if (!in) GTEST_SKIP() << "no " << path;
  std::ostringstream whole;
  whole << in.rdbuf();
  const std::string program = std::move(whole).str();
  // The font's own kerning would pull V towards A inside one string; glyphs
  // shown one string each are never kerned. Both must look the same.
  auto joined = LoadBytes(EmbeddedFontPage(program, "BT /E 40 Tf 5 30 Td (AV) Tj ET"));
  auto apart = LoadBytes(EmbeddedFontPage(program, "BT /E 40 Tf 5 30 Td (A) Tj (V) Tj ET"));
  Rendered a(100, 100), b(100, 100);
  a.Render(*joined);
  b.Render(*apart);
  int dark = 0, differ = 0;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 100; ++x) {
      dark += a.At(x, y) == kBlack;
      // One fill per string and one per glyph differ only in anti-aliased
      // edges; a kerned V would move by whole pixels.
      const uint32_t p = a.At(x, y), q = b.At(x, y);
      differ += std::abs(int(p & 0xFF) - int(q & 0xFF)) > 128;
    }
  }
  EXPECT_GT(dark, 100);  // the embedded glyphs were drawn
  EXPECT_EQ(differ, 0);
}

TEST(TextRenderTest, CorpusType3BitmapGlyphsReachTheDevice) {
  const std::string path =
      std::string(QP_SHARED_DIR) + "/corpus/mixed/fonts/pdftex-type3-pk-bitmap.pdf";
  if (!std::ifstream(path)) GTEST_SKIP() << "corpus not found: " << path;
  // Each glyph procedure of these fonts draws its bitmap as an inline image
  // mask under the font matrix: a few device pixels per glyph, not a page.
  struct Counter : TPDExportDevice {
    int glyphImages = 0, others = 0;
    void DrawImage(const TPDState& s, const TPDImageSource& image) override {
      const double scale = std::sqrt(std::fabs(s.CTM.M11 * s.CTM.M22 - s.CTM.M12 * s.CTM.M21));
      (image.IsInline && scale < 20 ? glyphImages : others)++;
    }
  } device;
  TPDDocument document;
  document.LoadDocument(path);
  DisplayPage(document, device, 1, 72, 72, 0);
  EXPECT_GT(device.glyphImages, 20);
  EXPECT_EQ(device.others, 0);
}

std::string HexOf(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (size_t i = 0; i < bytes.size(); ++i) {
    hex += kDigits[uint8_t(bytes[i]) >> 4];
    hex += kDigits[uint8_t(bytes[i]) & 15];
    if (i % 64 == 63) hex += '\n';
  }
  return hex + '>';
}

// Glyph selection of embedded TrueType programs, by pixels. Each generated
// font has four glyphs: 0 a band across the top of the em, 1 to 3 bars at
// the left, middle and right. A glyph shown at 100 points from the page's
// origin tells by which bar appears which glyph was chosen.
TEST(TextRenderTest, TrueTypeGlyphSelectionByPixels) {
  using test::SfntSubtable;
  struct Case {
    const char* name;
    std::vector<SfntSubtable> cmaps;
    std::vector<std::string> names;  // post table glyph names
    int flags;                       // simple fonts; 0: a CIDFontType2 font
    const char* dictExtra;           // font dictionary (or descendant) entries
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"symbolic: (3,0) in the F000 row", {{3, 0, {{0xF041, 2}}}}, {}, 4, "", "(A)", "middle"},
      {"symbolic: (3,0) by the code itself", {{3, 0, {{0x41, 3}}}}, {}, 4, "", "(A)", "right"},
      {"symbolic: (1,0)", {{1, 0, {{0x41, 1}}}}, {}, 4, "", "(A)", "left"},
      {"symbolic, a (3,1) subtable only: the code as Unicode",
       {{3, 1, {{0x41, 3}}}},
       {},
       4,
       "",
       "(A)",
       "right"},
      {"LibreOffice subset: symbolic, no encoding, code 0",
       {{3, 0, {{0xF000, 1}, {0xF001, 2}}}},
       {},
       4,
       "",
       "<00>",
       "left"},
      {"LibreOffice subset: code 1",
       {{3, 0, {{0xF000, 1}, {0xF001, 2}}}},
       {},
       4,
       "",
       "<01>",
       "middle"},
      {"non-symbolic: the name's Unicode in (3,1), not the code in (1,0)",
       {{3, 1, {{0x2019, 1}}}, {1, 0, {{0x92, 3}}}},
       {},
       32,
       "/Encoding /WinAnsiEncoding",
       "<92>",
       "left"},
      {"non-symbolic: the name's Mac OS Roman code in (1,0)",
       {{1, 0, {{0xD5, 2}}}},
       {},
       32,
       "/Encoding /WinAnsiEncoding",
       "<92>",
       "middle"},
      {"non-symbolic: a uniXXXX name of Differences",
       {{3, 1, {{0x416, 2}}}},
       {},
       32,
       "/Encoding << /Differences [65 /uni0416] >>",
       "(A)",
       "middle"},
      {"non-symbolic flags on a font with a (3,0) subtable only",
       {{3, 0, {{0xF041, 1}}}},
       {},
       32,
       "/Encoding /WinAnsiEncoding",
       "(A)",
       "left"},
      {"no cmap: the Differences name in the post table",
       {},
       {".notdef", "a", "b", "bar"},
       32,
       "/Encoding << /Differences [65 /bar] >>",
       "(A)",
       "right"},
      {"no cmap, no names: the code is the glyph index", {}, {}, 4, "", "<02>", "middle"},
      {"a code that the cmap gives glyph 0 draws glyph 0",
       {{3, 0, {{0xF041, 0}, {0xF042, 1}}}},
       {},
       4,
       "",
       "(A)",
       "top"},
      {"CID, Identity-H without CIDToGIDMap: the CID is the glyph",
       {},
       {},
       0,
       "",
       "<0002>",
       "middle"},
      {"CID, CIDToGIDMap /Identity", {}, {}, 0, "/CIDToGIDMap /Identity", "<0003>", "right"},
      {"CID, CIDToGIDMap stream", {}, {}, 0, "/CIDToGIDMap 22 0 R", "<0001>", "right"},
      {"CID, a CID past the CIDToGIDMap stream: glyph 0",
       {},
       {},
       0,
       "/CIDToGIDMap 22 0 R",
       "<0009>",
       "top"},
      {"CID, an embedded CMap with one-byte codes", {}, {}, 0, "", "(A)", "middle"},
  };
  for (const Case& c : cases) {
    std::string font = test::BuildSfntFont(
        {{{0, 600, 1000, 700}, {0, 0, 300, 500}, {350, 0, 650, 500}, {700, 0, 1000, 500}},
         c.cmaps,
         c.names});
    const std::string descriptor = "/FontDescriptor << /FontName /ABCDEF+Test /Flags " +
                                   std::to_string(c.flags ? c.flags : 4) + " /FontFile2 21 0 R >>";
    const bool embeddedCMap = std::string(c.name).find("embedded CMap") != std::string::npos;
    std::string dict;
    if (c.flags) {
      dict = "<< /Type /Font /Subtype /TrueType /BaseFont /ABCDEF+Test " + descriptor + " " +
             c.dictExtra + " >>";
    } else {
      dict = std::string("<< /Type /Font /Subtype /Type0 /BaseFont /ABCDEF+Test /Encoding ") +
             (embeddedCMap ? "23 0 R" : "/Identity-H") +
             " /DescendantFonts [<< /Type /Font /Subtype /CIDFontType2 /BaseFont /ABCDEF+Test "
             "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> " +
             descriptor + " " + c.dictExtra + " >>] >>";
    }
    const std::string objects =
        "{{object 20 0}} " + dict +
        " endobj\n{{object 21 0}} << /Filter /ASCIIHexDecode {{streamlen}} >>\nstream\n" +
        HexOf(font) +
        "\nendstream endobj\n"
        "{{object 22 0}} << /Filter /ASCIIHexDecode {{streamlen}} >>\nstream\n000000030001>"
        "\nendstream endobj\n"
        "{{object 23 0}} << /Type /CMap {{streamlen}} >>\nstream\n/CIDInit /ProcSet findresource "
        "begin 12 dict begin begincmap /WMode 0 def 1 begincodespacerange <00> <FF> "
        "endcodespacerange 1 begincidchar <41> 2 endcidchar endcmap end end\nendstream endobj\n";
    auto doc = LoadBytes(OnePageDocument({std::string("BT /E 100 Tf ") + c.text + " Tj ET"},
                                         "/MediaBox [0 0 100 100] /Resources << /Font << /E "
                                         "20 0 R >> >>",
                                         objects));
    Rendered out(100, 100);
    out.Render(*doc);
    std::string seen;
    const struct {
      const char* name;
      int x, y;
    } probes[] = {{"top", 50, 35}, {"left", 15, 75}, {"middle", 50, 75}, {"right", 85, 75}};
    for (const auto& p : probes) {
      if (out.At(p.x, p.y) == kBlack) seen += std::string(seen.empty() ? "" : " ") + p.name;
    }
    EXPECT_EQ(seen, c.expected) << c.name;
  }
}

TEST(TextRenderTest, ZeroWidthTextStrokesKeepTheWeight) {
  // Fill and stroke at line width 0 darkens hardly more than the fill alone.
  auto darkPixels = [](const char* mode, uint32_t below = 160) {
    auto doc = LoadBytes(OnePageDocument(
        {std::string("0 w ") + mode + " BT /F1 10 Tf 2 40 Td (HHHHHHHHHHHHHH) Tj ET"}, kResources,
        kFonts));
    Rendered out(100, 100);
    out.Render(*doc);
    int dark = 0;
    for (int y = 0; y < 100; ++y) {
      for (int x = 0; x < 100; ++x) dark += (out.At(x, y) & 0xFF) < below;
    }
    return dark;
  };
  const int filled = darkPixels("0 Tr"), stroked = darkPixels("2 Tr");
  ASSERT_GT(filled, 100);
  EXPECT_LT(stroked, filled * 1.5);                // a full pixel line gives almost twice
  EXPECT_GT(darkPixels("1 Tr", 240), filled / 2);  // outlines alone stay visible
}

// A string's glyph masks are composed into one mask, cut to the clip, and
// painted once: glyphs of one string that overlap are not painted twice.
TEST(TextRenderTest, StringMasksKeepTheClipAndPaintOnce) {
  const struct {
    const char* name;
    const char* content;
    int x;
    uint32_t colour;
  } cases[] = {
      {"first H, inside the clip", "q 0 0 50 100 re W n BT /F1 40 Tf 10 30 Td (HHH) Tj ET Q", 15,
       kBlack},
      {"second H, inside the clip", "q 0 0 50 100 re W n BT /F1 40 Tf 10 30 Td (HHH) Tj ET Q", 44,
       kBlack},
      {"third H, outside the clip", "q 0 0 50 100 re W n BT /F1 40 Tf 10 30 Td (HHH) Tj ET Q", 73,
       kWhite},
      {"two H on one place in 50 % grey stay 50 % grey",
       "0.5 g BT /F1 40 Tf -28.88 Tc 10 30 Td (HH) Tj ET", 15, 0x808080},
  };
  for (const auto& c : cases) {
    auto doc = LoadBytes(OnePageDocument({c.content}, kResources, kFonts));
    Rendered out(100, 100);
    out.Render(*doc);
    const uint32_t got = out.At(c.x, 60);
    EXPECT_NEAR(static_cast<int>(got & 0xFF), static_cast<int>(c.colour & 0xFF), 2) << c.name;
  }
}

// Small glyphs keep their place along the baseline to a quarter of a pixel:
// eight glyphs 10.25 pixels apart have their ink 10.25 pixels apart, where
// whole-pixel placement gives steps of 10 and 11. Across a horizontal
// baseline they stay on whole pixels, which keeps horizontal strokes crisp.
TEST(TextRenderTest, SmallGlyphPositionsByFractionsOfAPixel) {
  const struct {
    const char* name;
    const char *before, *after;  // Tm's operands around the position
    bool alongY;                 // positions step along target y, else x
    bool wholeSteps;
  } cases[] = {
      {"horizontal text along x", "1 0 0 1 ", " 40", false, false},
      {"text turned a quarter, along y", "0 1 -1 0 40 ", "", true, false},
      {"horizontal text across its baseline", "1 0 0 1 40 ", "", true, true},
  };
  constexpr double kStep = 10.25, kStart = 5.25;
  for (const auto& c : cases) {
    std::string content = "BT /F1 12 Tf ";
    for (int i = 0; i < 8; ++i) {
      content += c.before + std::to_string(kStart + i * kStep) + c.after + " Tm (l) Tj ";
    }
    auto doc = LoadBytes(OnePageDocument({content + "ET"}, kResources, kFonts));
    Rendered out(100, 100);
    out.Render(*doc);
    double last = 0;
    for (int i = 0; i < 8; ++i) {
      // Ink-weighted centre along the axis, in the glyph's own band.
      const double origin = c.alongY ? 100 - (kStart + i * kStep) : kStart + i * kStep;
      const int from = static_cast<int>(origin) - (c.alongY ? 9 : 2), to = from + 10;
      double sum = 0, weight = 0;
      for (int a = from; a < to; ++a) {
        for (int b = 30; b < 60; ++b) {
          const double ink = 255 - (out.At(c.alongY ? b : a, c.alongY ? a : 100 - b) & 0xFF);
          sum += ink * a;
          weight += ink;
        }
      }
      ASSERT_GT(weight, 0) << c.name << " glyph " << i;
      const double centre = sum / weight, step = std::fabs(centre - last);
      if (i > 0 && c.wholeSteps) {
        EXPECT_NEAR(step, std::round(step), 0.05) << c.name << " glyph " << i;
      } else if (i > 0) {
        EXPECT_NEAR(step, kStep, 0.1) << c.name << " glyph " << i;
      }
      last = centre;
    }
  }
}

// Files of the pdfjs corpus whose TrueType or CJK text once came out blank: page 1
// at width 1024 must show at least half the ink that mutool draw -w 1024
// shows (pixels with a channel below 160, counted when these were written).
TEST(TextRenderTest, CorpusTrueTypeTextAppears) {
  const std::string folder = std::string(QP_SHARED_DIR) + "/corpus/pdfjs/";
  if (!std::ifstream(folder + "issue8234.pdf")) GTEST_SKIP() << "corpus not found: " << folder;
  const struct {
    const char* file;
    int mutoolInk;
  } cases[] = {
      {"bug1046314", 3377},
      {"bug903856", 2513},
      {"issue11131_reduced", 6883},
      {"issue11913", 114702},
      {"issue14847", 10361},
      {"issue2931", 9642},
      {"issue3438", 5154},
      {"issue5202", 8695},
      {"issue6612", 2019},
      {"issue20504", 39848},
      {"issue8234", 8956},
      // Japanese and Chinese text: predefined CMaps, fonts without programs,
      // vertical writing.
      {"issue13343", 7400},
      {"issue8372", 4123},
      {"noembed-sjis", 1203},
      {"noembed-eucjp", 1203},
      {"issue6387", 31822},
  };
  for (const auto& c : cases) {
    TPDDocument doc;
    doc.LoadDocument(folder + c.file + ".pdf");
    TPDPage* page = doc.GetPageTree()->GetPage(1);
    ASSERT_TRUE(page) << c.file;
    const double dpi = 1024 * 72 / page->GetPageWidth();
    const int height = static_cast<int>(std::ceil(page->GetPageHeight() * dpi / 72));
    Rendered out(1024, height);
    out.Render(doc, 0, 1, dpi);
    int ink = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < 1024; ++x) {
        const uint32_t p = out.At(x, y);
        ink += (p >> 16 & 0xFF) < 160 || (p >> 8 & 0xFF) < 160 || (p & 0xFF) < 160;
      }
    }
    EXPECT_GE(ink * 2, c.mutoolInk) << c.file << ": ink " << ink;
  }
}

// Embedded Calibri carries one-bit bitmap strikes near 19 pixels per em; the
// glyphs must still be drawn from their outlines, so the page's darkness at
// width 1024 matches a quarter of its darkness at width 2048.
TEST(TextRenderTest, GlyphsIgnoreBitmapStrikes) {
  const std::string file =
      std::string(QP_SHARED_DIR) + "/corpus/pdfjs/annotation-link-text-popup.pdf";
  if (!std::ifstream(file)) GTEST_SKIP() << "corpus not found: " << file;
  TPDDocument doc;
  doc.LoadDocument(file);
  TPDPage* page = doc.GetPageTree()->GetPage(1);
  ASSERT_TRUE(page);
  const auto darkness = [&](int width) {
    const double dpi = width * 72 / page->GetPageWidth();
    const int height = static_cast<int>(std::ceil(page->GetPageHeight() * dpi / 72));
    Rendered out(width, height);
    out.Render(doc, 0, 1, dpi);
    double sum = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const uint32_t p = out.At(x, y);
        sum += 255 - std::min({p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF});
      }
    }
    return sum;
  };
  const double small = darkness(1024), large = darkness(2048) / 4;
  EXPECT_NEAR(small / large, 1.0, 0.02);
}

}  // namespace
}  // namespace qp::pdf
