#include "pdf/core/font_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace qp::pdf {
namespace {

struct EncodingFact {
  const char* encoding;
  const TEncodingArray* table;
  int code;
  std::string_view name;
};

TEST(FontTablesTest, EncodingsHoldTheGlyphNamesAtTheirCodes) {
  const EncodingFact facts[] = {
      {"Standard", &kStandardEncoding, 0x20, "space"},
      {"Standard", &kStandardEncoding, 0x27, "quoteright"},
      {"Standard", &kStandardEncoding, 0x41, "A"},
      {"Standard", &kStandardEncoding, 0x60, "quoteleft"},
      {"Standard", &kStandardEncoding, 0x7F, ""},
      {"Standard", &kStandardEncoding, 0x80, ""},
      {"Standard", &kStandardEncoding, 0xE1, "AE"},
      {"Standard", &kStandardEncoding, 0xFB, "germandbls"},
      {"WinAnsi", &kWinAnsiEncoding, 0x27, "quotesingle"},
      {"WinAnsi", &kWinAnsiEncoding, 0x2D, "hyphen"},
      {"WinAnsi", &kWinAnsiEncoding, 0x60, "grave"},
      {"WinAnsi", &kWinAnsiEncoding, 0x7F, "bullet"},
      {"WinAnsi", &kWinAnsiEncoding, 0x80, "Euro"},
      {"WinAnsi", &kWinAnsiEncoding, 0x81, "bullet"},
      {"WinAnsi", &kWinAnsiEncoding, 0x8D, "bullet"},
      {"WinAnsi", &kWinAnsiEncoding, 0x8E, "Zcaron"},
      {"WinAnsi", &kWinAnsiEncoding, 0x8F, "bullet"},
      {"WinAnsi", &kWinAnsiEncoding, 0x90, "bullet"},
      {"WinAnsi", &kWinAnsiEncoding, 0x95, "bullet"},
      {"WinAnsi", &kWinAnsiEncoding, 0x9D, "bullet"},
      {"WinAnsi", &kWinAnsiEncoding, 0x9E, "zcaron"},
      {"WinAnsi", &kWinAnsiEncoding, 0xA0, "space"},
      {"WinAnsi", &kWinAnsiEncoding, 0xAD, "hyphen"},
      {"WinAnsi", &kWinAnsiEncoding, 0xFF, "ydieresis"},
      {"MacRoman", &kMacRomanEncoding, 0x27, "quotesingle"},
      {"MacRoman", &kMacRomanEncoding, 0x7F, "UL"},
      {"MacRoman", &kMacRomanEncoding, 0x80, "Adieresis"},
      {"MacRoman", &kMacRomanEncoding, 0xAD, "notequal"},
      {"MacRoman", &kMacRomanEncoding, 0xB0, "infinity"},
      {"MacRoman", &kMacRomanEncoding, 0xB2, "lessequal"},
      {"MacRoman", &kMacRomanEncoding, 0xB3, "greaterequal"},
      {"MacRoman", &kMacRomanEncoding, 0xB6, "partialdiff"},
      {"MacRoman", &kMacRomanEncoding, 0xB7, "summation"},
      {"MacRoman", &kMacRomanEncoding, 0xB8, "product"},
      {"MacRoman", &kMacRomanEncoding, 0xB9, "pi"},
      {"MacRoman", &kMacRomanEncoding, 0xBA, "integral"},
      {"MacRoman", &kMacRomanEncoding, 0xBD, "Omega"},
      {"MacRoman", &kMacRomanEncoding, 0xC3, "radical"},
      {"MacRoman", &kMacRomanEncoding, 0xC5, "approxequal"},
      {"MacRoman", &kMacRomanEncoding, 0xC6, "Delta"},
      {"MacRoman", &kMacRomanEncoding, 0xCA, "space"},
      {"MacRoman", &kMacRomanEncoding, 0xD7, "lozenge"},
      {"MacRoman", &kMacRomanEncoding, 0xDB, "currency"},
      {"MacRoman", &kMacRomanEncoding, 0xF0, "apple"},
      {"MacRoman", &kMacRomanEncoding, 0xFF, "caron"},
      {"MacExpert", &kMacExpertEncoding, 0x21, "exclamsmall"},
      {"MacExpert", &kMacExpertEncoding, 0x61, "Asmall"},
      {"MacExpert", &kMacExpertEncoding, 0xFB, "Ringsmall"},
      {"Symbol", &kSymbolEncoding, 0x41, "Alpha"},
      {"Symbol", &kSymbolEncoding, 0x6D, "mu"},
      {"Symbol", &kSymbolEncoding, 0x80, ""},
      {"Symbol", &kSymbolEncoding, 0xA0, "Euro"},
      {"Symbol", &kSymbolEncoding, 0xF0, ""},
      {"Symbol", &kSymbolEncoding, 0xFE, "bracerightbt"},
      {"ZapfDingbats", &kZapfDingbatsEncoding, 0x20, "space"},
      {"ZapfDingbats", &kZapfDingbatsEncoding, 0x21, "a1"},
      {"ZapfDingbats", &kZapfDingbatsEncoding, 0x80, "a89"},
      {"ZapfDingbats", &kZapfDingbatsEncoding, 0x8D, "a96"},
      {"ZapfDingbats", &kZapfDingbatsEncoding, 0x8E, ""},
      {"ZapfDingbats", &kZapfDingbatsEncoding, 0xFE, "a191"},
  };
  for (const auto& f : facts) {
    EXPECT_EQ((*f.table)[f.code], f.name) << f.encoding << " code 0x" << std::hex << f.code;
  }
}

TEST(FontTablesTest, ControlCodesHaveNoGlyphInAnyEncoding) {
  for (const TEncodingArray* table :
       {&kStandardEncoding, &kWinAnsiEncoding, &kMacRomanEncoding, &kMacExpertEncoding,
        &kSymbolEncoding, &kZapfDingbatsEncoding}) {
    for (int code = 0; code < 0x20; ++code) EXPECT_EQ((*table)[code], "") << code;
  }
}

TEST(FontTablesTest, FindEncodingComparesNamesExactly) {
  EXPECT_EQ(FindEncoding("StandardEncoding"), &kStandardEncoding);
  EXPECT_EQ(FindEncoding("WinAnsiEncoding"), &kWinAnsiEncoding);
  EXPECT_EQ(FindEncoding("MacRomanEncoding"), &kMacRomanEncoding);
  EXPECT_EQ(FindEncoding("MacExpertEncoding"), &kMacExpertEncoding);
  for (std::string_view other :
       {"", "winansiencoding", "WinAnsiEncoding ", "Symbol", "CustomEncoding", "Identity-H"}) {
    EXPECT_EQ(FindEncoding(other), nullptr) << other;
  }
}

TEST(FontTablesTest, GlyphNameToUnicode) {
  struct Case {
    std::string_view name;
    bool zapf;
    uint32_t unicode;
  };
  const Case cases[] = {
      {"A", false, 0x41},
      {"a", false, 0x61},
      {"space", false, 0x20},
      {"Euro", false, 0x20AC},
      {"Delta", false, 0x2206},
      {"dalethatafpatah", false, 0x05D3},  // a sequence: the first code point
      {"zukatakana", false, 0x30BA},       // the last name in byte order
      {"A", true, 0x41},                   // the flag keeps the glyph list
      {"a1", false, 0},                    // Zapf Dingbats names need the flag
      {"a1", true, 0x2701},
      {"a89", true, 0x2768},
      {"a191", true, 0x27BE},
      {"", false, 0},
      {"", true, 0},
      {"uni0041", false, 0},
      {"u0041", false, 0},
      {"Aacut", false, 0},
      {"Aacutez", false, 0},
      {"AAAA", false, 0},
      {"zzzz", true, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GlyphNameToUnicode(c.name, c.zapf), c.unicode) << c.name << " zapf=" << c.zapf;
  }
}

TEST(FontTablesTest, GlyphListsHaveTheirPublishedSizes) {
  EXPECT_EQ(AdobeGlyphListSize(), 4281u);
  EXPECT_EQ(ZapfDingbatsGlyphListSize(), 201u);
}

TEST(FontTablesTest, EncodedGlyphNamesAreKnownToTheGlyphLists) {
  // A misspelt or shifted name in the generated tables shows up here.
  for (const TEncodingArray* table :
       {&kStandardEncoding, &kWinAnsiEncoding, &kMacRomanEncoding, &kMacExpertEncoding,
        &kSymbolEncoding, &kZapfDingbatsEncoding}) {
    for (int code = 0; code < 256; ++code) {
      std::string_view name = (*table)[code];
      if (name.empty() || name == "UL") continue;
      EXPECT_NE(GlyphNameToUnicode(name, true), 0u) << name << " at " << code;
    }
  }
}

TEST(FontTablesTest, UnicodeToSymbolCode) {
  struct Case {
    uint32_t unicode;
    uint8_t code;
  };
  const Case cases[] = {
      {0x0020, 0x20}, {0x00A0, 0x20}, {0x00B5, 0x6D},   {0x03BC, 0x6D}, {0x0030, 0x30},
      {0x00B0, 0xB0}, {0x0391, 0x41}, {0x2206, 0x44},   {0x2126, 0x57}, {0x20AC, 0xA0},
      {0x2022, 0xB7}, {0xF8E5, 0x60}, {0xF8FE, 0xFE},   {0x0041, 0x00}, {0x0394, 0x00},
      {0x0000, 0x00}, {0xFFFF, 0x00}, {0x110000, 0x00},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UnicodeToSymbolCode(c.unicode), c.code) << std::hex << c.unicode;
  }
  for (uint32_t u = 0xF8E5; u <= 0xF8FE; ++u) EXPECT_NE(UnicodeToSymbolCode(u), 0) << u;
}

