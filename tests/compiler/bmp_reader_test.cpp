#include "compiler/bmp_reader.h"

#include <gtest/gtest.h>

#include <functional>

#include "compiler/plate_error.h"
#include "tests/compiler/bmp_helpers.h"

namespace qp {
namespace {

using testing::BmpLayout;
using testing::BuildBmp;
using testing::PackIndexRows;
using testing::PadRows;

constexpr int kW = 5, kH = 3;
// Colours as 0x00RRGGBB: black, white, red, green, blue.
const std::vector<uint32_t> kColours = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF};

int IndexAt(int x, int y, int n) {
  return (x + 2 * y) % n;
}

// The expected image: colour of index (x + 2y) mod n, top row first.
void ExpectImage(const PlateRaster& raster, int n, const std::string& name) {
  ASSERT_EQ(raster.Width(), kW) << name;
  ASSERT_EQ(raster.Height(), kH) << name;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      uint32_t rgb = kColours[IndexAt(x, y, n)];
      uint32_t colour = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16);
      EXPECT_EQ(raster.Pixel(x, y), colour) << name << " at " << x << "," << y;
    }
  }
}

// Rows of samples, in file order (bottom-up unless topDown).
std::vector<std::vector<uint8_t>> Rows(bool topDown, int n,
                                       const std::function<std::vector<uint8_t>(uint32_t)>& pixel) {
  std::vector<std::vector<uint8_t>> rows;
  for (int i = 0; i < kH; ++i) {
    int y = topDown ? i : kH - 1 - i;
    std::vector<uint8_t> row;
    for (int x = 0; x < kW; ++x) {
      std::vector<uint8_t> bytes = pixel(n ? IndexAt(x, y, n) : kColours[IndexAt(x, y, 5)]);
      row.insert(row.end(), bytes.begin(), bytes.end());
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<uint8_t> Bgr(uint32_t c) {
  return {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)};
}
std::vector<uint8_t> Bgrx(uint32_t c) {
  return {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), 0x77};
}
std::vector<uint8_t> Index(uint32_t i) {
  return {uint8_t(i)};
}
uint32_t To555(uint32_t c) {
  return ((c >> 19) & 0x1F) << 10 | ((c >> 11) & 0x1F) << 5 | ((c >> 3) & 0x1F);
}
uint32_t To565(uint32_t c) {
  return ((c >> 19) & 0x1F) << 11 | ((c >> 10) & 0x3F) << 5 | ((c >> 3) & 0x1F);
}
std::vector<uint8_t> Le16(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8)};
}

std::vector<std::vector<uint8_t>> IndexRows(bool topDown, int n) {
  return Rows(topDown, n, [](uint32_t i) { return Index(i); });
}

struct VariantCase {
  std::string name;
  BmpLayout layout;
  int colours;  // number of colours the pattern cycles through
};

