#pragma once
// What the group-file viewer shows, without widgets: one line per plate of
// a group file (number from 1, name, size, corners as text, offset; plates
// not written marked) and each plate's image in the display's palette. It
// reads through the same reader as `platec inspect`.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "compiler/group_file_reader.h"

namespace qp::app {

struct PlateImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> colours;  // 0x00BBGGRR, top row first
};

class GroupFileView {
 public:
  // Throws PlateError naming the file when it is not a valid group file.
  explicit GroupFileView(const std::filesystem::path& file);

  // "ZGKBOS.ZPG: KBOS, Boston, 53 plates (2 not written)".
  const std::string& Title() const { return title_; }
  // "12  ILS RWY 04R  1024 x 1572  N42°26.02 W071°03.27 to N42°18.20 W070°57.11  offset 284"
  // or "13  VOR RWY 27  not written".
  const std::vector<std::string>& Lines() const { return lines_; }
  bool Written(size_t index) const { return content_.entries.at(index).plate.has_value(); }
  // The plate's image in the palette's colours; empty for a plate not written.
  PlateImage Image(size_t index) const;

 private:
  GroupFileContent content_;
  std::string title_;
  std::vector<std::string> lines_;
};

}  // namespace qp::app
