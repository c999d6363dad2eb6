#pragma once
// The generated tables behind font_tables.h. Only font_tables.cpp and the
// generated *_gen.cpp files include this header.

#include <cstdint>
#include <span>
#include <string_view>

#include "pdf/core/font_tables.h"

namespace qp::pdf::font_data {

struct GlyphUnicode {
  std::string_view name;
  uint32_t unicode;
};

struct UnicodeSymbolCode {
  uint32_t unicode;
  uint8_t code;
};

// Sorted bytewise by name.
extern const std::span<const GlyphUnicode> kAdobeGlyphList;
extern const std::span<const GlyphUnicode> kZapfDingbatsGlyphList;

// Sorted by Unicode value.
extern const std::span<const UnicodeSymbolCode> kUnicodeToSymbol;

// Sorted bytewise by font name.
extern const std::span<const BuiltInFontMetrics> kBuiltInFonts;

}  // namespace qp::pdf::font_data
