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
  // TrueType and the rest: a non-symbolic font with an encoding names its
  // glyphs; find them through the Unicode map or the program's glyph names.
  const std::string_view name = NameOf(font, charName, rawCode);
  if (!name.empty() && !font.IsSymbolic()) {
    const uint32_t unicode = GlyphNameToUnicode(name, false);
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
    if (const uint32_t fromName = GlyphNameToUnicode(name, false)) unicode = fromName;
  }
  return Select(processor, TGlyphSelection::gsUnicode, unicode, {}, glyphIndex) ||
         Select(processor, TGlyphSelection::gsCharCode, code, {}, glyphIndex) ||
         Select(processor, TGlyphSelection::gsCharCode, (code + 0xF000u) & 0xFFFFu, {}, glyphIndex);
}

}  // namespace

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
  const std::string_view name =
      WithoutSubsetTag(font.EmbeddedFontName().empty() ? font.Name() : font.EmbeddedFontName());
  std::optional<TSystemFontFace> installed =
      list.ResolveFontName(name, font.IsBold(), font.IsItalic());
  if (!installed && name != font.Name()) {
    installed = list.ResolveFontName(font.Name(), font.IsBold(), font.IsItalic());
  }
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
