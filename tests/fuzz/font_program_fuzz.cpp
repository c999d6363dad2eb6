// Arbitrary bytes as a font program: open the face, select glyphs by index,
// code and name, decompose their outlines at two sizes and through the text
// form, and walk every record that comes back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pdf/core/font_processor.h"

namespace {

using namespace qp::pdf;

// Reads every record, so that a malformed list shows under the sanitizers.
double Walk(const TGlyphOutline& outline) {
  double sum = 0;
  size_t i = 0;
  while (i < outline.points.size()) {
    const int args = OutlineOpArgCount(static_cast<int>(outline.points[i]));
    if (args < 0 || i + 1 + args > outline.points.size()) __builtin_trap();
    for (int k = 1; k <= args; ++k) sum += outline.points[i + k];
    i += 1 + args;
  }
  return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFontProcessor font;
  if (font.Open(std::string(reinterpret_cast<const char*>(data), size)) != kFpSuccess) return 0;
  volatile double sink = 0;
  TGlyphOutline outline;
  const uint32_t glyphs = font.GlyphCount();
  for (uint32_t glyph = 0; glyph < 12 && glyph <= glyphs; ++glyph) {
    if (font.DecomposeOutlineGlyph(0, glyph, TGlyphSelection::gsGlyphIndex, {}, 50, outline) ==
        kFpSuccess) {
      sink = sink + Walk(outline);
    }
  }
  if (glyphs > 12) {
    std::shared_ptr<const TGlyphOutline> last;
    if (font.GetGlyphOutline(glyphs - 1, last) == kFpSuccess) sink = sink + Walk(*last);
  }
  for (uint32_t code : {0x20u, 0x41u, 0x61u, 0xF041u, 0x3B1u}) {
    for (auto mode : {TGlyphSelection::gsCharCode, TGlyphSelection::gsUnicode}) {
      if (font.DecomposeOutlineGlyph(code, 0, mode, {}, 1000, outline) == kFpSuccess) {
        sink = sink + Walk(outline);
      }
    }
  }
  for (const char* name : {".notdef", "A", "space", "alpha"}) {
    if (font.DecomposeOutlineGlyph(0, 0, TGlyphSelection::gsGlyphName, name, 12, outline) ==
        kFpSuccess) {
      sink = sink + Walk(outline);
    }
  }
  double x = 0, y = 0;
  font.DecomposeOutlineGlyph(
      u"AB", 50, TGlyphSelection::gsCharCode,
      [&](const TGlyphOutline& moved) { sink = sink + Walk(moved); }, x, y);
  return 0;
}
