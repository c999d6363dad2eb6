#include "project/line_texts.h"

#include <vector>

#include "project/text_encoding.h"

namespace qp {

std::string GroupLine(const GroupRecord& group, int position) {
  std::string line = group.IsAirport() ? "Airport: " : "Info: ";
  line += "Group" + std::to_string(position + 1) + " ";
  if (group.IsAirport()) line += Windows1252ToUtf8(group.ID);
  line += ", " + Windows1252ToUtf8(group.Name) + ", " + std::to_string(group.Count) + " plates";
  return line;
}

std::string PlateLine(const PlateRecord& plate, int index) {
  std::string_view source = plate.SourceFile;
  size_t slash = source.find_last_of('/');
  std::string_view file_name = slash == std::string_view::npos ? source : source.substr(slash + 1);
  std::string file_part = "File: \"" + std::string(file_name) + "\"";
  return "Plate " + std::to_string(index + 1) + ", " + Windows1252ToUtf8(plate.Name) + ", Page " +
         std::to_string(plate.FirstPage) + ", " + ShortenMiddle(file_part, kPlateLineFileLimit);
}

std::string ShortenMiddle(std::string_view text, size_t limit) {
  // Byte offset of every character, so the cut never splits one.
  std::vector<size_t> starts;
  for (size_t pos = 0; pos < text.size(); pos += DecodeUtf8(text, pos).length) {
    starts.push_back(pos);
  }
  size_t length = starts.size();
  if (length <= limit) return std::string(text);
  starts.push_back(text.size());
  size_t removed = length - limit;
  // 1-based start of the cut, as a 0-based index; never before the start.
  size_t half = length / 2, half_removed = removed / 2;
  size_t first = half > half_removed ? half - half_removed - 1 : 0;
  std::string out(text.substr(0, starts[first]));
  out += "...";
  out += text.substr(starts[first + removed]);
  return out;
}

}  // namespace qp
