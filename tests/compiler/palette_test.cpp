#include "compiler/palette.h"

#include <gtest/gtest.h>

#include <random>

namespace qp {
namespace {

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
  return (b << 16) | (g << 8) | r;
}

TEST(PlatePalette, TableLayout) {
  const PlatePaletteTable& p = PlatePalette();
  ASSERT_EQ(p.count, 246);
  struct Row {
    int index;
    uint32_t colour;
  };
  const Row rows[] = {
      {0, Rgb(0, 0, 0)},         {1, Rgb(128, 0, 0)},       {8, Rgb(192, 192, 192)},
      {15, Rgb(255, 255, 255)},  {16, Rgb(0, 0, 128)},      {17, Rgb(0, 0, 255)},
      {18, Rgb(0, 64, 0)},       {30, Rgb(20, 0, 0)},       {223, Rgb(255, 255, 128)},
      {224, Rgb(32, 32, 32)},    {237, Rgb(240, 240, 240)}, {238, Rgb(200, 150, 50)},
      {245, Rgb(252, 253, 208)},
  };
  for (const Row& row : rows) EXPECT_EQ(p.entries[row.index], row.colour) << row.index;
  for (int i = 246; i < 256; ++i) EXPECT_EQ(p.entries[i], 0u);
  // The eleven repeats of earlier entries keep their places.
  const std::pair<int, int> repeats[] = {{16, 4},   {17, 12}, {21, 2},  {22, 6},
                                         {27, 10},  {29, 14}, {210, 9}, {212, 13},
                                         {222, 11}, {230, 7}, {234, 8}};
  for (auto [later, earlier] : repeats) EXPECT_EQ(p.entries[later], p.entries[earlier]) << later;
}

struct MatchCase {
  uint32_t colour;
  uint8_t index;
};

TEST(NearestPaletteIndex, KnownColours) {
  const MatchCase cases[] = {
      {Rgb(255, 255, 255), 15}, {Rgb(0, 0, 0), 0},
      {Rgb(10, 0, 0), 0},  // tie with entry 30: the lower index wins
      {Rgb(128, 128, 128), 7},  {Rgb(0, 0, 255), 12},
      {Rgb(200, 150, 50), 238}, {Rgb(100, 100, 100), 228},
      {Rgb(30, 60, 90), 34},    {0xFF000000u | Rgb(30, 60, 90), 34},  // the top byte is ignored
  };
  const PaletteMatcher& fast = PlatePaletteMatcher();
  for (const MatchCase& c : cases) {
    EXPECT_EQ(NearestPaletteIndex(c.colour), c.index) << std::hex << c.colour;
    EXPECT_EQ(fast.Match(c.colour), c.index) << std::hex << c.colour;
  }
}

TEST(PaletteMatcher, NeverReturnsARepeatedEntry) {
  const PlatePaletteTable& p = PlatePalette();
  for (int i = 0; i < p.count; ++i) {
    uint8_t found = PlatePaletteMatcher().Match(p.entries[i]);
    EXPECT_EQ(p.entries[found], p.entries[i]);
    EXPECT_LE(found, i);
  }
}

// A sample of the colour cube, cheap enough for the sanitizer build.
TEST(PaletteMatcher, AgreesWithFullScanOnRandomColours) {
  std::mt19937 random(12345);
  const PaletteMatcher matcher(PlatePalette());
  for (int i = 0; i < 200000; ++i) {
    uint32_t colour = random() & 0xFFFFFF;
    ASSERT_EQ(matcher.Match(colour), NearestPaletteIndex(colour)) << std::hex << colour;
  }
}

TEST(PaletteMatcher, ExhaustiveAgreesWithFullScanOnAllColours) {
  const PaletteMatcher matcher(PlatePalette());
  int mismatches = 0;
  for (uint32_t colour = 0; colour < (1u << 24); ++colour) {
    if (matcher.Match(colour) != NearestPaletteIndex(colour) && ++mismatches < 10) {
      ADD_FAILURE() << "colour " << std::hex << colour;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace qp