TEST(FontTablesTest, EverySymbolGlyphMapsBackToItsCode) {
  for (int code = 0; code < 256; ++code) {
    std::string_view name = kSymbolEncoding[code];
    if (name.empty()) continue;
    EXPECT_EQ(UnicodeToSymbolCode(GlyphNameToUnicode(name, false)), code) << name;
  }
}

TEST(FontTablesTest, FindBuiltInFontKnowsExactlyTheStandard14) {
  const std::string_view names[] = {
      "Courier",     "Courier-Bold",   "Courier-BoldOblique",   "Courier-Oblique",
      "Helvetica",   "Helvetica-Bold", "Helvetica-BoldOblique", "Helvetica-Oblique",
      "Symbol",      "Times-Bold",     "Times-BoldItalic",      "Times-Italic",
      "Times-Roman", "ZapfDingbats"};
  ASSERT_EQ(BuiltInFonts().size(), std::size(names));
  for (size_t i = 0; i < std::size(names); ++i) {
    EXPECT_EQ(BuiltInFonts()[i].name, names[i]);
    const BuiltInFontMetrics* font = FindBuiltInFont(names[i]);
    ASSERT_NE(font, nullptr) << names[i];
    EXPECT_EQ(font->name, names[i]);
  }
  for (std::string_view other : {"", "Arial", "helvetica", "Helvetica ", "Times", "Courier-",
                                 "Symbol,Bold", "ZapfDingbatsX", "Zzz"}) {
    EXPECT_EQ(FindBuiltInFont(other), nullptr) << other;
  }
}

