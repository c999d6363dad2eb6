#pragma once
// Turns a small readable PDF text into bytes with computed offsets:
//   {{object N G}}  becomes "N G obj" and records where the object starts;
//   {{xref}}        becomes a cross-reference table of the recorded objects;
//   {{startxref}}   becomes "startxref" and the offset of that table;
//   {{streamlen}}   becomes "/Length L", L being the data length of the next
//                   stream (from the end of line after "stream" to the end of
//                   line before "endstream").

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qp::pdf::testing {

struct PdfTemplate {
  std::string bytes;
  std::map<uint32_t, size_t> object_offsets;
  size_t xref_offset = 0;
};

namespace template_detail {

// The data length of the first stream after `from` in `text`.
inline size_t NextStreamLength(std::string_view text, size_t from) {
  size_t begin = text.find("stream", from);
  const size_t end = text.find("endstream", from);
  if (begin == std::string_view::npos || end == std::string_view::npos || begin >= end) {
    throw std::invalid_argument("{{streamlen}} without a stream after it");
  }
  begin += 6;
  if (text.compare(begin, 2, "\r\n") == 0) {
    begin += 2;
  } else if (begin < text.size() && (text[begin] == '\n' || text[begin] == '\r')) {
    begin += 1;
  }
  size_t stop = end;
  if (stop > begin && text[stop - 1] == '\n') --stop;
  if (stop > begin && text[stop - 1] == '\r') --stop;
  return stop - begin;
}

inline std::string XrefTable(const std::map<uint32_t, size_t>& offsets) {
  const uint32_t size = offsets.empty() ? 1 : offsets.rbegin()->first + 1;
  std::string table = "xref\n0 " + std::to_string(size) + "\n";
  char row[32];
  for (uint32_t number = 0; number < size; ++number) {
    const auto it = offsets.find(number);
    if (it == offsets.end()) {
      table += "0000000000 65535 f \n";
    } else {
      std::snprintf(row, sizeof(row), "%010zu 00000 n \n", it->second);
      table += row;
    }
  }
  return table;
}

}  // namespace template_detail

inline PdfTemplate ExpandPdfTemplateWithOffsets(std::string_view text) {
  PdfTemplate result;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t open = text.find("{{", pos);
    if (open == std::string_view::npos) {
      result.bytes.append(text.substr(pos));
      break;
    }
    const size_t close = text.find("}}", open);
    if (close == std::string_view::npos) throw std::invalid_argument("unclosed {{ in template");
    result.bytes.append(text.substr(pos, open - pos));
    const std::string tag(text.substr(open + 2, close - open - 2));
    pos = close + 2;
    unsigned number = 0;
    unsigned generation = 0;
    if (std::sscanf(tag.c_str(), "object %u %u", &number, &generation) == 2) {
      result.object_offsets[number] = result.bytes.size();
      result.bytes += std::to_string(number) + " " + std::to_string(generation) + " obj";
    } else if (tag == "xref") {
      result.xref_offset = result.bytes.size();
      result.bytes += template_detail::XrefTable(result.object_offsets);
    } else if (tag == "startxref") {
      result.bytes += "startxref\n" + std::to_string(result.xref_offset);
    } else if (tag == "streamlen") {
      result.bytes += "/Length " + std::to_string(template_detail::NextStreamLength(text, pos));
    } else {
      throw std::invalid_argument("unknown template tag {{" + tag + "}}");
    }
  }
  return result;
}

inline std::string ExpandPdfTemplate(std::string_view text) {
  return ExpandPdfTemplateWithOffsets(text).bytes;
}

}  // namespace qp::pdf::testing
