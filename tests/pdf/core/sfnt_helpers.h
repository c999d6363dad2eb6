#pragma once
// A minimal reader of TrueType tables, independent of FreeType, so that tests
// can check the processor's glyphs against what the font file itself says.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

namespace qp::pdf::test {

inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream whole;
  whole << in.rdbuf();
  return std::move(whole).str();
}

class SfntTables {
 public:
  explicit SfntTables(std::string bytes) : bytes_(std::move(bytes)) {}

  std::string_view Table(std::string_view tag) const {
    const uint32_t count = U16(4);
    for (uint32_t i = 0; i < count; ++i) {
      const size_t entry = 12 + 16 * i;
      if (entry + 16 > bytes_.size()) break;
      if (std::string_view(bytes_).substr(entry, 4) == tag) {
        const uint32_t offset = U32(entry + 8), length = U32(entry + 12);
        if (offset > bytes_.size() || length > bytes_.size() - offset) return {};
        return std::string_view(bytes_).substr(offset, length);
      }
    }
    return {};
  }

  uint32_t UnitsPerEm() const { return U16(Table("head"), 18); }

  uint32_t AdvanceWidth(uint32_t glyph) const {
    const uint32_t metrics = U16(Table("hhea"), 34);
    const std::string_view hmtx = Table("hmtx");
    return U16(hmtx, 4 * (glyph < metrics ? glyph : metrics - 1));
  }

  struct GlyphHeader {
    int contours;
    int xMin, yMin, xMax, yMax;
  };
  // The header of a glyph's glyf entry; nothing for an empty glyph.
  std::optional<GlyphHeader> Glyph(uint32_t glyph) const {
    const bool longOffsets = U16(Table("head"), 50) != 0;
    const std::string_view loca = Table("loca");
    const size_t start = longOffsets ? U32(loca, 4 * glyph) : 2 * size_t{U16(loca, 2 * glyph)};
    const size_t end =
        longOffsets ? U32(loca, 4 * (glyph + 1)) : 2 * size_t{U16(loca, 2 * (glyph + 1))};
    if (end <= start) return std::nullopt;
    const std::string_view glyf = Table("glyf").substr(start);
    return GlyphHeader{S16(glyf, 0), S16(glyf, 2), S16(glyf, 4), S16(glyf, 6), S16(glyf, 8)};
  }

 private:
  static uint32_t U16(std::string_view s, size_t at) {
    if (at + 2 > s.size()) return 0;
    return uint32_t{static_cast<uint8_t>(s[at])} << 8 | static_cast<uint8_t>(s[at + 1]);
  }
  static int S16(std::string_view s, size_t at) { return static_cast<int16_t>(U16(s, at)); }
  static uint32_t U32(std::string_view s, size_t at) { return U16(s, at) << 16 | U16(s, at + 2); }
  uint32_t U16(size_t at) const { return U16(bytes_, at); }
  uint32_t U32(size_t at) const { return U32(bytes_, at); }

  std::string bytes_;
};

}  // namespace qp::pdf::test
