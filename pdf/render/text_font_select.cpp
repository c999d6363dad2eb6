#include "pdf/render/text_font_select.h"

#include "pdf/core/font_tables.h"
#include "pdf/render/system_face_cache.h"
#include "pdf/render/system_font_list.h"

namespace qp::pdf {

namespace {

bool Select(TFontProcessor& processor, TGlyphSelection mode, uint32_t code, std::string_view name,
            uint32_t& glyphIndex) {
  return processor.SelectGlyph(mode, code, name, glyphIndex) == kFpSuccess;
}

bool IsType1Family(TPDFontType type) {
  return type == Type1 || type == Type1C || type == Type1COT;
}

// The glyph name a simple font's encoding gives the byte, else `charName`.
std::string_view NameOf(const TPDFont& font, std::string_view charName, uint32_t rawCode) {
  if (!charName.empty() || font.IsCIDFont() || rawCode > 0xFF) return charName;
  return static_cast<const TPD8bitFont&>(font).GlyphNameAt(static_cast<uint8_t>(rawCode));
}

// The Mac OS Roman code of a glyph name, -1 when that encoding lacks it.
int MacRomanCodeOf(std::string_view name) {
  for (int code = 0; code < 256; ++code) {
    if (kMacRomanEncoding[static_cast<size_t>(code)] == name) return code;
  }
  return -1;
}

// Platform and encoding identifiers of the cmap subtables that matter.
constexpr uint16_t kMac = 1, kWindows = 3;
constexpr uint16_t kMacRoman = 0, kWinSymbol = 0, kWinUnicode = 1, kWinUcs4 = 10;

uint32_t UnicodeGlyph(TFontProcessor& processor, uint32_t unicode) {
  if (const uint32_t g = processor.CharmapGlyph(kWindows, kWinUnicode, unicode)) return g;
  if (const uint32_t g = processor.CharmapGlyph(kWindows, kWinUcs4, unicode)) return g;
  for (uint16_t encoding = 0; encoding <= 6; ++encoding) {  // the Unicode platform
    if (const uint32_t g = processor.CharmapGlyph(0, encoding, unicode)) return g;
  }
  return 0;
}

// A simple TrueType font's glyph for the byte `code`, in the order that
// glyph selection for TrueType fonts prescribes, widened by what real files
// need: a non-symbolic font goes from the encoding's glyph name to Unicode
// and the (3,1) subtable, or to Mac OS Roman and the (1,0) subtable, or to
// the glyph names of the post table; a symbolic font (and a non-symbolic one
// whose names found nothing) takes the code in the (3,0) subtable, also in
// its private-use rows F000, F100 and F200, then in the (1,0) subtable. A
// font without any cmap takes the code as glyph index. When nothing maps
// the code, glyph 0 is drawn, as the font program defines it.
uint32_t FindTrueTypeGlyph(TFontProcessor& processor, const TPD8bitFont& font, uint8_t code) {
  const std::string_view name = font.GlyphNameAt(code);
  auto byName = [&]() -> uint32_t {
    if (name.empty()) return 0;
    if (const uint32_t unicode = UnicodeOfName(name)) {
      if (const uint32_t g = UnicodeGlyph(processor, unicode)) return g;
    }
    if (const int mac = MacRomanCodeOf(name); mac >= 0) {
      if (const uint32_t g = processor.CharmapGlyph(kMac, kMacRoman, static_cast<uint32_t>(mac))) {
        return g;
      }
    }
    uint32_t g = 0;
    return processor.HasGlyphNames() && Select(processor, TGlyphSelection::gsGlyphName, 0, name, g)
               ? g
               : 0;
  };
  // A symbolic font is read by its codes; its encoding's names serve only
  // when it has no code subtable, or when the codes find nothing.
  const bool codeTables =
      processor.HasCharmap(kWindows, kWinSymbol) || processor.HasCharmap(kMac, kMacRoman);
  const bool namesFirst = !font.IsSymbolic() || (font.HasEncoding() && !codeTables);
  if (namesFirst) {
    if (const uint32_t g = byName()) return g;
  }
  for (const uint32_t row : {0u, 0xF000u, 0xF100u, 0xF200u}) {
    if (const uint32_t g = processor.CharmapGlyph(kWindows, kWinSymbol, row + code)) return g;
  }
  if (const uint32_t g = processor.CharmapGlyph(kMac, kMacRoman, code)) return g;
  // Lying flags and odd tables: the code in whatever subtables there are.
  uint32_t g = 0;
  if (Select(processor, TGlyphSelection::gsCharCode, code, {}, g) ||
      Select(processor, TGlyphSelection::gsCharCode, 0xF000u + code, {}, g)) {
    return g;
  }
  if (!namesFirst && font.HasEncoding()) {
    if (const uint32_t byNameGlyph = byName()) return byNameGlyph;
  }
  if (processor.CharmapCount() == 0 && code < processor.GlyphCount()) return code;
  return 0;
}

bool FindEmbeddedGlyph(TFontProcessor& processor, const TPDFont& font, uint16_t code,
                       std::string_view charName, uint32_t rawCode, uint32_t& glyphIndex) {
  if (font.IsCIDFont())
    return Select(processor, TGlyphSelection::gsGlyphIndex, code, {}, glyphIndex);
  if (IsType1Family(font.FontType())) {
    if (!charName.empty() &&
        Select(processor, TGlyphSelection::gsGlyphName, 0, charName, glyphIndex)) {
      return true;
    }
    // The program's own encoding (FreeType's custom charmap) by the byte.
    return Select(processor, TGlyphSelection::gsCharCode, rawCode, {}, glyphIndex) ||
           Select(processor, TGlyphSelection::gsCharCode, code, {}, glyphIndex);
  }
  if (processor.FormatName() == "TrueType" && rawCode <= 0xFF) {
    glyphIndex = FindTrueTypeGlyph(processor, static_cast<const TPD8bitFont&>(font),
                                   static_cast<uint8_t>(rawCode));
    return true;
  }
  // Other programs: a non-symbolic font with an encoding names its glyphs;
  // find them through the Unicode map or the program's glyph names.
  const std::string_view name = NameOf(font, charName, rawCode);
  if (!name.empty() && !font.IsSymbolic()) {
    const uint32_t unicode = UnicodeOfName(name);
    if (unicode != 0 &&
        processor.SelectGlyph(TGlyphSelection::gsUnicode, unicode, {}, glyphIndex) == kFpSuccess) {
      return true;
    }
    if (Select(processor, TGlyphSelection::gsGlyphName, 0, name, glyphIndex)) return true;
  }
  // The code in the program's maps, then in the symbol range of a (3,0) map.
  return Select(processor, TGlyphSelection::gsCharCode, code, {}, glyphIndex) ||
         Select(processor, TGlyphSelection::gsCharCode, (code + 0xF000u) & 0xFFFFu, {}, glyphIndex);
}

bool FindInstalledGlyph(TFontProcessor& processor, const TPDFont& font, uint16_t code,
                        std::string_view charName, uint32_t rawCode, uint32_t& glyphIndex) {
  const std::string_view name = NameOf(font, charName, rawCode);
  // Symbol and dingbat fonts are found by glyph name; text fonts by Unicode.
  if (!name.empty() && processor.HasGlyphNames() &&
      Select(processor, TGlyphSelection::gsGlyphName, 0, name, glyphIndex)) {
    return true;
  }
  uint32_t unicode = code;
  if (!name.empty()) {
    if (const uint32_t fromName = UnicodeOfName(name)) unicode = fromName;
  }
  return Select(processor, TGlyphSelection::gsUnicode, unicode, {}, glyphIndex) ||
         Select(processor, TGlyphSelection::gsCharCode, code, {}, glyphIndex) ||
         Select(processor, TGlyphSelection::gsCharCode, (code + 0xF000u) & 0xFFFFu, {}, glyphIndex);
}

// A simple text font with a descriptor takes the installed font of the kind
// its flags say (fixed pitch, serif, else sans serif; bold, italic), with the
// metrics of the standard fonts. Symbolic and composite fonts, and fonts
// that say nothing, take the wide-coverage fallback.
std::optional<TSystemFontFace> ByFlags(const TSystemFontList& list, const TPDFont& font) {
  if (font.IsCIDFont() || font.IsSymbolic() || !font.FontDict() ||
      !font.FontDict()->LookUp("FontDescriptor")) {
    return std::nullopt;
  }
  const char* family = font.IsFixedWidth() ? "CourierNew"
                       : font.IsSerif()    ? "TimesNewRoman"
                                           : "Arial";
  return list.FindFace(family, font.IsBold(), font.IsItalic());
}

bool IsCJKCollection(std::string_view collection) {
  for (const std::string_view ordering :
       {"-Japan1", "-Japan2", "-GB1", "-CNS1", "-Korea1", "-KR"}) {
    if (collection.ends_with(ordering)) return true;
  }
  return false;
}

}  // namespace

// The Unicode value a glyph name stands for: the glyph lists, then the
// uniXXXX and uXXXX[XX] forms that producers give glyphs the lists lack.
uint32_t UnicodeOfName(std::string_view name) {
  if (const uint32_t listed = GlyphNameToUnicode(name, false)) return listed;
  auto hex = [](std::string_view digits) -> uint32_t {
    uint32_t value = 0;
    for (const char c : digits) {
      const int d = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                           : -1;
      if (d < 0) return 0;
      value = value << 4 | static_cast<uint32_t>(d);
    }
    return value <= 0x10FFFF ? value : 0;
  };
  if (name.size() == 7 && name.starts_with("uni")) return hex(name.substr(3));
  if (name.size() >= 5 && name.size() <= 7 && name[0] == 'u') return hex(name.substr(1));
  return 0;
}

std::string_view WithoutSubsetTag(std::string_view name) {
  if (name.size() > 7 && name[6] == '+') {
    for (size_t i = 0; i < 6; ++i) {
      if (name[i] < 'A' || name[i] > 'Z') return name;
    }
    return name.substr(7);
  }
  return name;
}

TTextFace SelectTextFace(TPDFont& font) {
  TTextFace face;
  if (std::shared_ptr<TFontProcessor> own = font.GetFontProcessor(); own && own->IsOpen()) {
    face.processor = std::move(own);
    face.embedded = true;
    return face;
  }
  const TSystemFontList& list = TSystemFontList::Instance();
  std::optional<TSystemFontFace> installed;
  if (!font.IsCIDFont()) {
    const std::string& standard = static_cast<const TPD8bitFont&>(font).StandardFontName();
    if (!standard.empty()) installed = list.StandardFontFace(standard);
  }
  const std::string_view name =
      WithoutSubsetTag(font.EmbeddedFontName().empty() ? font.Name() : font.EmbeddedFontName());
  // CIDs of a Chinese, Japanese or Korean collection: a font that has
  // their characters, whatever the name.
  if (!installed && font.IsCIDFont()) {
    const std::string& collection = static_cast<const TPDCIDFont&>(font).CharacterCollection();
    if (IsCJKCollection(collection)) installed = list.CJKFace();
  }
  if (!installed) installed = list.ResolveFontName(name, font.IsBold(), font.IsItalic());
  if (!installed && name != font.Name()) {
    installed = list.ResolveFontName(font.Name(), font.IsBold(), font.IsItalic());
  }
  if (!installed) installed = ByFlags(list, font);
  if (!installed) installed = list.Fallback(font.IsBold(), font.IsItalic());
  if (installed) {
    face.processor = OpenSystemFace(*installed);
    face.family = installed->family;
    face.style = installed->style;
    face.filePath = installed->filePath;
    face.faceIndex = installed->faceIndex;
  }
  return face;
}

bool FindGlyph(TFontProcessor& processor, const TPDFont& font, bool embedded, uint16_t code,
               std::string_view charName, uint32_t rawCode, uint32_t& glyphIndex) {
  glyphIndex = 0;
  if (!processor.IsOpen()) return false;
  return embedded ? FindEmbeddedGlyph(processor, font, code, charName, rawCode, glyphIndex)
                  : FindInstalledGlyph(processor, font, code, charName, rawCode, glyphIndex);
}

}  // namespace qp::pdf
