#include "pdf/render/system_font_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "pdf/core/font_processor.h"
#include "pdf/render/system_face_cache.h"

namespace qp::pdf {
namespace {

bool StandInFontsInstalled() {
  return std::filesystem::exists(
             "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf") &&
         std::filesystem::exists("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf") &&
         std::filesystem::exists("/usr/share/fonts/opentype/urw-base35/StandardSymbolsPS.otf");
}

#define SKIP_WITHOUT_STAND_IN_FONTS()                                                 \
  if (!StandInFontsInstalled())                                                       \
  GTEST_SKIP() << "the stand-in fonts are not installed (scripts/bootstrap installs " \
                  "fonts-liberation2, fonts-dejavu-core and fonts-urw-base35)"

TEST(CleanFontNameTest, RemovesSeparatorsVendorMarksAndStyles) {
  const struct {
    std::string_view name;
    std::string_view cleaned;
    bool bold, italic;
  } cases[] = {
      {"Arial,Bold", "Arial", true, false},
      {"Arial,BoldItalic", "Arial", true, true},
      {"ArialMT", "Arial", false, false},
      {"TimesNewRomanPSMT", "TimesNewRoman", false, false},
      {"TimesNewRomanPS-BoldItalicMT", "TimesNewRoman", true, true},
      {"CourierNewPS-ItalicMT", "CourierNew", false, true},
      {"Times New Roman,Italic", "TimesNewRoman", false, true},
      {"ARIALBOLD", "ARIAL", true, false},  // "Bold" in any case
      {"Foo+Bar-Baz", "FooBarBaz", false, false},
      {"ABCDEF+Arial-BoldMT", "Arial", true, false},  // subset tag dropped
      {"ABCDE+Arial", "ABCDEArial", false, false},    // not a subset tag
      {"MTPSMT", "MT", false, false},                 // first PS, then first MT
      {"", "", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TCleanedFontName cleaned = CleanFontName(c.name);
    EXPECT_EQ(cleaned.name, c.cleaned);
    EXPECT_EQ(cleaned.bold, c.bold);
    EXPECT_EQ(cleaned.italic, c.italic);
  }
}

TEST(SystemFontListTest, KeysAreFamilyNamesWithoutBlanksIgnoringCase) {
  SKIP_WITHOUT_STAND_IN_FONTS();
  const TSystemFontList& list = TSystemFontList::Instance();
  EXPECT_EQ(&list, &TSystemFontList::Instance());
  EXPECT_GE(list.Size(), 8u);
  const struct {
    std::string_view key;
    const char* family;  // nullptr: not in the list
  } cases[] = {
      {"TimesNewRoman", "Times New Roman"},
      {"timesnewroman", "Times New Roman"},
      {"ArialUnicodeMS", "Arial Unicode MS"},
      {"LiberationSerif", "Liberation Serif"},
      {"LIBERATIONSERIF", "Liberation Serif"},
      {"DejaVuSans", "DejaVu Sans"},
      {"StandardSymbolsPS", "Standard Symbols PS"},
      {"Times New Roman", nullptr},  // keys have no blanks
      {"NoSuchFamily", nullptr},
      {"", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    const std::string* family = list.FindFamily(c.key);
    if (!c.family) {
      EXPECT_EQ(family, nullptr);
    } else {
      ASSERT_NE(family, nullptr);
      EXPECT_EQ(*family, c.family);
    }
  }
}

TEST(SystemFontListTest, PdfFontNamesResolveToTheStandInFaces) {
  SKIP_WITHOUT_STAND_IN_FONTS();
  const TSystemFontList& list = TSystemFontList::Instance();
  const struct {
    std::string_view name;
    bool bold, italic;  // the PDF font's own marks
    const char* file;   // file name of the face; nullptr: not found
    bool faceBold, faceItalic;
  } cases[] = {
      {"Arial", false, false, "LiberationSans-Regular.ttf", false, false},
      {"arial", false, false, "LiberationSans-Regular.ttf", false, false},
      {"Arial", true, false, "LiberationSans-Bold.ttf", true, false},
      {"Arial,Bold", false, false, "LiberationSans-Bold.ttf", true, false},
      {"ArialBold", false, false, "LiberationSans-Bold.ttf", true, false},
      {"Arial,BoldItalic", false, false, "LiberationSans-BoldItalic.ttf", true, true},
      {"ArialItalic", false, false, "LiberationSans-Italic.ttf", false, true},
      {"Arial-BoldMT", false, false, "LiberationSans-Bold.ttf", true, false},
      {"TimesNewRoman", false, false, "LiberationSerif-Regular.ttf", false, false},
      {"TimesNewRoman,Italic", false, false, "LiberationSerif-Italic.ttf", false, true},
      {"TimesNewRomanPSMT", false, false, "LiberationSerif-Regular.ttf", false, false},
      {"TimesNewRomanPS-BoldItalicMT", false, false, "LiberationSerif-BoldItalic.ttf", true, true},
      {"TimesNewRomanBold", false, false, "LiberationSerif-Bold.ttf", true, false},
      {"CourierNew", false, false, "LiberationMono-Regular.ttf", false, false},
      {"CourierNew,Bold", false, false, "LiberationMono-Bold.ttf", true, false},
      {"CourierNewPS-ItalicMT", false, false, "LiberationMono-Italic.ttf", false, true},
      {"Symbol", false, false, "StandardSymbolsPS", false, false},
      {"ArialUnicodeMS", false, false, "DejaVuSans.ttf", false, false},
      {"ArialUnicodeMS", true, false, "DejaVuSans-Bold.ttf", true, false},
      {"LiberationSans", false, false, "LiberationSans-Regular.ttf", false, false},
      {"ABCDEF+Arial", false, false, "LiberationSans-Regular.ttf", false, false},
      {"NoSuchFont", false, false, nullptr, false, false},
      {"NoSuchFont,Bold", false, false, nullptr, false, false},
      {"", false, false, nullptr, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.bold ? " bold" : "") + (c.italic ? " italic" : ""));
    const auto face = list.ResolveFontName(c.name, c.bold, c.italic);
    if (!c.file) {
      EXPECT_FALSE(face.has_value()) << face->filePath;
      continue;
    }
    ASSERT_TRUE(face.has_value());
    const std::string file = std::filesystem::path(face->filePath).filename().string();
    EXPECT_EQ(file.rfind(c.file, 0), 0u) << file;
    EXPECT_EQ(face->bold, c.faceBold);
    EXPECT_EQ(face->italic, c.faceItalic);
    EXPECT_GE(face->faceIndex, 0);
  }
}

TEST(SystemFontListTest, FallbackIsTheWideCoverageFace) {
  SKIP_WITHOUT_STAND_IN_FONTS();
  const auto face = TSystemFontList::Instance().Fallback(false, false);
  ASSERT_TRUE(face.has_value());
  EXPECT_EQ(face->family, "DejaVu Sans");
  // It has what the Latin stand-ins lack: Greek, Cyrillic, arrows.
  TFontProcessor font;
  ASSERT_EQ(font.OpenFile(face->filePath, face->faceIndex), kFpSuccess);
  for (char32_t c : {U'\u03A9', U'\u0416', U'\u2192'}) {
    uint32_t glyph = 0;
    EXPECT_EQ(font.SelectGlyph(TGlyphSelection::gsUnicode, c, {}, glyph), kFpSuccess)
        << static_cast<uint32_t>(c);
  }
}

// Each stand-in draws the character by the code the PDF font gives it: the
// Symbol stand-in has its Greek letters at the Latin codes, as Symbol has.
TEST(SystemFontListTest, ResolvedFacesOpenAndDrawTheirCharacters) {
  SKIP_WITHOUT_STAND_IN_FONTS();
  const TSystemFontList& list = TSystemFontList::Instance();
  const struct {
    std::string_view name;
    char32_t code;
    std::string_view glyphName;
  } cases[] = {
      {"Arial", U'A', "A"},      {"TimesNewRoman", U'A', "A"},  {"CourierNew", U'A', "A"},
      {"Symbol", U'a', "alpha"}, {"ArialUnicodeMS", U'A', "A"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (int style = 0; style < 4; ++style) {
      const auto face = list.ResolveFontName(c.name, style & 1, style & 2);
      ASSERT_TRUE(face.has_value());
      TFontProcessor font;
      ASSERT_EQ(font.OpenFile(face->filePath, face->faceIndex), kFpSuccess) << face->filePath;
      uint32_t byCode = 0, byName = 0;
      ASSERT_EQ(font.SelectGlyph(TGlyphSelection::gsCharCode, c.code, {}, byCode), kFpSuccess);
      ASSERT_EQ(font.SelectGlyph(TGlyphSelection::gsGlyphName, 0, c.glyphName, byName), kFpSuccess);
      EXPECT_EQ(byCode, byName);
      TGlyphOutline outline;
      ASSERT_EQ(font.DecomposeOutlineGlyph(c.code, 0, TGlyphSelection::gsCharCode, {}, 50, outline),
                kFpSuccess);
      EXPECT_GE(outline.ContourCount(), 1u);
    }
  }
}

TEST(SystemFaceCacheTest, EachInstalledFaceOpensOncePerThread) {
  SKIP_WITHOUT_STAND_IN_FONTS();
  const TSystemFontList& list = TSystemFontList::Instance();
  const auto regular = list.ResolveFontName("Arial", false, false);
  const auto bold = list.ResolveFontName("Arial", true, false);
  ASSERT_TRUE(regular && bold);
  const auto first = OpenSystemFace(*regular);
  ASSERT_NE(first, nullptr);
  TGlyphOutline outline;
  ASSERT_EQ(first->DecomposeOutlineGlyph('A', 0, TGlyphSelection::gsCharCode, {}, 50, outline),
            kFpSuccess);
  // A later text block gets the same open face, with the glyph it loaded.
  const auto again = OpenSystemFace(*regular);
  EXPECT_EQ(again.get(), first.get());
  EXPECT_GE(again->CachedGlyphCount(), 1u);
  EXPECT_NE(OpenSystemFace(*bold).get(), first.get());

  TSystemFontFace missing = *regular;
  missing.filePath = "/nonexistent/face.ttf";
  EXPECT_EQ(OpenSystemFace(missing), nullptr);
}

}  // namespace
}  // namespace qp::pdf
