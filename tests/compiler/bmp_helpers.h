#pragma once
// Builds BMP files byte by byte for the reader's tests and fuzz seeds.

#include <array>
#include <cstdint>
#include <vector>

namespace qp::testing {

struct BmpLayout {
  int32_t width = 0;
  int32_t height = 0;  // negative: rows stored top-down
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t headerSize = 40;  // 12 (core), 40, 52, 56, 108 or 124
  uint32_t colorsUsed = 0;
  std::vector<uint32_t> palette;  // 0x00RRGGBB entries
  std::array<uint32_t, 3> masks{};
  bool writeMasks = false;      // after a 40-byte header, or inside a larger one
  std::vector<uint8_t> pixels;  // everything after the colour table
};

inline void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

inline std::vector<uint8_t> BuildBmp(const BmpLayout& s) {
  std::vector<uint8_t> b(size_t{14} + s.headerSize, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 14, s.headerSize);
  if (s.headerSize == 12) {
    Put16(b, 18, uint32_t(s.width));
    Put16(b, 20, uint32_t(s.height));
    Put16(b, 22, 1);
    Put16(b, 24, s.bits);
  } else {
    Put32(b, 18, uint32_t(s.width));
    Put32(b, 22, uint32_t(s.height));
    Put16(b, 26, 1);
    Put16(b, 28, s.bits);
    Put32(b, 30, s.compression);
    Put32(b, 46, s.colorsUsed);
    if (s.writeMasks && s.headerSize >= 52) {
      for (int i = 0; i < 3; ++i) Put32(b, 54 + 4 * i, s.masks[i]);
    }
  }
  if (s.writeMasks && s.headerSize == 40) {
    for (uint32_t m : s.masks) {
      b.resize(b.size() + 4);
      Put32(b, b.size() - 4, m);
    }
  }
  for (uint32_t c : s.palette) {
    b.push_back(uint8_t(c));
    b.push_back(uint8_t(c >> 8));
    b.push_back(uint8_t(c >> 16));
    if (s.headerSize != 12) b.push_back(0);
  }
  Put32(b, 10, uint32_t(b.size()));
  b.insert(b.end(), s.pixels.begin(), s.pixels.end());
  Put32(b, 2, uint32_t(b.size()));
  return b;
}

// Packs rows of samples (indices of `bits` bits, or whole bytes for 8 and
// more) into padded BMP rows, in the order given.
inline std::vector<uint8_t> PackIndexRows(const std::vector<std::vector<uint8_t>>& rows, int bits) {
  std::vector<uint8_t> out;
  for (const auto& row : rows) {
    std::vector<uint8_t> packed((row.size() * bits + 7) / 8, 0);
    for (size_t x = 0; x < row.size(); ++x) {
      size_t bit = x * bits;
      packed[bit / 8] |= uint8_t(row[x] << (8 - bits - bit % 8));
    }
    packed.resize((packed.size() + 3) / 4 * 4, 0);
    out.insert(out.end(), packed.begin(), packed.end());
  }
  return out;
}

// Pads rows of raw bytes to four-byte multiples.
inline std::vector<uint8_t> PadRows(const std::vector<std::vector<uint8_t>>& rows) {
  std::vector<uint8_t> out;
  for (auto row : rows) {
    row.resize((row.size() + 3) / 4 * 4, 0);
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace qp::testing
