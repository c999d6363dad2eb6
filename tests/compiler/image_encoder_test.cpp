#include "compiler/image_encoder.h"

#include <gtest/gtest.h>

#include "compiler/group_file_reader.h"
#include "compiler/palette.h"
#include "compiler/plate_error.h"
#include "compiler/row_runs.h"
#include "tests/compiler/chart_raster_helpers.h"
#include "tests/compiler/compiler_test_helpers.h"

namespace qp {
namespace {

using testing::Hex;

std::vector<uint8_t> Repeat(uint8_t v, int n) {
  return std::vector<uint8_t>(n, v);
}
std::vector<uint8_t> Counting(int n) {
  std::vector<uint8_t> row;
  for (int i = 0; i < n; ++i) row.push_back(static_cast<uint8_t>(i));
  return row;
}
std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct RowCase {
  const char* name;
  std::vector<uint8_t> row;
  std::vector<uint8_t> encoded;
};

TEST(EncodeRow, ByteExactRecords) {
  const RowCase cases[] = {
      {"three equal, too short for a run", {7, 7, 7}, Hex("03 07 07 07")},
      {"four equal", {7, 7, 7, 7}, Hex("84 07")},
      {"run at the last possible start", {1, 7, 7, 7}, Hex("04 01 07 07 07")},
      {"literal then run", {1, 2, 7, 7, 7, 7}, Hex("02 01 02 84 07")},
      {"run split off a literal", {1, 2, 2, 2, 3}, Hex("01 01 83 02 01 03")},
      {"run, literal, run", {5, 5, 5, 5, 5, 1, 2, 3, 3, 3, 3}, Hex("85 05 02 01 02 84 03")},
      {"run after run ending the row", {9, 9, 9, 9, 1, 1, 1}, Hex("84 09 83 01")},
      {"two left after a run", {9, 9, 9, 9, 1, 1}, Hex("84 09 02 01 01")},
      {"ten then three", Join(Repeat(3, 10), {8, 8, 8}), Hex("8A 03 83 08")},
      {"127 equal", Repeat(4, 127), Hex("FF 04")},
      {"128 equal", Repeat(4, 128), Hex("FF 04 81 04")},
      {"130 equal", Repeat(4, 130), Hex("FF 04 83 04")},
      {"127 equal then one", Join(Repeat(4, 127), {5}), Hex("FF 04 01 05")},
      {"127 different", Counting(127), Join(Hex("7F"), Counting(127))},
      {"128 different", Counting(128),
       Join(Join(Join(Hex("7F"), Counting(127)), Hex("01")), {127})},
      {"127 different then a run", Join(Counting(127), Repeat(200, 4)),
       Join(Join(Hex("7F"), Counting(127)), Hex("84 C8"))},
      {"single pixel", {9}, Hex("01 09")},
      {"254 equal", Repeat(6, 254), Hex("FF 06 FF 06")},
      {"two runs of 127", Join(Repeat(1, 127), Repeat(2, 127)), Hex("FF 01 FF 02")},
      {"254 different", Join(Counting(127), Counting(127)),
       Join(Join(Hex("7F"), Counting(127)), Join(Hex("7F"), Counting(127)))},
  };
  for (const RowCase& c : cases) {
    std::vector<uint8_t> out;
    EncodeRow(c.row, out);
    EXPECT_EQ(out, c.encoded) << c.name;
    // Every row decodes back to itself.
    EXPECT_EQ(DecodeImageRows(out, static_cast<uint16_t>(c.row.size()), 1), c.row) << c.name;
  }
}

// Rows of random short runs: the encoded form always decodes back, never
// exceeds w + ceil(w / 127) bytes and holds no forbidden control byte.
TEST(EncodeRow, RandomRowsRoundTrip) {
  std::mt19937 random(7);
  for (int trial = 0; trial < 2000; ++trial) {
    std::vector<uint8_t> row;
    int w = 1 + static_cast<int>(random() % 700);
    while (static_cast<int>(row.size()) < w) {
      uint8_t v = static_cast<uint8_t>(random() % 4);
      int run = 1 + static_cast<int>(random() % (random() % 8 == 0 ? 300 : 5));
      for (int i = 0; i < run && static_cast<int>(row.size()) < w; ++i) row.push_back(v);
    }
    std::vector<uint8_t> out;
    EncodeRow(row, out);
    ASSERT_LE(out.size(), row.size() + (row.size() + 126) / 127);
    ASSERT_EQ(DecodeImageRows(out, static_cast<uint16_t>(w), 1), row) << "trial " << trial;
  }
}

// Rows of native pixels with runs of every length around the wide compares'
// steps, a stray top byte and colours that share a palette index: each pixel
// gets the matcher's index, and neighbouring runs never share one.
TEST(RowRunMapper, EveryPixelGetsItsIndex) {
  const uint32_t colours[] = {0xFFFFFF, 0x000000, 0x0000FF, 0x0000FE, 0x123456};
  const PaletteMatcher& matcher = PlatePaletteMatcher();
  std::mt19937 random(11);
  RowRunMapper mapper;
  std::vector<IndexRun> runs;
  for (int trial = 0; trial < 500; ++trial) {
    std::vector<uint32_t> row;
    const int w = 1 + static_cast<int>(random() % 300);
    while (static_cast<int>(row.size()) < w) {
      const uint32_t native = colours[random() % 5] | (random() % 4 == 0 ? 0xFF000000u : 0u);
      const int run = 1 + static_cast<int>(random() % 40);
      for (int i = 0; i < run && static_cast<int>(row.size()) < w; ++i) row.push_back(native);
    }
    mapper.Map(row.data(), w, runs);
    std::vector<uint8_t> expanded;
    for (size_t i = 0; i < runs.size(); ++i) {
      if (i > 0) {
        ASSERT_NE(runs[i].index, runs[i - 1].index) << "trial " << trial;
      }
      expanded.insert(expanded.end(), size_t(runs[i].length), runs[i].index);
    }
    ASSERT_EQ(expanded.size(), row.size()) << "trial " << trial;
    for (int x = 0; x < w; ++x) {
      ASSERT_EQ(expanded[x], matcher.Match(PlateRaster::NativeToColour(row[x])))
          << "trial " << trial << " x " << x;
    }
  }
}

TEST(ClipApplies, Conditions) {
  struct Case {
    bool flag;
    ClipRect rect;
    bool applies;
  };
  const Case cases[] = {
      {true, {1, 1, 9, 9}, true},   {false, {1, 1, 9, 9}, false},
      {true, {0, 0, 9, 9}, true},   {true, {0, 0, 10, 9}, false},  // Right = width
      {true, {0, 0, 9, 10}, false}, {true, {5, 1, 5, 9}, false},   // empty
      {true, {6, 1, 5, 9}, false},  {true, {1, 6, 9, 5}, false},
      {true, {-1, 0, 9, 9}, false}, {true, {0, -3, 9, 9}, false},  // negative corner
      {true, {10, 0, 9, 9}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClipApplies(c.flag, c.rect, 10, 10), c.applies)
        << c.rect.Left << "," << c.rect.Top << "," << c.rect.Right << "," << c.rect.Bottom;
  }
}

PlateRaster PatternRaster(int w, int h) {
  PlateRaster raster(w, h);
  const PlatePaletteTable& p = PlatePalette();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) raster.SetPixel(x, y, p.entries[(x / 3 + y * 7) % p.count]);
  return raster;
}

TEST(EncodePlateImage, WholeRasterAndClip) {
  testing::ScratchDir dir;
  const PlateRaster raster = PatternRaster(40, 30);
  struct Case {
    bool clip;
    ClipRect rect;
    int left, top, width, height;
  };
  const Case cases[] = {
      {false, {5, 5, 20, 20}, 0, 0, 40, 30}, {true, {5, 4, 20, 29}, 5, 4, 15, 25},
      {true, {5, 4, 40, 29}, 0, 0, 40, 30},  // Right = width: ignored
      {true, {-1, 4, 20, 29}, 0, 0, 40, 30}, {true, {0, 0, 1, 1}, 0, 0, 1, 1},
  };
  const PlatePaletteTable& p = PlatePalette();
  for (const Case& c : cases) {
    EncodedImage e = EncodePlateImage(raster, c.clip, c.rect, dir / "EXP.TMP");
    EXPECT_EQ(e.RasterWidth, 40);
    EXPECT_EQ(e.RasterHeight, 30);
    ASSERT_EQ(e.ImageWidth, c.width);
    ASSERT_EQ(e.ImageHeight, c.height);
    EXPECT_EQ(e.Clip, c.rect);
    std::vector<uint8_t> file = testing::ReadBytes(dir / "EXP.TMP");
    EXPECT_EQ(testing::U16At(file, 0), c.width);
    EXPECT_EQ(testing::U16At(file, 2), c.height);
    EXPECT_EQ(testing::U32At(file, 4), file.size() - 8);
    EXPECT_EQ(e.DataLength, file.size() - 8);
    std::vector<uint8_t> indices =
        DecodeImageRows(std::span(file).subspan(8), static_cast<uint16_t>(c.width),
                        static_cast<uint16_t>(c.height));
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
        ASSERT_EQ(p.entries[indices[y * c.width + x]], raster.Pixel(c.left + x, c.top + y));
  }
}

TEST(EncodePlateImage, WidthOneGivesTwoBytesPerRow) {
  testing::ScratchDir dir;
  PlateRaster raster(1, 5);
  EncodePlateImage(raster, false, {}, dir / "EXP.TMP");
  EXPECT_EQ(testing::ReadBytes(dir / "EXP.TMP"),
            Hex("01 00 05 00 0A 00 00 00 01 0F 01 0F 01 0F 01 0F 01 0F"));
}

TEST(EncodePlateImage, WideRowsBeyondAFixedBuffer) {
  testing::ScratchDir dir;
  PlateRaster raster(30000, 2);
  for (int x = 0; x < 30000; ++x) raster.SetPixel(x, 0, PlatePalette().entries[x % 200]);
  EncodedImage e = EncodePlateImage(raster, false, {}, dir / "EXP.TMP");
  std::vector<uint8_t> file = testing::ReadBytes(dir / "EXP.TMP");
  EXPECT_EQ(e.ImageWidth, 30000);
  EXPECT_EQ(DecodeImageRows(std::span(file).subspan(8), 30000, 2).size(), 60000u);
}

TEST(EncodePlateImage, UnwritableTempFileRaises) {
  testing::ScratchDir dir;
  PlateRaster raster(2, 2);
  EXPECT_THROW(EncodePlateImage(raster, false, {}, dir / "missing" / "EXP.TMP"), PlateError);
}

// The fast matcher must give the file the full scan would give.
TEST(EncodePlateImage, ChartMatchesReferenceScanByteForByte) {
  testing::ScratchDir dir;
  const PlateRaster raster = testing::MakeChartRaster();
  const ClipRect clip{10, 12, 1000, 1300};
  for (bool clipped : {false, true}) {
    EncodedImage e = EncodePlateImage(raster, clipped, clip, dir / "EXP.TMP");
    const int left = clipped ? clip.Left : 0, top = clipped ? clip.Top : 0;
    std::vector<uint8_t> reference;
    for (int y = 0; y < e.ImageHeight; ++y)
      for (int x = 0; x < e.ImageWidth; ++x)
        reference.push_back(NearestPaletteIndex(raster.Pixel(left + x, top + y)));
    WriteImageBlock(reference, e.ImageWidth, e.ImageHeight, dir / "REF.TMP");
    EXPECT_EQ(testing::ReadBytes(dir / "EXP.TMP"), testing::ReadBytes(dir / "REF.TMP"));
  }
}

}  // namespace
}  // namespace qp
