#include "pdf/core/font_processor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/pdf/core/outline_helpers.h"
#include "tests/pdf/core/sfnt_helpers.h"

namespace qp::pdf {
namespace {

using test::ReadFileBytes;
using test::RecordsWellFormed;
using test::SfntTables;

const std::string kLiberationSans =
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
const std::string kLiberationSerifBold =
    "/usr/share/fonts/truetype/liberation2/LiberationSerif-Bold.ttf";
const std::string kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const std::string kNimbusSansOtf = "/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf";
const std::string kNimbusSansPfb = "/usr/share/fonts/X11/Type1/NimbusSans-Regular.pfb";
const std::string kSymbolOtf = "/usr/share/fonts/opentype/urw-base35/StandardSymbolsPS.otf";

#define SKIP_WITHOUT(path)                                                            \
  if (!std::filesystem::exists(path))                                                 \
  GTEST_SKIP() << path                                                                \
               << " is not installed (scripts/bootstrap installs fonts-liberation2, " \
                  "fonts-dejavu-core and fonts-urw-base35)"

TEST(FontProcessorTest, OpensInstalledFontsByPathAndFromMemory) {
  struct Case {
    std::string path;
    std::string format;
    uint32_t unitsPerEm;
    bool conics;  // quadratic outlines (TrueType) or cubic ones
  };
  const Case cases[] = {
      {kLiberationSans, "TrueType", 2048, true}, {kDejaVuSans, "TrueType", 2048, true},
      {kNimbusSansOtf, "CFF", 1000, false},      {kNimbusSansPfb, "Type 1", 1000, false},
      {kSymbolOtf, "CFF", 1000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    SKIP_WITHOUT(c.path);
    TFontProcessor byPath, byBytes;
    ASSERT_EQ(byPath.OpenFile(c.path), kFpSuccess);
    ASSERT_EQ(byBytes.Open(ReadFileBytes(c.path)), kFpSuccess);
    EXPECT_EQ(byPath.FormatName(), c.format);
    EXPECT_EQ(byPath.UnitsPerEm(), c.unitsPerEm);
    EXPECT_EQ(byBytes.GlyphCount(), byPath.GlyphCount());

    // The same glyphs either way; every glyph decomposes into sound records.
    int conics = 0, cubics = 0;
    for (uint32_t glyph = 0; glyph < std::min<uint32_t>(byPath.GlyphCount(), 300); ++glyph) {
      TGlyphOutline fromPath, fromBytes;
      ASSERT_EQ(
          byPath.DecomposeOutlineGlyph(0, glyph, TGlyphSelection::gsGlyphIndex, {}, 1000, fromPath),
          kFpSuccess);
      ASSERT_EQ(byBytes.DecomposeOutlineGlyph(0, glyph, TGlyphSelection::gsGlyphIndex, {}, 1000,
                                              fromBytes),
                kFpSuccess);
      ASSERT_EQ(fromPath.points, fromBytes.points) << "glyph " << glyph;
      int glyphConics = 0, glyphCubics = 0;
      ASSERT_TRUE(RecordsWellFormed(fromPath.points, glyphConics, glyphCubics)) << glyph;
      conics += glyphConics;
      cubics += glyphCubics;
    }
    EXPECT_EQ(conics > 0, c.conics);
    EXPECT_EQ(cubics > 0, !c.conics);
  }
}

// The tiny fonts of scripts/make_font_seeds.py, whose outlines are known
// point by point: quadratic records from TrueType (a composite glyph moved by
// its offset), cubic ones from CFF and Type 1, in font units with y up.
TEST(FontProcessorTest, TinyFontsGiveTheirExactRecords) {
  const std::string seeds =
      std::string(QP_SOURCE_DIR) + "/tests/fuzz/regressions/font_program_fuzz/";
  const TPointsList quadraticA = {opMoveTo, 0, 0,        opConicTo, 250, 700,
                                  500,      0, opLineTo, 0,         0,   opClosePath};
  const TPointsList quadraticB = {opMoveTo, 50, 0,        opConicTo, 300, 700,
                                  550,      0,  opLineTo, 50,        0,   opClosePath};
  const TPointsList cubicA = {opMoveTo,  0,   0,    opLineTo, 250,  700, opLineTo, 500,        0,
                              opCubicTo, 350, -100, 150,      -100, 0,   0,        opClosePath};
  const struct {
    const char* file;
    const char* format;
    const char* glyphName;
    char16_t code;
    const TPointsList* records;
    double advance;
  } cases[] = {
      {"seed-tiny.ttf", "TrueType", "A", u'A', &quadraticA, 600},
      {"seed-tiny.ttf", "TrueType", "B", u'B', &quadraticB, 600},
      {"seed-tiny.cff", "CFF", "A", 0, &cubicA, 500},
      {"seed-tiny.pfa", "Type 1", "A", u'A', &cubicA, 500},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.glyphName);
    TFontProcessor font;
    ASSERT_EQ(font.Open(ReadFileBytes(seeds + c.file)), kFpSuccess);
    EXPECT_EQ(font.FormatName(), c.format);
    EXPECT_EQ(font.UnitsPerEm(), 1000u);
    uint32_t byName = 0;
    ASSERT_EQ(font.SelectGlyph(TGlyphSelection::gsGlyphName, 0, c.glyphName, byName), kFpSuccess);
    if (c.code) {
      uint32_t byCode = 0;
      ASSERT_EQ(font.SelectGlyph(TGlyphSelection::gsCharCode, c.code, {}, byCode), kFpSuccess);
      EXPECT_EQ(byCode, byName);
    }
    std::shared_ptr<const TGlyphOutline> outline;
    ASSERT_EQ(font.GetGlyphOutline(byName, outline), kFpSuccess);
    EXPECT_EQ(outline->points, *c.records);
    EXPECT_EQ(outline->horzAdvance, c.advance);

    // At 2000 units per em: doubled, y down.
    TGlyphOutline scaled;
    ASSERT_EQ(
        font.DecomposeOutlineGlyph(0, 0, TGlyphSelection::gsGlyphName, c.glyphName, 2000, scaled),
        kFpSuccess);
    ASSERT_EQ(scaled.points.size(), c.records->size());
    EXPECT_EQ(scaled.points[1], 2 * (*c.records)[1]);
    EXPECT_EQ(scaled.points[5], -2 * (*c.records)[5]) << "y of the second point, flipped";
    EXPECT_EQ(scaled.horzAdvance, 2 * c.advance);

    // .notdef is empty but loads, by index 0.
    TGlyphOutline notdef;
    EXPECT_EQ(font.DecomposeOutlineGlyph(0, 0, TGlyphSelection::gsGlyphIndex, {}, 50, notdef),
              kFpSuccess);
    EXPECT_TRUE(notdef.points.empty());
  }
}

TEST(FontProcessorTest, SelectsGlyphsByCodeIndexAndName) {
  SKIP_WITHOUT(kLiberationSans);
  SKIP_WITHOUT(kNimbusSansPfb);
  TFontProcessor trueType, type1;
  ASSERT_EQ(trueType.OpenFile(kLiberationSans), kFpSuccess);
  ASSERT_EQ(type1.OpenFile(kNimbusSansPfb), kFpSuccess);
  uint32_t ttA = 0, t1A = 0;
  ASSERT_EQ(trueType.SelectGlyph(TGlyphSelection::gsGlyphName, 0, "A", ttA), kFpSuccess);
  ASSERT_EQ(type1.SelectGlyph(TGlyphSelection::gsGlyphName, 0, "A", t1A), kFpSuccess);

  struct Case {
    const char* label;
    TFontProcessor* font;
    TGlyphSelection mode;
    uint32_t code;
    std::string_view name;
    int result;
    uint32_t glyph;
  };
  const Case cases[] = {
      {"TT code A", &trueType, TGlyphSelection::gsCharCode, 'A', {}, kFpSuccess, ttA},
      {"TT unicode A", &trueType, TGlyphSelection::gsUnicode, 'A', {}, kFpSuccess, ttA},
      {"TT index", &trueType, TGlyphSelection::gsGlyphIndex, ttA, {}, kFpSuccess, ttA},
      {"TT index 0", &trueType, TGlyphSelection::gsGlyphIndex, 0, {}, kFpSuccess, 0},
      {"TT unmapped code",
       &trueType,
       TGlyphSelection::gsCharCode,
       0x2FFFF,
       {},
       kFpGlyphNotFound,
       0},
      {"TT unknown name", &trueType, TGlyphSelection::gsGlyphName, 0, "nosuchglyph",
       kFpGlyphNotFound, 0},
      {"TT empty name", &trueType, TGlyphSelection::gsGlyphName, 0, "", kFpGlyphNotFound, 0},
      {"TT name with NUL", &trueType, TGlyphSelection::gsGlyphName, 0, std::string_view("A\0B", 3),
       kFpGlyphNotFound, 0},
      {"T1 code A", &type1, TGlyphSelection::gsCharCode, 'A', {}, kFpSuccess, t1A},
      {"T1 unicode A", &type1, TGlyphSelection::gsUnicode, 'A', {}, kFpSuccess, t1A},
      {"T1 unknown name", &type1, TGlyphSelection::gsGlyphName, 0, "uni0041x", kFpGlyphNotFound, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    uint32_t glyph = 12345;
    EXPECT_EQ(c.font->SelectGlyph(c.mode, c.code, c.name, glyph), c.result);
    EXPECT_EQ(glyph, c.glyph);
  }

  // By name and by code the Type 1 font gives the same outline.
  TGlyphOutline byName, byCode;
  ASSERT_EQ(type1.DecomposeOutlineGlyph(0, 0, TGlyphSelection::gsGlyphName, "Aring", 100, byName),
            kFpSuccess);
  ASSERT_EQ(type1.DecomposeOutlineGlyph(0xC5, 0, TGlyphSelection::gsUnicode, {}, 100, byCode),
            kFpSuccess);
  EXPECT_EQ(byName.points, byCode.points);

  // A glyph index beyond the font is FreeType's error, neither success nor 25.
  TGlyphOutline outline;
  const int beyond = trueType.DecomposeOutlineGlyph(0, trueType.GlyphCount() + 5,
                                                    TGlyphSelection::gsGlyphIndex, {}, 50, outline);
  EXPECT_NE(beyond, kFpSuccess);
  EXPECT_NE(beyond, kFpGlyphNotFound);
}

TEST(FontProcessorTest, OutlinesMatchTheGlyphTable) {
  for (const std::string& path : {kLiberationSans, kLiberationSerifBold, kDejaVuSans}) {
    SCOPED_TRACE(path);
    SKIP_WITHOUT(path);
    const SfntTables tables(ReadFileBytes(path));
    TFontProcessor font;
    ASSERT_EQ(font.OpenFile(path), kFpSuccess);
    for (char32_t c : {U'A', U'B', U'O', U'i', U'l', U'8', U'%', U'g'}) {
      SCOPED_TRACE(static_cast<uint32_t>(c));
      uint32_t glyph = 0;
      ASSERT_EQ(font.SelectGlyph(TGlyphSelection::gsUnicode, c, {}, glyph), kFpSuccess);
      const auto header = tables.Glyph(glyph);
      ASSERT_TRUE(header.has_value());
      ASSERT_GT(header->contours, 0) << "a simple glyph";
      std::shared_ptr<const TGlyphOutline> outline;
      ASSERT_EQ(font.GetGlyphOutline(glyph, outline), kFpSuccess);
      EXPECT_EQ(outline->ContourCount(), static_cast<size_t>(header->contours));
      EXPECT_EQ(outline->xMin, header->xMin);
      EXPECT_EQ(outline->yMin, header->yMin);
      EXPECT_EQ(outline->xMax, header->xMax);
      EXPECT_EQ(outline->yMax, header->yMax);

      // Scaled: one em measures `size` units and y points down.
      const double size = 50, k = size / tables.UnitsPerEm();
      TGlyphOutline scaled;
      ASSERT_EQ(font.DecomposeOutlineGlyph(c, 0, TGlyphSelection::gsUnicode, {}, size, scaled),
                kFpSuccess);
      EXPECT_DOUBLE_EQ(scaled.xMin, header->xMin * k);
      EXPECT_DOUBLE_EQ(scaled.yMin, -header->yMax * k);
      EXPECT_DOUBLE_EQ(scaled.yMax, -header->yMin * k);
      EXPECT_DOUBLE_EQ(scaled.horzAdvance, tables.AdvanceWidth(glyph) * k);
    }
    // "A" has the outer shape and the counter.
    uint32_t glyphA = 0;
    ASSERT_EQ(font.SelectGlyph(TGlyphSelection::gsCharCode, 'A', {}, glyphA), kFpSuccess);
    std::shared_ptr<const TGlyphOutline> a;
    ASSERT_EQ(font.GetGlyphOutline(glyphA, a), kFpSuccess);
    EXPECT_EQ(a->ContourCount(), 2u);
  }
}

TEST(FontProcessorTest, AdvancesMatchTheHorizontalMetrics) {
  for (const std::string& path : {kLiberationSans, kDejaVuSans}) {
    SCOPED_TRACE(path);
    SKIP_WITHOUT(path);
    const SfntTables tables(ReadFileBytes(path));
    TFontProcessor font;
    ASSERT_EQ(font.OpenFile(path), kFpSuccess);
    for (uint32_t glyph = 0; glyph < font.GlyphCount(); glyph += 7) {
      std::shared_ptr<const TGlyphOutline> outline;
      ASSERT_EQ(font.GetGlyphOutline(glyph, outline), kFpSuccess) << glyph;
      ASSERT_EQ(outline->horzAdvance, tables.AdvanceWidth(glyph)) << glyph;
    }
  }
}

TEST(FontProcessorTest, TextFormPlacesTheGlyphAndAdvances) {
  SKIP_WITHOUT(kLiberationSans);
  TFontProcessor font;
  ASSERT_EQ(font.OpenFile(kLiberationSans), kFpSuccess);
  TGlyphOutline atOrigin;
  ASSERT_EQ(font.DecomposeOutlineGlyph('W', 0, TGlyphSelection::gsCharCode, {}, 64, atOrigin),
            kFpSuccess);

  int calls = 0;
  TGlyphOutline received;
  const auto receiver = [&](const TGlyphOutline& outline) {
    ++calls;
    received = outline;
  };
  double x = 100, y = 200;
  ASSERT_EQ(font.DecomposeOutlineGlyph(u"W", 64, TGlyphSelection::gsCharCode, receiver, x, y),
            kFpSuccess);
  EXPECT_EQ(calls, 1);
  EXPECT_DOUBLE_EQ(x, 100 + atOrigin.horzAdvance);
  EXPECT_EQ(y, 200);
  EXPECT_DOUBLE_EQ(received.xMin, atOrigin.xMin + 100);
  EXPECT_DOUBLE_EQ(received.yMax, atOrigin.yMax + 200);
  ASSERT_EQ(received.points.size(), atOrigin.points.size());
  EXPECT_EQ(received.points[0], opMoveTo);
  EXPECT_DOUBLE_EQ(received.points[1], atOrigin.points[1] + 100);
  EXPECT_DOUBLE_EQ(received.points[2], atOrigin.points[2] + 200);

  // The same glyph twice in a row is not shifted: no kerning, ever.
  double x2 = 0, y2 = 0;
  ASSERT_EQ(font.DecomposeOutlineGlyph(u"A", 64, TGlyphSelection::gsCharCode, receiver, x2, y2),
            kFpSuccess);
  double x3 = 0;
  ASSERT_EQ(font.DecomposeOutlineGlyph(u"V", 64, TGlyphSelection::gsCharCode, receiver, x3, y2),
            kFpSuccess);
  TGlyphOutline alone;
  ASSERT_EQ(font.DecomposeOutlineGlyph('V', 0, TGlyphSelection::gsCharCode, {}, 64, alone),
            kFpSuccess);
  EXPECT_EQ(received.points, alone.points) << "V after A is drawn where V alone is";

  // By name: the whole text is the glyph name.
  double xn = 0, yn = 0;
  ASSERT_EQ(font.DecomposeOutlineGlyph(u"W", 64, TGlyphSelection::gsGlyphName, receiver, xn, yn),
            kFpSuccess);
  EXPECT_EQ(received.points, atOrigin.points);
  EXPECT_DOUBLE_EQ(xn, atOrigin.horzAdvance);

  // Failures call nothing and leave the position.
  calls = 0;
  double xf = 7, yf = 8;
  EXPECT_EQ(
      font.DecomposeOutlineGlyph(u"\U0002FFFF", 64, TGlyphSelection::gsCharCode, receiver, xf, yf),
      kFpGlyphNotFound);
  EXPECT_EQ(font.DecomposeOutlineGlyph(u"", 64, TGlyphSelection::gsCharCode, receiver, xf, yf),
            kFpGlyphNotFound);
  EXPECT_EQ(
      font.DecomposeOutlineGlyph(u"nosuch", 64, TGlyphSelection::gsGlyphName, receiver, xf, yf),
      kFpGlyphNotFound);
  EXPECT_NE(font.DecomposeOutlineGlyph(u"A", NAN, TGlyphSelection::gsCharCode, receiver, xf, yf),
            kFpSuccess);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(xf, 7);
  EXPECT_EQ(yf, 8);
}

TEST(FontProcessorTest, GlyphsAreLoadedOncePerFace) {
  SKIP_WITHOUT(kDejaVuSans);
  TFontProcessor font;
  ASSERT_EQ(font.OpenFile(kDejaVuSans), kFpSuccess);
  TGlyphOutline outline;
  for (int round = 0; round < 3; ++round) {
    for (char16_t c : std::u16string_view(u"hello world")) {
      ASSERT_EQ(font.DecomposeOutlineGlyph(c, 0, TGlyphSelection::gsCharCode, {}, 12, outline),
                kFpSuccess);
    }
  }
  EXPECT_EQ(font.CachedGlyphCount(), 8u);  // h e l o space w r d
  std::shared_ptr<const TGlyphOutline> first, second;
  ASSERT_EQ(font.GetGlyphOutline(3, first), kFpSuccess);
  ASSERT_EQ(font.GetGlyphOutline(3, second), kFpSuccess);
  EXPECT_EQ(first.get(), second.get());
}

TEST(FontProcessorTest, BitmapGlyphsAreNotOutlines) {
  // A one-glyph BDF font: FreeType opens it, but its glyphs are bitmaps.
  const std::string bdf =
      "STARTFONT 2.1\nFONT -test-fixed-medium-r-normal--8-80-75-75-c-80-iso10646-1\n"
      "SIZE 8 75 75\nFONTBOUNDINGBOX 8 8 0 0\nSTARTPROPERTIES 2\nFONT_ASCENT 8\n"
      "FONT_DESCENT 0\nENDPROPERTIES\nCHARS 1\nSTARTCHAR A\nENCODING 65\nSWIDTH 500 0\n"
      "DWIDTH 8 0\nBBX 8 8 0 0\nBITMAP\nFF\n81\n81\n81\n81\n81\n81\nFF\nENDCHAR\nENDFONT\n";
  TFontProcessor font;
  ASSERT_EQ(font.Open(bdf), kFpSuccess);
  int calls = 0;
  double x = 0, y = 0;
  EXPECT_EQ(
      font.DecomposeOutlineGlyph(
          u"A", 50, TGlyphSelection::gsCharCode, [&](const TGlyphOutline&) { ++calls; }, x, y),
      kFpNotOutline);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(x, 0);
}

TEST(FontProcessorTest, RejectedProgramsGiveTheFailureCode) {
  SKIP_WITHOUT(kLiberationSans);
  const std::string ttf = ReadFileBytes(kLiberationSans);
  std::mt19937 random(9);
  std::string noise(4096, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  const struct {
    const char* label;
    std::string program;
  } cases[] = {
      {"empty", ""},
      {"text", "not a font at all"},
      {"noise", noise},
      {"sfnt header only", ttf.substr(0, 12)},
      {"table directory cut", ttf.substr(0, 100)},
      {"Type 1 header only", "%!PS-AdobeFont-1.0: Foo 001.000\n"},
      {"OpenType tag and zeros", std::string("OTTO") + std::string(60, '\0')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    TFontProcessor font;
    EXPECT_EQ(font.Open(c.program), kFpFaceNotOpened);
    EXPECT_FALSE(font.IsOpen());
    TGlyphOutline outline;
    EXPECT_EQ(font.DecomposeOutlineGlyph('A', 0, TGlyphSelection::gsCharCode, {}, 50, outline),
              kFpGlyphNotFound);
    EXPECT_EQ(font.DecomposeOutlineGlyph(0, 0, TGlyphSelection::gsGlyphName, "A", 50, outline),
              kFpGlyphNotFound);
    EXPECT_NE(font.DecomposeOutlineGlyph(0, 0, TGlyphSelection::gsGlyphIndex, {}, 50, outline),
              kFpSuccess);
  }
  TFontProcessor missing;
  EXPECT_EQ(missing.OpenFile("/nonexistent/font.ttf"), kFpFaceNotOpened);
  EXPECT_EQ(missing.OpenFile(kLiberationSans, -1), kFpFaceNotOpened);
}

// FreeType may open a cut program (it drops tables that run past the end);
// every glyph then either fails or gives sound records.
TEST(FontProcessorTest, TruncatedProgramsNeverGiveBrokenRecords) {
  SKIP_WITHOUT(kLiberationSans);
  SKIP_WITHOUT(kNimbusSansOtf);
  for (const std::string& path : {kLiberationSans, kNimbusSansOtf}) {
    const std::string whole = ReadFileBytes(path);
    for (size_t keep : {whole.size() / 2, whole.size() * 9 / 10, whole.size() - 1}) {
      SCOPED_TRACE(path + " cut to " + std::to_string(keep));
      TFontProcessor font;
      if (font.Open(whole.substr(0, keep)) != kFpSuccess) continue;
      for (uint32_t glyph = 0; glyph < font.GlyphCount(); ++glyph) {
        TGlyphOutline outline;
        const int result =
            font.DecomposeOutlineGlyph(0, glyph, TGlyphSelection::gsGlyphIndex, {}, 50, outline);
        int conics, cubics;
        if (result == kFpSuccess) {
          ASSERT_TRUE(RecordsWellFormed(outline.points, conics, cubics)) << glyph;
        }
      }
    }
  }
}

}  // namespace
}  // namespace qp::pdf