std::vector<VariantCase> Variants() {
  std::vector<VariantCase> v;
  auto rgb = [](uint16_t bits, uint32_t header, bool topDown, auto pixel) {
    BmpLayout s;
    s.width = kW;
    s.height = topDown ? -kH : kH;
    s.bits = bits;
    s.headerSize = header;
    s.pixels = PadRows(Rows(topDown, 0, pixel));
    return s;
  };
  v.push_back({"24-bit bottom-up", rgb(24, 40, false, Bgr), 5});
  v.push_back({"24-bit top-down", rgb(24, 40, true, Bgr), 5});
  v.push_back({"24-bit V5 header", rgb(24, 124, false, Bgr), 5});
  v.push_back({"24-bit core header", rgb(24, 12, false, Bgr), 5});
  v.push_back({"32-bit", rgb(32, 40, false, Bgrx), 5});
  v.push_back({"16-bit 5-5-5", rgb(16, 40, false, [](uint32_t c) { return Le16(To555(c)); }), 5});

  BmpLayout s565 = rgb(16, 40, true, [](uint32_t c) { return Le16(To565(c)); });
  s565.compression = 3;
  s565.masks = {0xF800, 0x07E0, 0x001F};
  s565.writeMasks = true;
  v.push_back({"16-bit BITFIELDS 5-6-5", s565, 5});

  BmpLayout rgbx = rgb(32, 108, false, [](uint32_t c) {
    return std::vector<uint8_t>{0x11, uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)};
  });
  rgbx.compression = 3;
  rgbx.masks = {0xFF000000, 0x00FF0000, 0x0000FF00};
  rgbx.writeMasks = true;
  v.push_back({"32-bit BITFIELDS in a V4 header", rgbx, 5});

  for (uint16_t bits : {1, 4, 8}) {
    for (bool topDown : {false, true}) {
      int n = bits == 1 ? 2 : 5;
      BmpLayout s;
      s.width = kW;
      s.height = topDown ? -kH : kH;
      s.bits = bits;
      s.palette = std::vector<uint32_t>(kColours.begin(), kColours.begin() + n);
      s.colorsUsed = bits == 1 ? 0 : static_cast<uint32_t>(n);
      s.pixels = PackIndexRows(IndexRows(topDown, n), bits);
      v.push_back({std::to_string(bits) + "-bit indexed" + (topDown ? " top-down" : ""), s, n});
    }
  }
  BmpLayout core8;
  core8.width = kW;
  core8.height = kH;
  core8.bits = 8;
  core8.headerSize = 12;
  core8.palette = kColours;
  core8.palette.resize(256, 0x123456);
  core8.pixels = PackIndexRows(IndexRows(false, 5), 8);
  v.push_back({"8-bit core header", core8, 5});

  return v;
}

TEST(DecodeBmp, Variants) {
  for (VariantCase& c : Variants()) {
    try {
      ExpectImage(DecodeBmp(BuildBmp(c.layout)), c.colours, c.name);
    } catch (const PlateError& e) {
      ADD_FAILURE() << c.name << ": " << e.what();
    }
  }
}

uint32_t ColourOf(int index) {
  uint32_t rgb = kColours[index];
  return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16);
}

void ExpectIndices(const PlateRaster& raster, const std::vector<std::vector<int>>& rows,
                   const std::string& name) {
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      EXPECT_EQ(raster.Pixel(x, y), ColourOf(rows[y][x])) << name << " at " << x << "," << y;
}

TEST(DecodeBmp, Rle8RunsStretchesDeltasAndUnwrittenPixels) {
  BmpLayout s;
  s.width = kW;
  s.height = kH;
  s.bits = 8;
  s.compression = 1;
  s.palette = kColours;
  s.colorsUsed = 5;
  s.pixels = {
      0x03, 0x02, 0x00, 0x03, 1, 4, 3, 0x00,  // bottom row: 2 2 2 then stretch 1 4 3 (cut at width)
      0x00, 0x00,                             // end of line
      0x00, 0x02, 0x02, 0x00,                 // delta: 2 right, 0 up
      0x02, 0x03,                             // 3 3
      0x00, 0x02, 0x00, 0x01,                 // delta: next row, same column
      0x01, 0x04,                             // top row: 4 at x = 4
      0x00, 0x01,                             // end of bitmap
  };
  // Unwritten pixels take colour table entry 0 (black).
  ExpectIndices(DecodeBmp(BuildBmp(s)), {{0, 0, 0, 0, 4}, {0, 0, 3, 3, 0}, {2, 2, 2, 1, 4}},
                "RLE8");
}

TEST(DecodeBmp, Rle4NibblesAlternate) {
  BmpLayout s;
  s.width = kW;
  s.height = -kH;  // top-down
  s.bits = 4;
  s.compression = 2;
  s.palette = kColours;
  s.colorsUsed = 5;
  s.pixels = {
      0x05, 0x12,                          // top row: 1 2 1 2 1
      0x00, 0x00,                          // end of line
      0x00, 0x05, 0x34, 0x01, 0x20, 0x00,  // stretch of 5: 3 4 0 1 2, padded to 16 bits
      0x00, 0x00,                          // (end of line after a full row)
      0x04, 0x44, 0x01, 0x30,              // 4 4 4 4 3
      0x00, 0x01,
  };
  ExpectIndices(DecodeBmp(BuildBmp(s)), {{1, 2, 1, 2, 1}, {3, 4, 0, 1, 2}, {4, 4, 4, 4, 3}},
                "RLE4");
}

