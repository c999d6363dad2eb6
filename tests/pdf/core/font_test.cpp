#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "pdf/core/pdf_builtin_font.h"
#include "pdf/core/pdf_font.h"
#include "pdf/core/pdf_font_cache.h"
#include "pdf/core/pdf_font_names.h"
#include "tests/pdf/core/font_test_helpers.h"

namespace qp::pdf {
namespace {

using testing::LoadFontDocument;
using testing::MakeFontFromObject;
using testing::MakeFontFromText;

TPD8bitFont& Simple(const std::unique_ptr<TPDFont>& font) {
  EXPECT_TRUE(font);
  EXPECT_FALSE(font->IsCIDFont());
  return static_cast<TPD8bitFont&>(*font);
}
TPDCIDFont& Composite(const std::unique_ptr<TPDFont>& font) {
  EXPECT_TRUE(font);
  EXPECT_TRUE(font->IsCIDFont());
  return static_cast<TPDCIDFont&>(*font);
}

TEST(FontNames, AliasesAndSystemNames) {
  struct Case {
    const char* name;
    const char* first;  // nullptr: no alias
    const char* standard;
  };
  const Case cases[] = {
      {"Helvetica", "Arial", "Helvetica"},
      {"Helvetica-Bold", "Arial,Bold", "Helvetica-Bold"},
      {"Courier", "CourierNew", "Courier"},
      {"Times-Roman", "TimesNewRoman", "Times-Roman"},
      {"Symbol", "Symbol,Bold", "Symbol"},
      {"ArialMT", "ArialMT", "Helvetica"},
      {"Helvetica-Compressed", "Helvetica-Compressed", "Helvetica"},
      {"TimesNewRomanPS-BoldItalicMT", "TimesNewRomanPS-BoldItalicMT", "Times-BoldItalic"},
      {"CourierNewPS-ItalicMT", "CourierNewPS-ItalicMT", "Courier-Oblique"},
      {"ZapfDingbats", nullptr, nullptr},
      {"arial", nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TFontAlias* alias = FindFontAlias(c.name);
    if (!c.first) {
      EXPECT_EQ(alias, nullptr);
      continue;
    }
    ASSERT_NE(alias, nullptr);
    EXPECT_EQ(alias->name, c.first);
    EXPECT_EQ(alias->standard, c.standard);
  }
  EXPECT_EQ(SystemFontNameOf("Times-BoldItalic"), "TimesNewRomanBoldItalic");
  EXPECT_EQ(SystemFontNameOf("ZapfDingbats"), "ArialUnicodeMS");
  EXPECT_EQ(SystemFontNameOf("Arial"), "");
  EXPECT_EQ(CleanDescriptorFontName("ABCDEF+Arial-BoldMT"), "ABCDEFArialBold");
  EXPECT_EQ(CleanDescriptorFontName("TimesNewRomanPS-ItalicMT"), "TimesNewRomanItalic");
  EXPECT_EQ(TrimFontName(" \tHelvetica\r\n"), "Helvetica");
}

TEST(BuiltInFont, Metrics) {
  auto helvetica = TBuiltInFont::MakeBuiltInFont("Helvetica");
  ASSERT_TRUE(helvetica);
  EXPECT_EQ(helvetica->GetWidth("space"), 278);
  EXPECT_EQ(helvetica->GetWidth(""), -1);
  EXPECT_EQ(helvetica->GetWidth("nosuchglyph"), -1);
  EXPECT_EQ(TBuiltInFont::MakeBuiltInFont("Arial"), nullptr);
  auto symbol = TBuiltInFont::MakeBuiltInFont("Symbol");
  ASSERT_TRUE(symbol);
  EXPECT_EQ(symbol->EncodingName(), "CustomEncoding");
}

// Name, base font, encoding and per-code results of simple fonts.
TEST(SimpleFont, CreationFromDictionaries) {
  struct Probe {
    uint8_t code;
    const char* charName;
    uint16_t unicode;
    double width;
  };
  struct Case {
    const char* label;
    std::string dict;
    const char* name;
    const char* baseFont;
    const char* encodingName;
    bool hasEncoding;
    std::vector<Probe> probes;
  };
  const Case cases[] = {
      {"standard Helvetica",
       "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
       "Arial",
       "Arial",
       "StandardEncoding",
       true,
       // 0x80 has no glyph name: no negative advance, the missing width (0).
       {{0x41, "A", 0x41, 0.667}, {0x20, "space", 0x20, 0.278}, {0x80, "", 0, 0.0}}},
      {"Times-Roman",
       "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman >>",
       "TimesNewRoman",
       "TimesNewRoman",
       "StandardEncoding",
       true,
       {{0x41, "A", 0x41, 0.722}}},
      {"ArialMT takes Helvetica metrics",
       "<< /Type /Font /Subtype /TrueType /BaseFont /ArialMT >>",
       "ArialMT",
       "ArialMT",
       "StandardEncoding",
       true,
       {{0x41, "", 0x41, 0.667}}},
      {"Symbol",
       "<< /Type /Font /Subtype /Type1 /BaseFont /Symbol >>",
       "Symbol,Bold",
       "Symbol,Bold",
       "CustomEncoding",
       true,
       {{0x61, "alpha", 0x61, 0.631}}},
      {"Differences over WinAnsi",
       "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding << /BaseEncoding "
       "/WinAnsiEncoding /Differences [65 /B /C] >> >>",
       "Arial",
       "Arial",
       "CustomEncoding",
       true,
       {{65, "B", 0x42, 0.667}, {66, "C", 0x43, 0.722}, {0x80, "Euro", 0x20AC, 0.556}}},
      {"Differences out of range",
       "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding << /Differences "
       "[300 /x 255 /y /z] >> >>",
       "Arial",
       "Arial",
       "CustomEncoding",
       true,
       {{255, "y", 0x79, 0.5}, {44, "comma", 0x2C, 0.278}}},
      {"unknown TrueType falls back to WinAnsi names",
       "<< /Type /Font /Subtype /TrueType /BaseFont /Verdana >>",
       "Verdana",
       "Arial Unicode MS",
       "WinAnsiEncoding",
       false,
       // No chosen encoding: the code is the byte; default flags (serif) give
       // Times widths.
       {{0x80, "", 0x80, 0.5}, {0x41, "", 0x41, 0.722}}},
      {"non-embedded TrueType with WinAnsi gives Unicode",
       "<< /Type /Font /Subtype /TrueType /BaseFont /Verdana /Encoding /WinAnsiEncoding >>",
       "Verdana",
       "Arial Unicode MS",
       "WinAnsiEncoding",
       true,
       {{0x80, "", 0x20AC, 0.5}, {0x93, "", 0x201C, 0.444}}},
      {"MacRoman",
       "<< /Subtype /Type1 /BaseFont /Foo /Encoding /MacRomanEncoding >>",
       "Foo",
       "Arial Unicode MS",
       "MacRomanEncoding",
       true,
       {{0x8A, "adieresis", 0xE4, 0.444}, {0xAD, "notequal", 0x2260, 1.0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::unique_ptr<TPDDocument> document;
    auto font = MakeFontFromText(c.dict, "", document);
    TPD8bitFont& simple = Simple(font);
    if (!font) continue;
    EXPECT_EQ(simple.Name(), c.name);
    EXPECT_EQ(simple.BaseFont(), c.baseFont);
    EXPECT_EQ(simple.EncodingName(), c.encodingName);
    EXPECT_EQ(simple.HasEncoding(), c.hasEncoding);
    for (const Probe& p : c.probes) {
      SCOPED_TRACE(p.code);
      const std::string text(1, static_cast<char>(p.code));
      TPDCharInfo info;
      ASSERT_EQ(simple.GetNextChar(text, 1, info), 1);
      EXPECT_EQ(info.Processed, 1);
      EXPECT_EQ(info.CharName, p.charName);
      EXPECT_EQ(info.Code, p.unicode);
      EXPECT_NEAR(info.Dx, p.width, 1e-9);
      EXPECT_NEAR(simple.GetCharWidth(p.code), p.width, 1e-9);
      EXPECT_GE(info.Dx, 0.0);
    }
  }
}

TEST(SimpleFont, WidthsArrays) {
  struct Case {
    const char* label;
    std::string entries;
    std::vector<std::pair<int, double>> widths;
    bool fixedPitch;
  };
  const std::string flags = " /FontDescriptor << /Flags 32 /MissingWidth 111 >>";
  const Case cases[] = {
      {"mixed widths",
       "/FirstChar 32 /LastChar 34 /Widths [250 0 500]",
       {{32, 0.25}, {33, 0}, {34, 0.5}, {35, 0.111}},
       false},
      {"equal widths", "/FirstChar 32 /LastChar 34 /Widths [600 600 600]", {{33, 0.6}}, true},
      {"no LastChar", "/FirstChar 5 /Widths [300 400]", {{5, 0.111}, {6, 0.111}}, true},
      {"array shorter than the range",
       "/FirstChar 32 /LastChar 255 /Widths [500 700]",
       {{32, 0.5}, {33, 0.7}, {34, 0.111}, {255, 0.111}},
       false},
      {"array longer than the range",
       "/FirstChar 65 /LastChar 66 /Widths [1 2 3 4 5 6]",
       {{65, 0.001}, {66, 0.002}, {67, 0.111}},
       false},
      {"FirstChar above LastChar",
       "/FirstChar 40 /LastChar 30 /Widths [100 200]",
       {{30, 0.111}, {40, 0.111}},
       true},
      {"FirstChar out of range, LastChar above 255",
       "/FirstChar 300 /LastChar 999 /Widths [100 "
       "/x 300]",
       {{0, 0.1}, {1, 0.111}, {2, 0.3}},
       false},
      {"MissingWidth for glyphs the metrics lack",
       "/Encoding << /Differences [128 /nosuchglyph] >>",
       {{128, 0.111}, {0x41, 0.667}},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::unique_ptr<TPDDocument> document;
    auto font = MakeFontFromText(
        "<< /Type /Font /Subtype /TrueType /BaseFont /SomeSerif " + c.entries + flags + " >>", "",
        document);
    TPD8bitFont& simple = Simple(font);
    if (!font) continue;
    for (auto [code, width] : c.widths) EXPECT_NEAR(simple.GetCharWidth(code), width, 1e-9) << code;
    EXPECT_EQ(simple.IsFixedWidth(), c.fixedPitch);
  }
}

TEST(SimpleFont, DescriptorAndProgram) {
  const std::string program =
      "{{object 20 0}} << {{streamlen}} /Subtype /OpenType >>\nstream\nnot a font\nendstream\n"
      "endobj\n";
  struct Case {
    const char* label;
    std::string dict;
    TPDFontType type;
    TPDFFontEmbeddingType embedding;
    const char* embeddedName;
    bool bold, italic;
    double descent;
  };
  const Case cases[] = {
      {"subset TrueType",
       "<< /Subtype /TrueType /BaseFont /ABCDEF+Foo /FontDescriptor << /FontFile2 20 0 R "
       "/Descent 200 >> >>",
       TrueType, etSubset, "", false, false, -0.2},
      {"five-letter tag is no subset",
       "<< /Subtype /TrueType /BaseFont /ABCDE+Foo /FontDescriptor << /FontFile2 20 0 R >> >>",
       TrueType, etFull, "", false, false, -0.35},
      {"OpenType wrapper",
       "<< /Subtype /TrueType /BaseFont /Foo /FontDescriptor << /FontFile3 20 "
       "0 R >> >>",
       TrueTypeOT, etFull, "", false, false, -0.35},
      {"direct program is not a reference",
       "<< /Subtype /Type1 /BaseFont /Foo /FontDescriptor << /FontFile 5 >> >>", Type1, etNone, "",
       false, false, -0.35},
      {"non-embedded marks",
       "<< /Subtype /TrueType /BaseFont /X /FontDescriptor << /FontName /Arial,BoldItalic >> >>",
       TrueType, etNone, "Arial,BoldItalic", true, true, -0.35},
      {"system name",
       "<< /Subtype /Type1 /BaseFont /X /FontDescriptor << /FontName /Helvetica >> >>", Type1,
       etNone, "Arial", false, false, -0.35},
      {"flags mark bold and italic",
       "<< /Subtype /Type1 /BaseFont /X /FontDescriptor << /Flags 262208 >> >>", Type1, etNone, "",
       true, true, -0.35},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::unique_ptr<TPDDocument> document;
    auto font = MakeFontFromText(c.dict, program, document);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->FontType(), c.type);
    EXPECT_EQ(font->EmbeddingType(), c.embedding);
    EXPECT_EQ(font->EmbeddedFontName(), c.embeddedName);
    EXPECT_EQ(font->IsBold(), c.bold);
    EXPECT_EQ(font->IsItalic(), c.italic);
    EXPECT_NEAR(font->Descent(), c.descent, 1e-9);
    const std::string* bytes = font->GetEmbeddedFontProgram();
    EXPECT_EQ(bytes != nullptr, font->HasFontProgramRef());
    if (!bytes) continue;
    EXPECT_EQ(*bytes, "not a font");
    EXPECT_EQ(font->GetEmbeddedFontProgram(), bytes);  // decoded once, kept
    auto processor = font->GetFontProcessor();
    ASSERT_TRUE(processor);
    EXPECT_FALSE(processor->IsOpen());
    EXPECT_EQ(font->GetFontProcessor(), processor);
  }
}

TEST(SimpleFont, MissingOrUnusableDictionaries) {
  std::unique_ptr<TPDDocument> document;
  EXPECT_FALSE(MakeFontFromText("<< /Type /Font /BaseFont /Helvetica >>", "", document));
  EXPECT_FALSE(MakeFontFromText("[1 2 3]", "", document));
  EXPECT_FALSE(TPDFont::MakeFont({}, "F1", nullptr));
  auto odd = MakeFontFromText("<< /Subtype /Weird /FontDescriptor 7 /Widths 3 /Encoding [1] >>", "",
                              document);
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->FontType(), UnknowType);
  TPDCharInfo info;
  EXPECT_EQ(odd->GetNextChar("", 1, info), 0);
  EXPECT_EQ(odd->GetNextChar("a", 2, info), 0);
}

TEST(Type3Font, MatrixWidthsAndProcedures) {
  std::unique_ptr<TPDDocument> document;
  auto font = MakeFontFromText(
      "<< /Subtype /Type3 /BaseFont /Helvetica /FontMatrix [0.01 0 0 0.01 0 0] /FontBBox [0 0 "
      "100 100] /FirstChar 65 /LastChar 66 /Widths [50 75] /Encoding << /Differences [65 /a /b] "
      ">> /CharProcs << /a 20 0 R /b 20 0 R >> /Resources << >> >>",
      "{{object 20 0}} << {{streamlen}} >>\nstream\n50 0 d0\nendstream\nendobj\n", document);
  TPD8bitFont& type3 = Simple(font);
  ASSERT_TRUE(font);
  ASSERT_TRUE(type3.FontMatrix());
  EXPECT_DOUBLE_EQ(type3.FontMatrix()->M11, 0.01);
  EXPECT_NEAR(type3.GetCharWidth(65), 0.5, 1e-9);
  EXPECT_NEAR(type3.GetCharWidth(66), 0.75, 1e-9);
  EXPECT_EQ(type3.GlyphNameAt(66), "b");
  ASSERT_TRUE(type3.CharProcs());
  EXPECT_TRUE(type3.CharProcs()->LookUp("a")->IsStream());
  EXPECT_TRUE(type3.Resources());
}

// Identity-H composite fonts: two-byte codes, W and DW, CIDToGIDMap, ToUnicode.
TEST(CompositeFont, WidthsGlyphsAndUnicode) {
  auto dict = [](const std::string& descendantExtra, const std::string& extra = "") {
    return "<< /Subtype /Type0 /BaseFont /Foo /Encoding /Identity-H /DescendantFonts [<< "
           "/Subtype /CIDFontType2 /BaseFont /Foo /CIDSystemInfo << /Registry (Adobe) /Ordering "
           "<4964656E74697479> /Supplement 0 >> " +
           descendantExtra + " >>] " + extra + " >>";
  };
  const std::string map =
      "{{object 20 0}} << {{streamlen}} /Filter /ASCIIHexDecode "
      ">>\nstream\n0005000701>\nendstream\n"
      "endobj\n";
  const std::string toUnicode =
      "{{object 21 0}} << {{streamlen}} >>\nstream\n1 begincodespacerange <0000> <FFFF> "
      "endcodespacerange\n1 beginbfchar <0001> <0041> endbfchar\nendstream\nendobj\n";
  const std::string truncated =
      "{{object 22 0}} << {{streamlen}} >>\nstream\n1 beginbfrange <0000> <00\nendstream\n"
      "endobj\n";
  std::unique_ptr<TPDDocument> document;
  {
    SCOPED_TRACE("W exceptions");
    auto font = MakeFontFromText(dict("/W [1 [500 600] 10 20 300 15 30 900]"), "", document);
    TPDCIDFont& cid = Composite(font);
    ASSERT_TRUE(cid.CMap());
    EXPECT_EQ(cid.EncodingName(), "Identity-H");
    const std::pair<int, double> widths[] = {{1, 0.5},  {2, 0.6},  {3, 1.0},  {10, 0.3},
                                             {20, 0.3}, {21, 0.9}, {30, 0.9}, {31, 1.0}};
    for (auto [c, w] : widths) EXPECT_NEAR(cid.GetCharWidth(c), w, 1e-9) << c;
    TPDCharInfo info;
    const std::string text("\x00\x01\x00\x0A", 4);
    ASSERT_EQ(cid.GetNextChar(text, 1, info), 1);
    EXPECT_EQ(info.Processed, 2);
    EXPECT_EQ(info.Code, 1);
    EXPECT_NEAR(info.Dx, 0.5, 1e-9);
    ASSERT_EQ(cid.GetNextChar(text, 3, info), 1);
    EXPECT_EQ(info.Code, 10);
  }
  {
    SCOPED_TRACE("DW, reversed, huge and wrapping ranges");
    auto font = MakeFontFromText(
        dict("/DW 700 /W [60000 5 800 0 65535 250 65535 [100 200] 5 [/x 400]]"), "", document);
    TPDCIDFont& cid = Composite(font);
    EXPECT_NEAR(cid.GetCharWidth(0), 0.25, 1e-9);
    EXPECT_NEAR(cid.GetCharWidth(65535), 0.25, 1e-9);
    EXPECT_NEAR(cid.CIDWidths().DefWidth, 0.7, 1e-9);
  }
  {
    SCOPED_TRACE("CIDToGIDMap with an odd final byte");
    auto font = MakeFontFromText(dict("/CIDToGIDMap 20 0 R"), map, document);
    TPDCIDFont& cid = Composite(font);
    EXPECT_EQ(cid.GetCIDToGID(), (std::vector<uint16_t>{5, 7}));
    TPDCharInfo info;
    const std::string text("\x00\x00\x00\x01\x00\x02", 6);
    const uint16_t glyphs[] = {5, 7, 0};  // a CID beyond the map is the missing glyph
    for (size_t i = 0; i < 3; ++i) {
      ASSERT_EQ(cid.GetNextChar(text, 1 + 2 * i, info), 1);
      EXPECT_EQ(info.Code, glyphs[i]);
    }
  }
  {
    SCOPED_TRACE("ToUnicode of a non-embedded font");
    auto font = MakeFontFromText(dict("", "/ToUnicode 21 0 R"), toUnicode, document);
    TPDCIDFont& cid = Composite(font);
    ASSERT_TRUE(cid.GetToUnicode());
    TPDCharInfo info;
    ASSERT_EQ(cid.GetNextChar(std::string("\x00\x01", 2), 1, info), 1);
    EXPECT_EQ(info.Code, 0x41);
  }
  {
    SCOPED_TRACE("truncated ToUnicode");
    auto font = MakeFontFromText(dict("", "/ToUnicode 22 0 R"), truncated, document);
    TPDCIDFont& cid = Composite(font);
    EXPECT_TRUE(cid.CMap());
  }
}

// Identity-V: DW2 and W2 give each CID its vertical displacement and the
// position vector; malformed entries are passed over.
TEST(CompositeFont, VerticalMetrics) {
  struct Case {
    const char* name;
    const char* descendantExtra;
    uint16_t cid;
    double w1y, vx, vy;
  };
  const Case cases[] = {
      {"defaults: one em down, half the width across", "/W [1 [600]]", 1, -1.0, 0.3, 0.88},
      {"DW2", "/DW2 [900 -1100]", 2, -1.1, 0.5, 0.9},
      {"W2 list form", "/W2 [3 [-500 100 800 -600 150 700]]", 4, -0.6, 0.15, 0.7},
      {"W2 range form", "/W2 [3 9 -700 200 800]", 9, -0.7, 0.2, 0.8},
      {"the first W2 entry wins", "/W2 [5 5 -300 0 100 5 [-900 0 0]]", 5, -0.3, 0, 0.1},
      {"reversed, huge and non-numeric entries", "/W2 [9 3 -1 1 1 0 99999 -200 0 0 1 [/x]]", 7,
       -0.2, 0, 0},
      {"a short DW2 is ignored", "/DW2 [500]", 2, -1.0, 0.5, 0.88},
  };
  std::unique_ptr<TPDDocument> document;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto font = MakeFontFromText(
        std::string("<< /Subtype /Type0 /BaseFont /Foo /Encoding /Identity-V /DescendantFonts [<< "
                    "/Subtype /CIDFontType2 /BaseFont /Foo /CIDSystemInfo << /Registry (Adobe) "
                    "/Ordering (Identity) /Supplement 0 >> ") +
            c.descendantExtra + " >>] >>",
        "", document);
    TPDCIDFont& cid = Composite(font);
    ASSERT_EQ(cid.WritingMode(), wmVertical);
    TPDCharInfo info;
    const std::string code{static_cast<char>(c.cid >> 8), static_cast<char>(c.cid & 0xFF)};
    ASSERT_EQ(cid.GetNextChar(code, 1, info), 1);
    EXPECT_NEAR(info.Dx, 0, 1e-9);
    EXPECT_NEAR(info.Dy, c.w1y, 1e-9);
    EXPECT_NEAR(info.Ox, -c.vx, 1e-9);
    EXPECT_NEAR(info.Oy, -c.vy, 1e-9);
  }
}

TEST(CompositeFont, OddLengthHexString) {
  // <00010>: the final digit counts as followed by 0, giving bytes 00 01 00.
  auto document = LoadFontDocument(
      "{{object 10 0}} << /Subtype /Type0 /Encoding /Identity-H /DescendantFonts [<< /Subtype "
      "/CIDFontType0 /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> "
      "/W [0 [250]] >>] >> endobj\n{{object 11 0}} <00010> endobj\n");
  auto font = MakeFontFromObject(*document, 10);
  TPDCIDFont& cid = Composite(font);
  const TPDBaseObject* string = document->GetBaseDoc()->GetObject(11);
  ASSERT_TRUE(string && string->IsString());
  const std::string text = static_cast<const TPDString*>(string)->GetBytes();
  ASSERT_EQ(text.size(), 3u);
  TPDCharInfo info;
  ASSERT_EQ(cid.GetNextChar(text, 1, info), 1);
  EXPECT_EQ(info.Code, 1);
  ASSERT_EQ(cid.GetNextChar(text, 3, info), 1);
  EXPECT_EQ(info.Processed, 1);  // never past the end of the text
  EXPECT_EQ(info.Code, 0);
  EXPECT_NEAR(info.Dx, 0.25, 1e-9);
}

TEST(CompositeFont, WithoutCMapReadsNothing) {
  const char* dicts[] = {
      "<< /Subtype /Type0 /Encoding /Identity-H >>",
      "<< /Subtype /Type0 /Encoding /Identity-H /DescendantFonts [<< /Subtype /CIDFontType2 >>] "
      ">>",
      "<< /Subtype /Type0 /Encoding /NoSuchCMap /DescendantFonts [<< /Subtype /CIDFontType2 "
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 2 >> >>] >>",
      "<< /Subtype /Type0 /Encoding 5 /DescendantFonts [<< /Subtype /CIDFontType2 "
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 2 >> >>] >>",
  };
  for (const char* dict : dicts) {
    SCOPED_TRACE(dict);
    std::unique_ptr<TPDDocument> document;
    auto font = MakeFontFromText(dict, "", document);
    TPDCIDFont& cid = Composite(font);
    EXPECT_FALSE(cid.CMap());
    TPDCharInfo info;
    EXPECT_EQ(cid.GetNextChar("abcd", 2, info), 0);
    EXPECT_EQ(info.Processed, 3);
    EXPECT_EQ(info.Dx, 0);
    EXPECT_EQ(cid.GetCharWidth(1), 0);
  }
}

TEST(FontCache, OneFontPerDictionary) {
  auto document = LoadFontDocument(
      "{{object 10 0}} << /Subtype /Type1 /BaseFont /Helvetica >> endobj\n"
      "{{object 11 0}} << /Font << /F1 10 0 R /F2 << /Subtype /Type1 /BaseFont /Courier >> "
      "/Bad << /BaseFont /X >> >> >> endobj\n"
      "{{object 12 0}} << /Font << /G7 10 0 R >> >> endobj\n");
  TPDDocFontCache cache(testing::FontContext(*document));
  auto* base = document->GetBaseDoc();
  TPDResourceFonts first(static_cast<TPDDictionary*>(base->GetObject(11)), cache);
  TPDResourceFonts second(static_cast<TPDDictionary*>(base->GetObject(12)), cache);
  TPDFont* f1 = first.FindFont("F1");
  ASSERT_TRUE(f1);
  EXPECT_EQ(first.Fonts().size(), 2u);
  EXPECT_EQ(first.FindFont("F2")->Name(), "CourierNew");
  EXPECT_EQ(first.FindFont("Bad"), nullptr);
  EXPECT_EQ(first.FindFont("F3"), nullptr);
  EXPECT_EQ(second.FindFont("G7"), f1);
  EXPECT_EQ(cache.Size(), 3u);
  TPDResourceFonts none(nullptr, cache);
  EXPECT_EQ(none.FindFont("F1"), nullptr);
}

}  // namespace
}  // namespace qp::pdf
