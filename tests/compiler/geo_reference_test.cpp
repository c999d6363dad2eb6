#include "compiler/geo_reference.h"
#include "compiler/raster_geometry.h"

#include <gtest/gtest.h>

#include <optional>

#include "compiler/coordinate_entry.h"

namespace qp {
namespace {

TEST(RoundHalfEven, Halves) {
  const std::pair<double, double> cases[] = {{2.5, 2},   {3.5, 4},        {-2.5, -2}, {-3.5, -4},
                                             {0.5, 0},   {1.5, 2},        {2.4, 2},   {2.6, 3},
                                             {-2.6, -3}, {1e9 + 0.5, 1e9}};
  for (auto [in, out] : cases) EXPECT_EQ(RoundHalfEven(in), out) << in;
}

struct TextCase {
  int32_t value;
  const char* lat;  // nullptr: not a latitude case
  const char* lon;
};

TEST(CoordinateText, FormatsAndParsesBack) {
  const TextCase cases[] = {
      {0, "N00°00.00", "E000°00.00"},         {9266000, "N51°28.40", nullptr},
      {-6110300, "S33°56.46", nullptr},       {-21313450, nullptr, "W118°24.29"},
      {3700000, nullptr, "E020°33.20"},       {-90000, "S00°30.00", nullptr},
      {-16199999, "S89°59.59", "W089°59.59"}, {-32399999, nullptr, "W179°59.59"},
  };
  for (const TextCase& c : cases) {
    if (c.lat) {
      EXPECT_EQ(LatToText(c.value), c.lat) << c.value;
    }
    if (c.lon) {
      EXPECT_EQ(LongToText(c.value), c.lon) << c.value;
    }
  }
  // Whole seconds read back exactly.
  EXPECT_EQ(TextToLat("N51°28.40"), 9266000);
  EXPECT_EQ(TextToLat("S33°56.46"), -6110300);
  EXPECT_EQ(TextToLong("W118°24.29"), -21313450);
  EXPECT_EQ(TextToLong("E020°33.20"), 3700000);
}

TEST(CoordinateText, DropsTheRemainderBelowOneSecond) {
  EXPECT_EQ(LatToText(1234567), "N06°51.31");
  EXPECT_EQ(TextToLat(LatToText(1234567)), 1234550);
}

TEST(CoordinateText, MalformedTextGivesZeroOrPartialValues) {
  const std::pair<const char*, int32_t> lat[] = {
      {"n51°28.40", 0},
      {"X51°28.40", 0},
      {"", 0},
      {"N5°28.40", 0},       // layout broken: every field misses
      {"N51", 51 * 180000},  // fields the text does not reach count 0
      {"N51°6x.40", 51 * 180000 + 40 * 50},
      {"N51°75.99", 51 * 180000 + 75 * 3000 + 99 * 50},  // no range test
      {"E51°28.40", 0},                                  // a longitude letter is not a latitude
  };
  for (auto [text, value] : lat) EXPECT_EQ(TextToLat(text), value) << text;
  EXPECT_EQ(TextToLong("N000°00.00"), 0);
  EXPECT_EQ(TextToLong("W1"), 0);
}

TEST(CoordinateEntry, AcceptsTheShownFormAndRefusesEverythingElse) {
  const struct {
    const char* text;
    bool latitude;
    std::optional<int32_t> value;
  } cases[] = {
      {"N42\xC2\xB0"
       "30.15",
       true, 42 * 180000 + 30 * 3000 + 15 * 50},
      {"N42 30.15", true, 42 * 180000 + 30 * 3000 + 15 * 50},
      {"N4230.00", true, 42 * 180000 + 30 * 3000},  // once read as N42°00.06
      {" S5\xC2\xB0"
       "07.59 ",
       true, -(5 * 180000 + 7 * 3000 + 59 * 50)},
      {"N90\xC2\xB0"
       "00.00",
       true, 90 * 180000},
      {"W071\xC2\xB0"
       "02.05",
       false, -(71 * 180000 + 2 * 3000 + 5 * 50)},
      {"E8 00.01", false, 8 * 180000 + 50},
      {"W180\xC2\xB0"
       "00.00",
       false, -180 * 180000},
      // Refused: decimal minutes, a missing field, out of range, other letters.
      {"N42\xC2\xB0"
       "30.5",
       true, std::nullopt},
      {"N42.5", true, std::nullopt},
      {"N42\xC2\xB0"
       "60.00",
       true, std::nullopt},
      {"N42\xC2\xB0"
       "30.60",
       true, std::nullopt},
      {"N90\xC2\xB0"
       "00.01",
       true, std::nullopt},
      {"N123\xC2\xB0"
       "00.00",
       true, std::nullopt},
      {"n42\xC2\xB0"
       "30.15",
       true, std::nullopt},
      {"E42\xC2\xB0"
       "30.15",
       true, std::nullopt},
      {"42\xC2\xB0"
       "30.15N",
       true, std::nullopt},
      {"N42\xC2\xB0"
       "30'15\"",
       true, std::nullopt},
      {"", true, std::nullopt},
      {"W181\xC2\xB0"
       "00.00",
       false, std::nullopt},
      {"W1800\xC2\xB0"
       "00.00",
       false, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.latitude ? ParseLatitude(c.text) : ParseLongitude(c.text), c.value) << c.text;
  }
  EXPECT_EQ(LatitudeInWords(42 * 180000 + 30 * 3000 + 15 * 50),
            "42\xC2\xB0 30\xE2\x80\xB2 15\xE2\x80\xB3 N");
  EXPECT_EQ(LongitudeInWords(-(71 * 180000 + 2 * 3000 + 5 * 50)),
            "71\xC2\xB0 2\xE2\x80\xB2 5\xE2\x80\xB3 W");
}

TEST(ExtrapolateCorners, FromTwoReferencePoints) {
  // latPerPixel 180, longPerPixel 337.5.
  GeoReference first{100, 100, 9000000, 0}, second{900, 1100, 8820000, 270000};
  PlateCorners c = ExtrapolateCorners(first, second, 1000, 1200);
  EXPECT_EQ(c, (PlateCorners{9018000, -33750, 8802000, 303750}));
  // The order in which the points were set does not matter for the spans.
  EXPECT_EQ(ExtrapolateCorners(second, first, 1000, 1200), c);
}

TEST(ExtrapolateCorners, ClampsAndSurvivesEqualPoints) {
  GeoReference a{10, 10, 16000000, 32000000}, b{10, 10, -16000000, -32000000};
  PlateCorners c = ExtrapolateCorners(a, b, 100000, 100000);
  EXPECT_EQ(c.LatTL, kMaxLatitude);
  EXPECT_EQ(c.LatBR, -kMaxLatitude);
  EXPECT_EQ(c.LongTL, -kMaxLongitude);
  EXPECT_EQ(c.LongBR, kMaxLongitude);
}

TEST(ClipCorners, RecalculatesForTheClippedPart) {
  PlateCorners whole{9000000, 0, 8820000, 270000};
  EXPECT_EQ(ClipCorners(whole, 1000, 1500, {100, 150, 900, 1350}),
            (PlateCorners{8982000, 27000, 8838000, 243000}));
  // Ties round to even: 2/4 of 5 is 2.5 -> 2, 2/4 of 7 is 3.5 -> 4.
  EXPECT_EQ(ClipCorners({0, 0, 0, 5}, 4, 4, {2, 0, 4, 4}).LongTL, 2);
  EXPECT_EQ(ClipCorners({0, 0, 0, 7}, 4, 4, {2, 0, 4, 4}).LongTL, 4);
  // The whole raster keeps its corners.
  EXPECT_EQ(ClipCorners(whole, 1000, 1500, {0, 0, 1000, 1500}), whole);
  // Extreme spans do not overflow.
  PlateCorners wide{INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX};
  PlateCorners cut = ClipCorners(wide, 2, 2, {1, 1, 2, 2});
  EXPECT_EQ(cut.LongBR, INT32_MAX);
  EXPECT_EQ(cut.LongTL, 0);
  EXPECT_EQ(cut.LatTL, -1);
}

TEST(EnlargeForClip, ClipComesOutAtTheTargetSize) {
  // A 1024 x 1325 preview clipped to (100, 200)-(612, 862).
  ClipEnlargement e = EnlargeForClip(1024, 1325, true, {100, 200, 612, 862});
  EXPECT_EQ(e.Width, 2048);
  EXPECT_EQ(e.Height, 2652);
  EXPECT_EQ(e.Clip, (ClipRect{200, 400, 1224, 1725}));
  EXPECT_DOUBLE_EQ(e.YStretch, (1325.0 / 662) / 2);
  // An empty rectangle leaves the raster as it is.
  ClipEnlargement none = EnlargeForClip(1024, 1325, true, {300, 10, 300, 50});
  EXPECT_EQ(none.Width, 1024);
  EXPECT_EQ(none.Height, 1325);
  EXPECT_EQ(none.Clip, (ClipRect{300, 10, 300, 50}));
  EXPECT_EQ(none.YStretch, 1.0);
}

}  // namespace
}  // namespace qp
