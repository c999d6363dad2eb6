#pragma once
// A small TrueType font written from scratch, for tests of glyph selection:
// 1000 units per em, every glyph one rectangle, and exactly the cmap
// subtables and glyph names a test asks for.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qp::pdf::test {

struct SfntGlyphBox {
  int16_t xMin, yMin, xMax, yMax;
};

struct SfntSubtable {
  uint16_t platform;
  uint16_t encoding;
  std::map<uint32_t, uint16_t> codes;  // code -> glyph index
};

struct SfntFontSpec {
  std::vector<SfntGlyphBox> glyphs;  // glyph 0 first
  std::vector<SfntSubtable> cmaps;   // none: no cmap table
  std::vector<std::string> names;    // post table glyph names; none: post format 3
};

namespace sfnt_detail {

inline void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v >> 8 & 0xFF);
  out += static_cast<char>(v & 0xFF);
}
inline void Put32(std::string& out, uint32_t v) {
  Put16(out, v >> 16);
  Put16(out, v & 0xFFFF);
}

// Format 0 for the Macintosh platform, format 4 (one segment per code) else.
inline std::string Subtable(const SfntSubtable& table) {
  std::string out;
  if (table.platform == 1) {
    Put16(out, 0);
    Put16(out, 262);
    Put16(out, 0);
    for (uint32_t code = 0; code < 256; ++code) {
      const auto it = table.codes.find(code);
      out += static_cast<char>(it == table.codes.end() ? 0 : it->second);
    }
    return out;
  }
  std::vector<std::pair<uint32_t, uint16_t>> segments(table.codes.begin(), table.codes.end());
  segments.emplace_back(0xFFFF, 0);
  const uint32_t count = static_cast<uint32_t>(segments.size());
  Put16(out, 4);
  Put16(out, 16 + 8 * count);
  Put16(out, 0);
  Put16(out, 2 * count);
  uint32_t power = 1, log = 0;
  while (power * 2 <= count) power *= 2, ++log;
  Put16(out, 2 * power);
  Put16(out, log);
  Put16(out, 2 * count - 2 * power);
  for (const auto& s : segments) Put16(out, s.first);
  Put16(out, 0);
  for (const auto& s : segments) Put16(out, s.first);
  for (const auto& s : segments) Put16(out, s.first == 0xFFFF ? 1 : (s.second - s.first) & 0xFFFF);
  for (size_t i = 0; i < segments.size(); ++i) Put16(out, 0);
  return out;
}

}  // namespace sfnt_detail

inline std::string BuildSfntFont(const SfntFontSpec& layout) {
  using sfnt_detail::Put16;
  using sfnt_detail::Put32;
  const uint32_t count = static_cast<uint32_t>(layout.glyphs.size());
  std::map<std::string, std::string> tables;

  std::string& head = tables["head"];
  Put32(head, 0x00010000);
  Put32(head, 0x00010000);
  Put32(head, 0);
  Put32(head, 0x5F0F3CF5);
  Put16(head, 0);
  Put16(head, 1000);
  head.append(16, '\0');  // created, modified
  Put16(head, 0);
  Put16(head, 0);
  Put16(head, 1000);
  Put16(head, 1000);
  Put16(head, 0);
  Put16(head, 8);
  Put16(head, 2);
  Put16(head, 1);  // long loca offsets
  Put16(head, 0);

  std::string& hhea = tables["hhea"];
  Put32(hhea, 0x00010000);
  Put16(hhea, 800);
  Put16(hhea, static_cast<uint16_t>(-200));
  Put16(hhea, 0);
  Put16(hhea, 1000);
  hhea.append(6, '\0');
  Put16(hhea, 1);
  hhea.append(14, '\0');
  Put16(hhea, count);

  std::string& maxp = tables["maxp"];
  Put32(maxp, 0x00010000);
  Put16(maxp, count);
  Put16(maxp, 4);
  Put16(maxp, 1);
  Put16(maxp, 0);
  Put16(maxp, 0);
  Put16(maxp, 2);
  maxp.append(16, '\0');

  std::string& hmtx = tables["hmtx"];
  std::string& glyf = tables["glyf"];
  std::string& loca = tables["loca"];
  for (const SfntGlyphBox& box : layout.glyphs) {
    Put16(hmtx, 1000);
    Put16(hmtx, static_cast<uint16_t>(box.xMin));
    Put32(loca, static_cast<uint32_t>(glyf.size()));
    if (box.xMax <= box.xMin) continue;  // an empty glyph
    Put16(glyf, 1);
    for (int16_t v : {box.xMin, box.yMin, box.xMax, box.yMax})
      Put16(glyf, static_cast<uint16_t>(v));
    Put16(glyf, 3);  // the last point of the only contour
    Put16(glyf, 0);  // no instructions
    glyf.append(4, '\x01');
    // Counter-clockwise is a hole in TrueType: go round clockwise.
    const int16_t xs[] = {box.xMin, box.xMin, box.xMax, box.xMax};
    const int16_t ys[] = {box.yMin, box.yMax, box.yMax, box.yMin};
    int16_t x = 0, y = 0;
    for (int16_t v : xs) Put16(glyf, static_cast<uint16_t>(v - x)), x = v;
    for (int16_t v : ys) Put16(glyf, static_cast<uint16_t>(v - y)), y = v;
  }
  Put32(loca, static_cast<uint32_t>(glyf.size()));

  if (!layout.cmaps.empty()) {
    std::string& cmap = tables["cmap"];
    Put16(cmap, 0);
    Put16(cmap, static_cast<uint32_t>(layout.cmaps.size()));
    std::string bodies;
    const uint32_t start = 4 + 8 * static_cast<uint32_t>(layout.cmaps.size());
    for (const SfntSubtable& table : layout.cmaps) {
      Put16(cmap, table.platform);
      Put16(cmap, table.encoding);
      Put32(cmap, start + static_cast<uint32_t>(bodies.size()));
      bodies += sfnt_detail::Subtable(table);
    }
    cmap += bodies;
  }

  std::string& post = tables["post"];
  Put32(post, layout.names.empty() ? 0x00030000 : 0x00020000);
  post.append(28, '\0');
  if (!layout.names.empty()) {
    Put16(post, count);
    for (uint32_t i = 0; i < count; ++i) Put16(post, 258 + i);
    for (const std::string& name : layout.names) {
      post += static_cast<char>(name.size());
      post += name;
    }
  }

  std::string font;
  Put32(font, 0x00010000);
  Put16(font, static_cast<uint32_t>(tables.size()));
  font.append(6, '\0');
  uint32_t offset = 12 + 16 * static_cast<uint32_t>(tables.size());
  std::string data;
  for (auto& [tag, body] : tables) {
    while (body.size() % 4) body += '\0';
    font += tag;
    Put32(font, 0);
    Put32(font, offset + static_cast<uint32_t>(data.size()));
    Put32(font, static_cast<uint32_t>(body.size()));
    data += body;
  }
  return font + data;
}

}  // namespace qp::pdf::test
