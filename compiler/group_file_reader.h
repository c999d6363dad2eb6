#pragma once
// Reads a group file back and decodes its plates to palette indices. A
// damaged file is refused with a PlateError that says what is wrong and
// where; the reader never reads outside the given bytes.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "compiler/geo_reference.h"
#include "project/text_encoding.h"  // Windows1252ToUtf8, for printing names

namespace qp {

struct GroupFilePlate {
  uint32_t Offset = 0;  // file offset of the plate header
  PlateCorners Corners;
  uint16_t NumberOfPages = 0;
  uint16_t PlateMark = 0;
  bool GEOREF = false;
  uint16_t ImageWidth = 0;
  uint16_t ImageHeight = 0;
  uint32_t DataLength = 0;
  std::vector<uint8_t> Indices;  // ImageWidth x ImageHeight, row-major

  // The image in colours 0x00BBGGRR through the plate palette.
  std::vector<uint32_t> Colours() const;
};

struct GroupFileEntry {
  std::string EntryName;  // Windows-1252 bytes
  uint32_t PlateOffset = 0;
  std::optional<GroupFilePlate> plate;  // absent when PlateOffset is 0
};

struct GroupFileContent {
  std::string GroupId;  // Windows-1252 bytes
  uint8_t HeaderMark = 0;
  std::string GroupName;
  int32_t PlateCount = 0;
  std::vector<GroupFileEntry> entries;
};

// The number of plates whose directory entry is 0: a cancelled build leaves
// them; the file is valid, but the display shows those plates as missing.
size_t PlatesNotWritten(const GroupFileContent& content);

// The line that says so ("2 of 7 plates of FILE were not written"), or empty.
std::string PlatesNotWrittenLine(const GroupFileContent& content, const std::string& file);

GroupFileContent ReadGroupFile(std::span<const uint8_t> bytes);
// Reads the file; messages start with its path.
GroupFileContent ReadGroupFile(const std::filesystem::path& path);

// Decodes the encoded rows of one image of width x height into indices.
// `data` must hold exactly the rows.
std::vector<uint8_t> DecodeImageRows(std::span<const uint8_t> data, uint16_t width,
                                     uint16_t height);

}  // namespace qp