TEST(FontTablesTest, BuiltInWidths) {
  struct Case {
    std::string_view font;
    std::string_view glyph;
    int width;
  };
  const Case cases[] = {
      {"Helvetica", "A", 667},      {"Helvetica", "space", 278},   {"Helvetica-Bold", "A", 722},
      {"Times-Roman", "A", 722},    {"Times-Roman", "space", 250}, {"Courier", "W", 600},
      {"Symbol", "Alpha", 722},     {"ZapfDingbats", "a1", 974},   {"Helvetica", "", -1},
      {"Helvetica", ".notdef", -1}, {"Helvetica", "a1", -1},       {"ZapfDingbats", "A", -1},
      {"Times-Roman", "zzzz", -1},
  };
  for (const auto& c : cases) {
    const BuiltInFontMetrics* font = FindBuiltInFont(c.font);
    ASSERT_NE(font, nullptr) << c.font;
    EXPECT_EQ(font->GetWidth(c.glyph), c.width) << c.font << " " << c.glyph;
  }
}

TEST(FontTablesTest, CourierIsFixedPitch) {
  for (std::string_view name :
       {"Courier", "Courier-Bold", "Courier-BoldOblique", "Courier-Oblique"}) {
    const BuiltInFontMetrics* font = FindBuiltInFont(name);
    ASSERT_NE(font, nullptr);
    ASSERT_FALSE(font->widths.empty());
    for (size_t i = 0; i < font->widths.size(); ++i) {
      EXPECT_EQ(font->widths[i], 600) << name << " " << font->glyphNames[i];
    }
  }
}

