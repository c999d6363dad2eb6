#include "compiler/group_file_reader.h"

#include <algorithm>
#include <cstring>

#include "compiler/binary_file.h"
#include "compiler/group_file.h"
#include "compiler/palette.h"
#include "compiler/plate_error.h"
#include "project/records.h"

namespace qp {

namespace {

uint16_t GetU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t GetU32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

std::string GetShortString(const uint8_t* p, size_t capacity, const char* field) {
  if (p[0] > capacity) {
    throw PlateError(std::string(field) + " has length " + std::to_string(p[0]) +
                     ", more than its " + std::to_string(capacity) + " characters");
  }
  return std::string(reinterpret_cast<const char*>(p + 1), p[0]);
}

std::string Hex(uint32_t v) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%02X", v);
  return buffer;
}

GroupFilePlate ReadPlate(std::span<const uint8_t> region, uint32_t offset, size_t number) {
  const std::string where = "plate " + std::to_string(number);
  if (region.size() < kPlateHeaderSize + kImageBlockHeaderSize) {
    throw PlateError(where + " is cut short: " + std::to_string(region.size()) +
                     " bytes, less than its headers");
  }
  const uint8_t* h = region.data();
  GroupFilePlate plate;
  plate.Offset = offset;
  plate.Corners = {static_cast<int32_t>(GetU32(h)), static_cast<int32_t>(GetU32(h + 4)),
                   static_cast<int32_t>(GetU32(h + 8)), static_cast<int32_t>(GetU32(h + 12))};
  plate.NumberOfPages = GetU16(h + 16);
  plate.PlateMark = GetU16(h + 18);
  plate.GEOREF = h[20] != 0;
  plate.ImageWidth = GetU16(h + 22);
  plate.ImageHeight = GetU16(h + 24);
  const uint8_t* block = h + kPlateHeaderSize;
  uint16_t blockWidth = GetU16(block), blockHeight = GetU16(block + 2);
  plate.DataLength = GetU32(block + 4);
  if (blockWidth != plate.ImageWidth || blockHeight != plate.ImageHeight) {
    throw PlateError(where + ": image block size " + std::to_string(blockWidth) + " x " +
                     std::to_string(blockHeight) + " differs from the plate header's " +
                     std::to_string(plate.ImageWidth) + " x " + std::to_string(plate.ImageHeight));
  }
  const size_t available = region.size() - kPlateHeaderSize - kImageBlockHeaderSize;
  if (plate.DataLength != available) {
    throw PlateError(where + ": DataLength " + std::to_string(plate.DataLength) +
                     (plate.DataLength > available ? " runs past the plate's end ("
                                                   : " does not fill the plate's ") +
                     std::to_string(available) + " bytes of row data" +
                     (plate.DataLength > available ? ")" : ""));
  }
  try {
    plate.Indices = DecodeImageRows(region.subspan(kPlateHeaderSize + kImageBlockHeaderSize),
                                    plate.ImageWidth, plate.ImageHeight);
  } catch (const PlateError& e) {
    throw PlateError(where + ": " + e.what());
  }
  return plate;
}

}  // namespace

std::vector<uint8_t> DecodeImageRows(std::span<const uint8_t> data, uint16_t width,
                                     uint16_t height) {
  // A record of two bytes yields at most 127 pixels: refuse sizes the data
  // cannot fill before allocating for them.
  const uint64_t pixels = uint64_t(width) * height;
  if (pixels > (uint64_t(data.size()) * 127 + 1) / 2 + 1) {
    throw PlateError("DataLength " + std::to_string(data.size()) + " is too small for " +
                     std::to_string(width) + " x " + std::to_string(height) + " pixels");
  }
  const uint8_t paletteCount = PlatePalette().count;
  std::vector<uint8_t> indices(pixels);
  uint8_t* out = indices.data();
  size_t pos = 0;
  for (uint32_t y = 0; y < height; ++y) {
    uint32_t x = 0;
    while (x < width) {
      if (pos >= data.size()) {
        throw PlateError("rows need more than DataLength " + std::to_string(data.size()) +
                         " bytes (row " + std::to_string(y) + ")");
      }
      const size_t recordAt = pos;
      const uint8_t control = data[pos++];
      if (control == 0x00 || control == 0x80) {
        throw PlateError("control byte " + Hex(control) + " at data offset " +
                         std::to_string(recordAt) + " (row " + std::to_string(y) + ")");
      }
      const uint32_t n = control & 0x7F;
      const bool repeat = control & 0x80;
      if (x + n > width) {
        throw PlateError("record at data offset " + std::to_string(recordAt) + " runs past row " +
                         std::to_string(y) + " (" + std::to_string(x + n) + " of " +
                         std::to_string(width) + " pixels)");
      }
      const size_t need = repeat ? 1 : n;
      if (data.size() - pos < need) {
        throw PlateError("record at data offset " + std::to_string(recordAt) +
                         " runs past DataLength " + std::to_string(data.size()));
      }
      for (size_t i = 0; i < need; ++i) {
        if (data[pos + i] >= paletteCount) {
          throw PlateError("index " + std::to_string(data[pos + i]) +
                           " outside the palette at data offset " + std::to_string(pos + i));
        }
      }
      if (repeat) {
        std::memset(out + size_t(y) * width + x, data[pos], n);
      } else {
        std::memcpy(out + size_t(y) * width + x, data.data() + pos, n);
      }
      pos += need;
      x += n;
    }
  }
  if (pos != data.size()) {
    throw PlateError("DataLength " + std::to_string(data.size()) + " does not match the rows (" +
                     std::to_string(pos) + " bytes)");
  }
  return indices;
}

