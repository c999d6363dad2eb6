#pragma once
// Which font program draws the glyphs of a PDF font, and which glyph of it
// each character is. Shared by every device that draws glyph outlines.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/core/font_processor.h"
#include "pdf/core/pdf_font.h"

namespace qp::pdf {

struct TTextFace {
  std::shared_ptr<TFontProcessor> processor;  // nullptr: nothing can be drawn
  bool embedded = false;                      // the PDF's own font program
  std::string family;                         // the installed family and style, when
  std::string style;                          // not embedded
  std::string filePath;                       // the installed file and face
  int faceIndex = 0;
};

// The font's own program when FreeType opens it; otherwise the installed
// font found by the font's name (subset tag removed) and style; otherwise
// the wide-coverage fallback.
TTextFace SelectTextFace(TPDFont& font);

// The PDF font name without a subset tag ("ABCDEF+Foo" gives "Foo").
std::string_view WithoutSubsetTag(std::string_view name);

// The Unicode value a glyph name stands for: the glyph lists, then the
// uniXXXX and uXXXX[XX] forms; 0 for none.
uint32_t UnicodeOfName(std::string_view name);

// The glyph index that shows one character read from a string: `code` and
// `charName` as the font read them, `rawCode` the string's bytes. False when
// the face has no glyph for it; an embedded simple TrueType font always
// answers, with its glyph 0 when nothing maps the code.
bool FindGlyph(TFontProcessor& processor, const TPDFont& font, bool embedded, uint16_t code,
               std::string_view charName, uint32_t rawCode, uint32_t& glyphIndex);

}  // namespace qp::pdf