TEST(FontTablesTest, AscentAndDescent) {
  const BuiltInFontMetrics* times = FindBuiltInFont("Times-Roman");
  ASSERT_NE(times, nullptr);
  EXPECT_EQ(times->ascent, 683);
  EXPECT_EQ(times->descent, -217);
  for (const BuiltInFontMetrics& font : BuiltInFonts()) {
    EXPECT_GT(font.ascent, 0) << font.name;
    EXPECT_LE(font.descent, 0) << font.name;
    EXPECT_LT(font.bbox[0], font.bbox[2]) << font.name;
    EXPECT_LT(font.bbox[1], font.bbox[3]) << font.name;
    if (font.name == "Symbol" || font.name == "ZapfDingbats") {
      EXPECT_EQ(font.ascent, font.bbox[3]) << font.name;
      EXPECT_EQ(font.descent, font.bbox[1]) << font.name;
    }
  }
  const BuiltInFontMetrics* symbol = FindBuiltInFont("Symbol");
  ASSERT_NE(symbol, nullptr);
  EXPECT_EQ(symbol->ascent, 1010);
  EXPECT_EQ(symbol->descent, -293);
}

TEST(FontTablesTest, DefaultEncodingsAndTheirWidths) {
  for (const BuiltInFontMetrics& font : BuiltInFonts()) {
    const bool custom = font.name == "Symbol" || font.name == "ZapfDingbats";
    EXPECT_EQ(font.encodingName, custom ? "CustomEncoding" : "StandardEncoding") << font.name;
    const TEncodingArray* expected = font.name == "Symbol"         ? &kSymbolEncoding
                                     : font.name == "ZapfDingbats" ? &kZapfDingbatsEncoding
                                                                   : &kStandardEncoding;
    EXPECT_EQ(font.defaultEncoding, expected) << font.name;

    // Lookups rely on the order; every name the font encodes has a width.
    ASSERT_EQ(font.glyphNames.size(), font.widths.size()) << font.name;
    EXPECT_TRUE(std::is_sorted(font.glyphNames.begin(), font.glyphNames.end())) << font.name;
    EXPECT_TRUE(std::adjacent_find(font.glyphNames.begin(), font.glyphNames.end()) ==
                font.glyphNames.end())
        << font.name;
    for (std::string_view name : *font.defaultEncoding) {
      if (name.empty()) continue;
      EXPECT_GT(font.GetWidth(name), 0) << font.name << " " << name;
    }
  }
}

}  // namespace
}  // namespace qp::pdf