TEST(DecodeBmp, RejectsDamagedAndUnsupportedFiles) {
  BmpLayout good;
  good.width = kW;
  good.height = kH;
  good.pixels = PadRows(Rows(false, 0, Bgr));
  struct Case {
    std::string name;
    std::function<std::vector<uint8_t>()> make;
    std::string message;
  };
  auto with = [&](std::function<void(BmpLayout&)> change) {
    return [=]() {
      BmpLayout s = good;
      change(s);
      return BuildBmp(s);
    };
  };
  auto bytes = [&](std::function<void(std::vector<uint8_t>&)> change) {
    return [=]() {
      std::vector<uint8_t> b = BuildBmp(good);
      change(b);
      return b;
    };
  };
  const Case cases[] = {
      {"empty", [] { return std::vector<uint8_t>{}; }, "cut short in its header"},
      {"no signature", bytes([](auto& b) { b[0] = 'X'; }), "not a BMP file"},
      {"header cut short", bytes([](auto& b) { b.resize(30); }), "cut short in its header"},
      {"unknown header size", bytes([](auto& b) { b[14] = 13; }), "unknown bitmap header size 13"},
      {"pixel data cut short", bytes([](auto& b) { b.resize(b.size() - 5); }),
       "pixel data cut short"},
      {"pixels missing", bytes([](auto& b) { b.resize(54); }), "outside the file"},
      {"seven bits", with([](BmpLayout& s) { s.bits = 7; }), "unsupported bit depth 7"},
      {"two planes", bytes([](auto& b) { b[26] = 2; }), "planes"},
      {"zero width", with([](BmpLayout& s) { s.width = 0; }), "invalid size"},
      {"negative width", with([](BmpLayout& s) { s.width = -5; }), "invalid size"},
      {"too wide", with([](BmpLayout& s) { s.width = 70000; }), "outside 1 to 65535"},
      {"absurd size", with([](BmpLayout& s) {
         s.width = 60000;
         s.height = 60000;
       }),
       "too large"},
      {"claims more rows than it holds", with([](BmpLayout& s) { s.height = 40000; }), "cut short"},
      {"bitfields with 24 bits", with([](BmpLayout& s) { s.compression = 3; }),
       "BITFIELDS with 24"},
      {"RLE8 with 24 bits", with([](BmpLayout& s) { s.compression = 1; }),
       "RLE8 compression with 24"},
      {"embedded JPEG", with([](BmpLayout& s) { s.compression = 4; }), "not supported"},
      {"unknown compression", with([](BmpLayout& s) { s.compression = 9; }),
       "unknown compression 9"},
      {"colour table cut short", with([](BmpLayout& s) {
         s.bits = 8;
         s.colorsUsed = 0;
         s.pixels.resize(10);
       }),
       "cut short in its colour table"},
      {"RLE without end", with([](BmpLayout& s) {
         s.bits = 8;
         s.compression = 1;
         s.palette = kColours;
         s.colorsUsed = 5;
         s.pixels = {0x02, 0x01, 0x00};
       }),
       "RLE data cut short"},
      {"RLE stretch cut short", with([](BmpLayout& s) {
         s.bits = 8;
         s.compression = 1;
         s.palette = kColours;
         s.colorsUsed = 5;
         s.pixels = {0x00, 0x09, 1, 2};
       }),
       "RLE data cut short"},
  };
  for (const Case& c : cases) {
    try {
      DecodeBmp(c.make());
      ADD_FAILURE() << c.name << ": accepted";
    } catch (const PlateError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
          << c.name << ": " << e.what();
    }
  }
}

TEST(DecodeBmp, CallerLimitOnPixels) {
  BmpLayout s;
  s.width = 100;
  s.height = 100;
  s.bits = 8;
  s.compression = 1;
  s.palette = kColours;
  s.colorsUsed = 5;
  s.pixels = {0x00, 0x01};  // an all-blank RLE image is legal
  EXPECT_EQ(DecodeBmp(BuildBmp(s)).Width(), 100);
  EXPECT_THROW(DecodeBmp(BuildBmp(s), 9999), PlateError);
}

}  // namespace
}  // namespace qp
