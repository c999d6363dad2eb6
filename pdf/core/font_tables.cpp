#include "pdf/core/font_tables.h"

#include <algorithm>

#include "pdf/core/font_tables_data.h"

namespace qp::pdf {

namespace {

using font_data::GlyphUnicode;

// The tables are sorted bytewise, which is std::string_view's own order.
uint32_t FindGlyph(std::span<const GlyphUnicode> list, std::string_view name) {
  auto it = std::lower_bound(list.begin(), list.end(), name,
                             [](const GlyphUnicode& e, std::string_view n) { return e.name < n; });
  return it != list.end() && it->name == name ? it->unicode : 0;
}

}  // namespace

const TEncodingArray* FindEncoding(std::string_view name) {
  if (name == "StandardEncoding") return &kStandardEncoding;
  if (name == "WinAnsiEncoding") return &kWinAnsiEncoding;
  if (name == "MacRomanEncoding") return &kMacRomanEncoding;
  if (name == "MacExpertEncoding") return &kMacExpertEncoding;
  return nullptr;
}

uint32_t GlyphNameToUnicode(std::string_view name, bool zapfDingbats) {
  if (name.empty()) return 0;
  uint32_t unicode = FindGlyph(font_data::kAdobeGlyphList, name);
  if (unicode == 0 && zapfDingbats) unicode = FindGlyph(font_data::kZapfDingbatsGlyphList, name);
  return unicode;
}

size_t AdobeGlyphListSize() {
  return font_data::kAdobeGlyphList.size();
}

size_t ZapfDingbatsGlyphListSize() {
  return font_data::kZapfDingbatsGlyphList.size();
}

uint8_t UnicodeToSymbolCode(uint32_t unicode) {
  const auto& table = font_data::kUnicodeToSymbol;
  auto it = std::lower_bound(
      table.begin(), table.end(), unicode,
      [](const font_data::UnicodeSymbolCode& e, uint32_t u) { return e.unicode < u; });
  return it != table.end() && it->unicode == unicode ? it->code : 0;
}

int BuiltInFontMetrics::GetWidth(std::string_view glyphName) const {
  if (glyphName.empty()) return -1;
  auto it = std::lower_bound(glyphNames.begin(), glyphNames.end(), glyphName);
  if (it == glyphNames.end() || *it != glyphName) return -1;
  return widths[static_cast<size_t>(it - glyphNames.begin())];
}

std::span<const BuiltInFontMetrics> BuiltInFonts() {
  return font_data::kBuiltInFonts;
}

const BuiltInFontMetrics* FindBuiltInFont(std::string_view name) {
  const auto& fonts = font_data::kBuiltInFonts;
  auto it =
      std::lower_bound(fonts.begin(), fonts.end(), name,
                       [](const BuiltInFontMetrics& f, std::string_view n) { return f.name < n; });
  return it != fonts.end() && it->name == name ? &*it : nullptr;
}

}  // namespace qp::pdf
