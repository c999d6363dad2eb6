#include "compiler/bmp_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string>
#include <vector>

#include "compiler/plate_error.h"

namespace qp {

namespace {

enum Compression : uint32_t {
  kRgb = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitfields = 3,
  kJpeg = 4,
  kPng = 5,
  kAlphaBitfields = 6,
};

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;

uint16_t U16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint32_t Native(uint32_t r, uint32_t g, uint32_t b) {
  return (r << 16) | (g << 8) | b;
}

// One channel of a BITFIELDS mask: its position and width, scaled to 0..255.
class Channel {
 public:
  explicit Channel(uint32_t mask) {
    if (mask == 0) return;
    shift_ = std::countr_zero(mask);
    uint32_t bits = 32 - std::countl_zero(mask) - shift_;
    max_ = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    mask_ = mask;
  }
  uint32_t Value(uint32_t pixel) const {
    if (max_ == 0) return 0;
    uint64_t v = (pixel & mask_) >> shift_;
    return static_cast<uint32_t>((v * 255 + max_ / 2) / max_);
  }

 private:
  uint32_t mask_ = 0;
  int shift_ = 0;
  uint32_t max_ = 0;
};

struct BmpInfo {
  int64_t width = 0;
  int64_t height = 0;  // positive; see topDown
  bool topDown = false;
  uint32_t bitCount = 0;
  uint32_t compression = kRgb;
  uint32_t colorsUsed = 0;
  std::array<uint32_t, 3> masks{};  // red, green, blue
  bool hasMasks = false;
  size_t paletteOffset = 0;
  size_t paletteEntrySize = 4;
};

[[noreturn]] void Fail(const std::string& problem) {
  throw PlateError(problem);
}

BmpInfo ReadHeaders(std::span<const uint8_t> bytes) {
  if (bytes.size() < kFileHeaderSize + 4) Fail("file is cut short in its header");
  if (bytes[0] != 'B' || bytes[1] != 'M') Fail("not a BMP file (no \"BM\" signature)");
  const uint32_t headerSize = U32(&bytes[kFileHeaderSize]);
  if (headerSize != kCoreHeaderSize && (headerSize < 16 || headerSize > 4096)) {
    Fail("unknown bitmap header size " + std::to_string(headerSize));
  }
  if (bytes.size() < kFileHeaderSize + headerSize) Fail("file is cut short in its header");
  const uint8_t* h = &bytes[kFileHeaderSize];

  BmpInfo info;
  if (headerSize == kCoreHeaderSize) {
    info.width = U16(h + 4);
    info.height = U16(h + 6);
    info.bitCount = U16(h + 10);
    info.paletteEntrySize = 3;
  } else {
    info.width = static_cast<int32_t>(U32(h + 4));
    int64_t height = static_cast<int32_t>(U32(h + 8));
    info.topDown = height < 0;
    info.height = height < 0 ? -height : height;
    info.bitCount = U16(h + 14);
    if (headerSize >= 20) info.compression = U32(h + 16);
    if (headerSize >= 36) info.colorsUsed = U32(h + 32);
    // The OS/2 2.x header (64 bytes) numbers its Huffman and RLE24 codes 3 and 4.
    if (headerSize == 64 && (info.compression == 3 || info.compression == 4)) {
      Fail("unsupported OS/2 compression " + std::to_string(info.compression));
    }
  }
  if (U16(h + (headerSize == kCoreHeaderSize ? 8 : 12)) != 1) Fail("number of planes is not 1");
  info.paletteOffset = kFileHeaderSize + headerSize;

  switch (info.compression) {
    case kRgb:
      if (info.bitCount == 16) info.masks = {0x7C00, 0x03E0, 0x001F};
      if (info.bitCount == 24 || info.bitCount == 32) info.masks = {0xFF0000, 0x00FF00, 0x0000FF};
      break;
    case kBitfields:
    case kAlphaBitfields: {
      if (info.bitCount != 16 && info.bitCount != 32) {
        Fail("BITFIELDS with " + std::to_string(info.bitCount) + " bits per pixel");
      }
      // From 52 bytes on the header holds the masks itself, after its first
      // 40 bytes; a shorter header is followed by them.
      const size_t at = kFileHeaderSize + (headerSize >= 52 ? kInfoHeaderSize : headerSize);
      if (headerSize < 52) {
        // The masks follow a short header and come before the colour table.
        info.paletteOffset += info.compression == kAlphaBitfields ? 16 : 12;
        if (bytes.size() < at + 12) Fail("file is cut short in its colour masks");
      }
      info.masks = {U32(&bytes[at]), U32(&bytes[at + 4]), U32(&bytes[at + 8])};
      info.hasMasks = true;
      break;
    }
    case kRle8:
      if (info.bitCount != 8)
        Fail("RLE8 compression with " + std::to_string(info.bitCount) + " bits per pixel");
      break;
    case kRle4:
      if (info.bitCount != 4)
        Fail("RLE4 compression with " + std::to_string(info.bitCount) + " bits per pixel");
      break;
    case kJpeg:
    case kPng:
      Fail("embedded JPEG or PNG data is not supported");
    default:
      Fail("unknown compression " + std::to_string(info.compression));
  }
  switch (info.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      Fail("unsupported bit depth " + std::to_string(info.bitCount));
  }
  if (info.width <= 0 || info.height <= 0) {
    Fail("invalid size " + std::to_string(info.width) + " x " + std::to_string(info.height));
  }
  PlateRaster::CheckSize(info.width, info.height);
  return info;
}

// The colour table of an indexed bitmap, as native pixel words; indices past
// the table give black.
std::array<uint32_t, 256> ReadPalette(std::span<const uint8_t> bytes, const BmpInfo& info) {
  std::array<uint32_t, 256> palette{};
  if (info.bitCount > 8) return palette;
  size_t count = size_t{1} << info.bitCount;
  if (info.colorsUsed != 0 && info.colorsUsed < count) count = info.colorsUsed;
  if (info.paletteOffset + count * info.paletteEntrySize > bytes.size()) {
    Fail("file is cut short in its colour table");
  }
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = &bytes[info.paletteOffset + i * info.paletteEntrySize];
    palette[i] = Native(e[2], e[1], e[0]);
  }
  return palette;
}

void DecodeUncompressed(std::span<const uint8_t> pixels, const BmpInfo& info,
                        const std::array<uint32_t, 256>& palette, PlateRaster& raster) {
  const uint64_t rowBits = uint64_t(info.width) * info.bitCount;
  const uint64_t stride = (rowBits + 31) / 32 * 4;
  const uint64_t need = stride * uint64_t(info.height - 1) + (rowBits + 7) / 8;
  if (pixels.size() < need) {
    Fail("pixel data cut short: " + std::to_string(pixels.size()) + " of " + std::to_string(need) +
         " bytes");
  }
  const Channel red(info.masks[0]), green(info.masks[1]), blue(info.masks[2]);
  const int width = static_cast<int>(info.width);
  for (int64_t row = 0; row < info.height; ++row) {
    const uint8_t* src = pixels.data() + row * stride;
    const int y = static_cast<int>(info.topDown ? row : info.height - 1 - row);
    uint32_t* dst = raster.Row(y);
    switch (info.bitCount) {
      case 1:
      case 4:
      case 8: {
        const int bits = static_cast<int>(info.bitCount);
        const int perByte = 8 / bits;
        const uint32_t mask = (1u << bits) - 1;
        for (int x = 0; x < width; ++x) {
          int shift = 8 - bits * (x % perByte + 1);
          dst[x] = palette[(src[x / perByte] >> shift) & mask];
        }
        break;
      }
      case 16:
        for (int x = 0; x < width; ++x) {
          uint32_t p = U16(src + 2 * x);
          dst[x] = Native(red.Value(p), green.Value(p), blue.Value(p));
        }
        break;
      case 24:
        for (int x = 0; x < width; ++x) dst[x] = Native(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        break;
      case 32:
        if (!info.hasMasks) {
          for (int x = 0; x < width; ++x) dst[x] = U32(src + 4 * x) & 0xFFFFFF;
        } else {
          for (int x = 0; x < width; ++x) {
            uint32_t p = U32(src + 4 * x);
            dst[x] = Native(red.Value(p), green.Value(p), blue.Value(p));
          }
        }
        break;
    }
  }
}

// RLE8 and RLE4: runs, end of line, end of bitmap, delta moves and absolute
// stretches. Pixels outside the image are dropped; pixels never written keep
// colour table entry 0.
void DecodeRle(std::span<const uint8_t> data, const BmpInfo& info,
               const std::array<uint32_t, 256>& palette, PlateRaster& raster) {
  const bool rle4 = info.compression == kRle4;
  const int64_t width = info.width, height = info.height;
  for (int y = 0; y < raster.Height(); ++y) std::fill_n(raster.Row(y), width, palette[0]);

  int64_t x = 0, line = 0;  // line counts rows in file order
  auto put = [&](int64_t from, int64_t count, auto&& indexAt) {
    if (line >= height) return;
    uint32_t* row = raster.Row(static_cast<int>(info.topDown ? line : height - 1 - line));
    int64_t end = std::min(from + count, width);
    for (int64_t i = from; i < end; ++i) row[i] = palette[indexAt(i - from)];
  };

  size_t pos = 0;
  auto need = [&](size_t n) {
    if (data.size() - pos < n) Fail("RLE data cut short at byte " + std::to_string(pos));
  };
  for (;;) {
    need(2);
    const uint8_t count = data[pos], value = data[pos + 1];
    pos += 2;
    if (count > 0) {
      const uint8_t hi = rle4 ? value >> 4 : value, lo = rle4 ? value & 0x0F : value;
      put(x, count, [&](int64_t i) { return (i & 1) ? lo : hi; });
      x += count;
    } else if (value == 0) {
      x = 0;
      ++line;
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      need(2);
      x += data[pos];
      line += data[pos + 1];
      pos += 2;
    } else {
      const size_t bytes = rle4 ? (value + 1u) / 2 : value;
      need(bytes);
      const uint8_t* src = &data[pos];
      if (rle4) {
        put(x, value, [&](int64_t i) { return (src[i / 2] >> ((i & 1) ? 0 : 4)) & 0x0F; });
      } else {
        put(x, value, [&](int64_t i) { return src[i]; });
      }
      x += value;
      pos += bytes + (bytes & 1);  // stretches are padded to 16 bits
      if (pos > data.size()) pos = data.size();
    }
  }
}

}  // namespace

PlateRaster DecodeBmp(std::span<const uint8_t> bytes, int64_t maxPixels) {
  const BmpInfo info = ReadHeaders(bytes);
  const std::array<uint32_t, 256> palette = ReadPalette(bytes, info);
  const uint32_t offBits = U32(&bytes[10]);
  if (offBits >= bytes.size()) {
    Fail("pixel data offset " + std::to_string(offBits) + " lies outside the file");
  }
  const std::span<const uint8_t> pixels = bytes.subspan(offBits);
  // Refuse claimed sizes the data cannot fill before allocating the raster.
  // Refuse sizes the caller does not allow, or that the data cannot fill,
  // before allocating the raster. RLE data may leave any area blank.
  if (info.width * info.height > maxPixels) {
    Fail("image size " + std::to_string(info.width) + " x " + std::to_string(info.height) +
         " is too large");
  }
  if (info.compression != kRle8 && info.compression != kRle4) {
    const uint64_t rowBits = uint64_t(info.width) * info.bitCount;
    if ((rowBits + 31) / 32 * 4 * uint64_t(info.height - 1) > pixels.size()) {
      Fail("pixel data cut short for " + std::to_string(info.width) + " x " +
           std::to_string(info.height) + " pixels");
    }
  }
  PlateRaster raster(static_cast<int>(info.width), static_cast<int>(info.height));
  if (info.compression == kRle8 || info.compression == kRle4) {
    DecodeRle(pixels, info, palette, raster);
  } else {
    DecodeUncompressed(pixels, info, palette, raster);
  }
  return raster;
}

}  // namespace qp
