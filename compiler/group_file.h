#pragma once
// Layout constants of a group file: an 80-byte header, one 68-byte directory
// entry per plate, then per plate a 26-byte plate header and its image block.

#include <cstdint>

namespace qp {

inline constexpr uint8_t kGroupFileMagic[4] = {0x03, 'Z', 'P', 'G'};
inline constexpr uint32_t kGroupHeaderSize = 80;
inline constexpr uint32_t kDirectoryEntrySize = 68;
inline constexpr uint32_t kPlateOffsetField = 64;  // within a directory entry
inline constexpr uint32_t kPlateHeaderSize = 26;
inline constexpr uint32_t kImageBlockHeaderSize = 8;

// Header field offsets.
inline constexpr uint32_t kGroupIdOffset = 4;  // short string, capacity 6
inline constexpr uint32_t kHeaderMarkOffset = 11;
inline constexpr uint32_t kGroupNameOffset = 12;  // short string, capacity 63
inline constexpr uint32_t kPlateCountOffset = 76;

inline constexpr uint32_t DirectoryEntryOffset(uint32_t index) {
  return kGroupHeaderSize + kDirectoryEntrySize * index;
}

}  // namespace qp