std::vector<uint32_t> GroupFilePlate::Colours() const {
  const PlatePaletteTable& palette = PlatePalette();
  std::vector<uint32_t> colours(Indices.size());
  for (size_t i = 0; i < Indices.size(); ++i) colours[i] = palette.entries[Indices[i]];
  return colours;
}

GroupFileContent ReadGroupFile(std::span<const uint8_t> bytes) {
  if (bytes.size() < kGroupHeaderSize) {
    throw PlateError("header cut short: " + std::to_string(bytes.size()) + " of " +
                     std::to_string(kGroupHeaderSize) + " bytes");
  }
  if (std::memcmp(bytes.data(), kGroupFileMagic, 4) != 0) {
    throw PlateError("wrong magic: not a group file");
  }
  GroupFileContent content;
  content.GroupId = GetShortString(bytes.data() + kGroupIdOffset, kGroupIdCapacity, "GroupId");
  content.HeaderMark = bytes[kHeaderMarkOffset];
  content.GroupName = GetShortString(bytes.data() + kGroupNameOffset, kNameCapacity, "GroupName");
  content.PlateCount = static_cast<int32_t>(GetU32(bytes.data() + kPlateCountOffset));
  if (content.PlateCount < 0) {
    throw PlateError("negative PlateCount " + std::to_string(content.PlateCount));
  }
  const uint64_t directoryEnd =
      kGroupHeaderSize + uint64_t(kDirectoryEntrySize) * uint32_t(content.PlateCount);
  if (directoryEnd > bytes.size()) {
    throw PlateError("directory cut short: " + std::to_string(content.PlateCount) +
                     " entries need " + std::to_string(directoryEnd) + " bytes, the file has " +
                     std::to_string(bytes.size()));
  }

  content.entries.resize(static_cast<size_t>(content.PlateCount));
  std::vector<size_t> present;  // entries with a plate, in directory order
  for (size_t i = 0; i < content.entries.size(); ++i) {
    const uint8_t* e = bytes.data() + DirectoryEntryOffset(static_cast<uint32_t>(i));
    GroupFileEntry& entry = content.entries[i];
    entry.EntryName = GetShortString(e, kNameCapacity, "EntryName");
    entry.PlateOffset = GetU32(e + kPlateOffsetField);
    if (entry.PlateOffset != 0) present.push_back(i);
  }

  // Plates follow the directory and each other with nothing between them:
  // each runs to the next present plate, the last one to the end of the file.
  uint64_t previous = 0;
  for (size_t k = 0; k < present.size(); ++k) {
    const uint32_t offset = content.entries[present[k]].PlateOffset;
    const std::string where =
        "plate " + std::to_string(present[k]) + ": offset " + std::to_string(offset);
    if (offset >= bytes.size()) throw PlateError(where + " is outside the file");
    if (offset < directoryEnd || offset <= previous) throw PlateError(where + " is out of order");
    if (k == 0 && offset > directoryEnd) {
      throw PlateError(where + " leaves a gap after the directory, which ends at " +
                       std::to_string(directoryEnd));
    }
    previous = offset;
  }
  for (size_t k = 0; k < present.size(); ++k) {
    GroupFileEntry& entry = content.entries[present[k]];
    const uint64_t end =
        k + 1 < present.size() ? content.entries[present[k + 1]].PlateOffset : bytes.size();
    entry.plate = ReadPlate(bytes.subspan(entry.PlateOffset, end - entry.PlateOffset),
                            entry.PlateOffset, present[k]);
  }
  if (present.empty() && bytes.size() != directoryEnd) {
    throw PlateError(std::to_string(bytes.size() - directoryEnd) +
                     " bytes after the directory, which lists no written plate");
  }
  return content;
}
GroupFileContent ReadGroupFile(const std::filesystem::path& path) {
  std::string data = ReadWholeFile(path, uint64_t{1} << 32);
  try {
    return ReadGroupFile(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
  } catch (const PlateError& e) {
    throw PlateError(path.string() + ": " + e.what());
  }
}

size_t PlatesNotWritten(const GroupFileContent& content) {
  size_t count = 0;
  for (const GroupFileEntry& entry : content.entries) count += entry.plate ? 0 : 1;
  return count;
}

std::string PlatesNotWrittenLine(const GroupFileContent& content, const std::string& file) {
  const size_t missing = PlatesNotWritten(content);
  if (missing == 0) return {};
  return std::to_string(missing) + " of " + std::to_string(content.entries.size()) + " plate" +
         (content.entries.size() == 1 ? "" : "s") + " of " + file +
         (missing == 1 ? " was" : " were") + " not written";
}

}  // namespace qp
