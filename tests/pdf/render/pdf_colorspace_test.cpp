#include "pdf/render/pdf_colorspace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/pdf/render/colour_test_helpers.h"

namespace qp::pdf {
namespace {

using testing::ParseObject;
using testing::TextDocument;

TColor Color(std::initializer_list<double> values) {
  TColor color;
  int i = 0;
  for (double v : values) color.Comps[i++] = FixedFromDouble(v);
  return color;
}

struct Bytes {
  int r, g, b;
  bool operator==(const Bytes&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Bytes& b) {
  return out << "(" << b.r << ", " << b.g << ", " << b.b << ")";
}
Bytes ToBytes(const TRGB& rgb) {
  return {ByteFromFixed(rgb.R), ByteFromFixed(rgb.G), ByteFromFixed(rgb.B)};
}

TPDColorSpacePtr Space(const std::string& text, TextDocument* document = nullptr) {
  TPDObjectPtr object = document ? document->Parse(text) : ParseObject(text);
  return TPDColorSpace::MakeColorSpace(object.get(), "CS0", document);
}

TEST(FixedPoint, RoundsHalvesToEvenAndSaturates) {
  const struct {
    double value;
    int32_t expected;
  } cases[] = {
      {0.5, 32768},      {1.0, 65536},       {0.5 / 65536, 0},  {1.5 / 65536, 2},
      {2.5 / 65536, 2},  {-2.5 / 65536, -2}, {0.1373, 8998},  // 8998.09
      {1e30, INT32_MAX}, {-1e30, INT32_MIN}, {std::nan(""), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(FixedFromDouble(c.value), c.expected) << c.value;
  EXPECT_EQ(FixedTruncFromDouble(0.9373), 61426);  // 61426.89
  EXPECT_EQ(FixedTruncFromDouble(-0.9373), -61426);
  EXPECT_EQ(ByteFromFixed(65536), 255);
  EXPECT_EQ(ByteFromFixed(-5), 0);
}

TEST(MakeColorSpace, FamiliesByNameAndArray) {
  const struct {
    const char* text;
    int mode;  // -1: none
    int comps;
  } cases[] = {
      {"/DeviceGray", csDeviceGray, 1},
      {"/G", csDeviceGray, 1},
      {"/DeviceRGB", csDeviceRGB, 3},
      {"/RGB", csDeviceRGB, 3},
      {"/DeviceCMYK", csDeviceCMYK, 4},
      {"/CMYK", csDeviceCMYK, 4},
      {"/Pattern", -1, 0},  // the cs operator makes that one itself
      {"/CalRGB", -1, 0},
      {"/Foo", -1, 0},
      {"[/DeviceRGB]", csDeviceRGB, 3},
      {"[/CalRGB << /WhitePoint [0.95 1 1.09] /Gamma [2.2 2.2 2.2] >>]", csCalRGB, 3},
      {"[/CalGray << /WhitePoint [0.95 1 1.09] >>]", csCalGray, 1},
      {"[/Lab << /WhitePoint [0.95 1 1.09] >>]", csLab, 3},
      {"[/Indexed /DeviceRGB 0 <000000>]", csIndexed, 1},
      {"[/I /DeviceRGB 0 <000000>]", csIndexed, 1},
      {"[/Separation /Spot /DeviceGray /Identity]", csSeparation, 1},
      {"[/DeviceN [/A /B /C] /DeviceRGB /Identity]", csDeviceN, 3},
      {"[/Pattern]", csPattern, 1},
      {"[/Pattern /DeviceRGB]", csPattern, 1},
      {"[/Foo /DeviceRGB]", -1, 0},
      {"[]", -1, 0},
      {"[1 2]", -1, 0},
      {"42", -1, 0},
  };
  for (const auto& c : cases) {
    TPDColorSpacePtr space = Space(c.text);
    if (c.mode < 0) {
      EXPECT_FALSE(space) << c.text;
      continue;
    }
    ASSERT_TRUE(space) << c.text;
    EXPECT_EQ(space->GetMode(), c.mode) << c.text;
    EXPECT_EQ(space->GetNoOfComps(), c.comps) << c.text;
    EXPECT_EQ(space->GetTagName(), "CS0");
  }
}

struct RgbCase {
  std::string space;
  TColor color;
  Bytes expected;
};

void ExpectRgbCases(const std::vector<RgbCase>& cases, TextDocument* document = nullptr) {
  for (const RgbCase& c : cases) {
    TPDColorSpacePtr space = Space(c.space, document);
    ASSERT_TRUE(space) << c.space;
    const TRGB rgb = space->GetRGB(c.color);
    EXPECT_EQ(ToBytes(rgb), c.expected) << c.space << " " << c.color.Comps[0];
    // The row conversion agrees with the single one.
    TRGB row[2];
    const TColor colors[2] = {c.color, c.color};
    space->GetRGBs(colors, row, 2);
    EXPECT_TRUE(row[0] == rgb && row[1] == rgb) << c.space;
  }
}

TEST(DeviceSpaces, ConvertToRgb) {
  ExpectRgbCases({
      {"/DeviceGray", Color({0.5}), {128, 128, 128}},
      {"/DeviceRGB", Color({0.5, 0.5, 0.5}), {128, 128, 128}},
      {"/DeviceGray", Color({1.7}), {255, 255, 255}},
      {"/DeviceRGB", Color({-1, 2, 0.2}), {0, 255, 51}},
      {"[/CalGray << /Gamma 2.2 >>]", Color({0.5}), {128, 128, 128}},
      {"[/CalRGB << /Gamma [2.2 2.2 2.2] >>]", Color({1, 0, 0}), {255, 0, 0}},
      {"/DeviceCMYK", Color({0, 0, 0, 1}), {35, 31, 32}},
      {"/DeviceCMYK", Color({1, 0, 0, 0}), {0, 173, 239}},
      {"/DeviceCMYK", Color({0, 0, 0, 0}), {255, 255, 255}},
      {"/DeviceCMYK", Color({1, 1, 1, 1}), {0, 0, 0}},
      {"/DeviceCMYK", Color({0, 1, 1, 0}), {237, 28, 36}},
      // Components outside 0 … 1 extrapolate before the result is clamped.
      {"/DeviceCMYK", Color({-1, 0, 0, 0}), {255, 255, 255}},
  });
}

TEST(DeviceSpaces, CmykInterpolationInFixedPoint) {
  // Truncated at 16.16, not rounded.
  const TRGB black = RGBFromCMYK(0, 0, 0, kFixedOne);
  EXPECT_EQ(black.R, 8998);  // 0.1373 × 65536 = 8998.09
  EXPECT_EQ(black.G, 7969);  // 7969.18
  EXPECT_EQ(black.B, 8224);  // 8224.77
  const TRGB half = RGBFromCMYK(0, 0, 0, kFixedOne / 2);
  EXPECT_EQ(half.R, 37267);  // (1 + 0.1373) / 2 × 65536 = 37267.05
}

TEST(DeviceSpaces, GrayAndCmyk) {
  TPDDeviceGrayColorSpace gray;
  TPDDeviceRGBColorSpace rgb;
  TPDDeviceCMYKColorSpace cmyk;
  EXPECT_EQ(gray.GetCMYK(Color({0.25})), (TCMYK{0, 0, 0, 49152}));
  EXPECT_EQ(rgb.GetCMYK(Color({1, 0.5, 0})), (TCMYK{0, 32768, 65536, 0}));
  EXPECT_EQ(rgb.GetCMYK(Color({0.25, 0.5, 0.75})), (TCMYK{32768, 16384, 0, 16384}));
  // 0.3·65536 + 0.5 = 19661.3 → 19661
  EXPECT_EQ(rgb.GetGray(Color({1, 0, 0})), 19661);
  EXPECT_EQ(rgb.GetGray(Color({1, 1, 1})), 65536);
  // 65536 − 0.3·65536 + 0.5 = 45875.7 → 45876
  EXPECT_EQ(cmyk.GetGray(Color({1, 0, 0, 0})), 45876);
  // Full ink would give a negative intensity; it is clamped to black.
  EXPECT_EQ(cmyk.GetGray(Color({1, 1, 1, 1})), 0);
  EXPECT_EQ(cmyk.GetCMYK(Color({2, -1, 0.5, 0})), (TCMYK{65536, 0, 32768, 0}));
  EXPECT_EQ(cmyk.GetDefaultColor(), Color({0, 0, 0, 1}));
  EXPECT_EQ(gray.GetDefaultColor(), Color({}));
}

TEST(LabSpace, ConvertsAndDefaults) {
  const std::string d65 = "[/Lab << /WhitePoint [0.9505 1 1.089] >>]";
  ExpectRgbCases({
      {d65, Color({100, 0, 0}), {255, 255, 255}},
      {d65, Color({0, 0, 0}), {0, 0, 0}},
      // Clipped below 0 in red and above 1 in blue.
      {d65, Color({50, 0, -80}), {0, 119, 255}},
      // Mid-gray L 50: Y = 0.1842, square root 0.4292.
      {d65, Color({50, 0, 0}), {109, 109, 109}},
  });
  TPDColorSpacePtr lab = Space("[/Lab << /WhitePoint [1 1 1] /Range [10 20 -20 -10] >>]");
  ASSERT_TRUE(lab);
  EXPECT_EQ(lab->GetDefaultColor(), Color({0, 10, -10}));
  TComponentRanges low, range;
  lab->GetDefaultRanges(low, range, 255);
  EXPECT_EQ(low[0], 0);
  EXPECT_EQ(range[0], 100);
  EXPECT_EQ(low[1], 10);
  EXPECT_EQ(range[1], 10);
  EXPECT_EQ(low[2], -20);
  EXPECT_EQ(range[2], 10);
  // A degenerate white point gives black, not garbage.
  TPDColorSpacePtr zero = Space("[/Lab << /WhitePoint [0 0 0] >>]");
  EXPECT_EQ(ToBytes(zero->GetRGB(Color({100, 0, 0}))), (Bytes{0, 0, 0}));
}

TEST(ICCBasedSpace, ConvertsByItsAlternate) {
  TextDocument document;
  document.AddStream(1, "<< /N 3 >>", "profile");
  document.AddStream(2, "<< /N 1 /Alternate /DeviceGray >>", "");
  document.AddStream(3, "<< /N 4 >>", "");
  document.AddStream(4, "<< /N 5 >>", "");
  document.AddStream(5, "<< /N 3 /Alternate [/CalRGB << >>] >>", "");
  document.AddStream(6, "<< /N 2 /Range [0 1 -1 -0.5] >>", "");
  document.AddStream(7, "<< /N 40 >>", "");
  ExpectRgbCases({{"[/ICCBased 1 0 R]", Color({1, 0, 0}), {255, 0, 0}},
                  {"[/ICCBased 2 0 R]", Color({0.5}), {128, 128, 128}},
                  {"[/ICCBased 3 0 R]", Color({0, 0, 0, 1}), {35, 31, 32}},
                  {"[/ICCBased 4 0 R]", Color({1, 1, 1, 1, 1}), {0, 0, 0}},
                  // An alternate that is not a device name: the count decides.
                  {"[/ICCBased 5 0 R]", Color({0, 0, 1}), {0, 0, 255}}},
                 &document);
  TPDColorSpacePtr ranged = Space("[/ICCBased 6 0 R]", &document);
  ASSERT_TRUE(ranged);
  EXPECT_EQ(ranged->GetDefaultColor(), Color({0, -0.5}));
  TPDColorSpacePtr wide = Space("[/ICCBased 7 0 R]", &document);
  EXPECT_EQ(wide->GetNoOfComps(), 32);
  TPDColorSpacePtr cmyk = Space("[/ICCBased 3 0 R]", &document);
  TComponentRanges low, range;
  cmyk->GetDefaultRanges(low, range, 255);
  EXPECT_EQ(range[3], 1);
}

TEST(IndexedSpace, LooksUpItsTable) {
  TextDocument document;
  document.AddStream(1, "<< >>", std::string("\xff\x00\x00\x00\x00\xff", 6));
  document.AddStream(2, "<< >>", std::string("\xff\x00\x00\x00", 4));  // short
  document.Add(3, "[/Indexed /DeviceRGB 1 <FF00000000FF>]");
  const std::string literal = "[/Indexed /DeviceRGB 1 (\\377\\000\\000\\000\\000\\377)]";
  ExpectRgbCases(
      {
          {"[/Indexed /DeviceRGB 1 <FF00000000FF>]", Color({0}), {255, 0, 0}},
          {"[/Indexed /DeviceRGB 1 <FF00000000FF>]", Color({1}), {0, 0, 255}},
          {literal, Color({0}), {255, 0, 0}},
          {literal, Color({1}), {0, 0, 255}},
          {"[/Indexed /DeviceRGB 1 1 0 R]", Color({1}), {0, 0, 255}},
          // A short stream: the missing bytes are 0.
          {"[/Indexed /DeviceRGB 1 2 0 R]", Color({1}), {0, 0, 0}},
          {"[/Indexed /DeviceRGB 1 2 0 R]", Color({0.6}), {0, 0, 0}},
          {"[/Indexed /DeviceRGB 1 2 0 R]", Color({0.4}), {255, 0, 0}},
          // An invalid pair of digits gives 0.
          {"[/Indexed /DeviceRGB 0 <FFGG80>]", Color({0}), {255, 0, 128}},
          // Indices outside 0 … hival are clamped into it.
          {"[/Indexed /DeviceRGB 1 <FF00000000FF>]", Color({7}), {0, 0, 255}},
          {"[/Indexed /DeviceRGB 1 <FF00000000FF>]", Color({-3}), {255, 0, 0}},
          // A short string or a bad hival: no table, black.
          {"[/Indexed /DeviceRGB 1 <FF0000>]", Color({0}), {0, 0, 0}},
          {"[/Indexed /DeviceRGB 1 (\\377\\000\\000)]", Color({0}), {0, 0, 0}},
          {"[/Indexed /DeviceRGB 256 <FF0000>]", Color({0}), {0, 0, 0}},
          {"[/Indexed /DeviceRGB 0.5 <FF0000>]", Color({0}), {0, 0, 0}},
          {"[/Indexed /DeviceRGB 0 <FF0000> 5]", Color({0}), {0, 0, 0}},
          {"[/Indexed /DeviceCMYK 0 <00000000>]", Color({0}), {255, 255, 255}},
          {"[/Indexed /DeviceGray 0 <80>]", Color({0}), {128, 128, 128}},
          {"[/Indexed 3 0 R 0 <01>]", Color({0}), {0, 0, 255}},
      },
      &document);

  // The index is rounded, halves to even.
  TPDColorSpacePtr gray = Space("[/Indexed /DeviceGray 3 <00 40 80 FF>]");
  const struct {
    double index;
    int expected;
  } rounding[] = {{0.5, 0}, {1.5, 0x80}, {2.5, 0x80}, {2.51, 0xff}, {1.49, 0x40}};
  for (const auto& r : rounding) {
    EXPECT_EQ(ToBytes(gray->GetRGB(Color({r.index}))).r, r.expected) << r.index;
  }
  auto* indexed = static_cast<TPDIndexedColorSpace*>(gray.get());
  EXPECT_EQ(indexed->GetIndexHigh(), 3);
  EXPECT_EQ(indexed->GetBaseColor(1).Comps[0], FixedTruncFromDouble(0x40 / 255.0));
  TComponentRanges low, range;
  gray->GetDefaultRanges(low, range, 15);
  EXPECT_EQ(low[0], 0);
  EXPECT_EQ(range[0], 15);
  EXPECT_EQ(gray->GetGray(Color({3})), 65536);
  EXPECT_EQ(gray->GetCMYK(Color({0})), (TCMYK{0, 0, 0, 65536}));
}

TEST(IndexedSpace, LookupOverLabUsesItsRanges) {
  // Byte 255 over L 0 … 100 is L 100: white.
  TPDColorSpacePtr space = Space("[/Indexed [/Lab << /WhitePoint [0.9505 1 1.089] >>] 0 <FF8080>]");
  ASSERT_TRUE(space);
  const TColor& base = static_cast<TPDIndexedColorSpace*>(space.get())->GetBaseColor(0);
  EXPECT_EQ(base.Comps[0], 100 * 65536);
  EXPECT_EQ(ToBytes(space->GetRGB(Color({0}))).g, 255);
}

TEST(SeparationSpace, TintTransforms) {
  TextDocument document;
  document.AddStream(1, "<< /FunctionType 4 /Domain [0 1] /Range [0 1 0 1 0 1 0 1] >>",
                     "{ 0 0 0 4 -1 roll }");
  document.AddStream(2, "<< /FunctionType 4 /Domain [0 1] /Range [0 1 0 1 0 1] >>",
                     "{ dup 1 exch sub 0 }");  // t → (t, 1 − t, 0)
  document.AddStream(3,
                     "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] "
                     "/BitsPerSample 8 >>",
                     std::string("\xff\x00", 2));
  const std::string allCmyk =
      "[/Separation /All /DeviceCMYK << /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] "
      "/C1 [0 0 0 1] /N 1 >>]";
  ExpectRgbCases(
      {
          {allCmyk, Color({0.5}), {145, 143, 143}},
          {allCmyk, Color({0}), {255, 255, 255}},
          {"[/Separation /Spot /DeviceCMYK 1 0 R]", Color({1}), {35, 31, 32}},
          {"[/Separation /Spot /DeviceRGB 2 0 R]", Color({0.25}), {64, 191, 0}},
          {"[/Separation /Spot /DeviceGray 3 0 R]", Color({0.25}), {191, 191, 191}},
          // Without a tint transform: the alternate's default colour, with the
          // tint as K for the colorant Black.
          {"[/Separation /Black /DeviceCMYK /NoSuchFunction]", Color({0}), {255, 255, 255}},
          {"[/Separation /Cyan /DeviceCMYK 5]", Color({0}), {35, 31, 32}},
          {"[/Separation /Spot /DeviceRGB 5]", Color({0.5}), {0, 0, 0}},
          // Without an alternate, or of the wrong form: black.
          {"[/Separation /Spot /NoSpace 1 0 R]", Color({0}), {0, 0, 0}},
          {"[/Separation (Spot) /DeviceGray /Identity]", Color({1}), {0, 0, 0}},
          {"[/Separation /Spot /DeviceGray]", Color({1}), {0, 0, 0}},
      },
      &document);

  TPDColorSpacePtr black = Space("[/Separation /Black /DeviceCMYK 9]");
  EXPECT_EQ(black->GetDefaultColor(), Color({0, 0, 0, 1}));
  TPDColorSpacePtr spot = Space(allCmyk);
  EXPECT_EQ(spot->GetDefaultColor(), Color({1}));
  EXPECT_EQ(spot->GetCMYK(Color({0.5})), (TCMYK{0, 0, 0, 32768}));
  EXPECT_EQ(spot->GetGray(Color({1})), 0);
  // A repeated tint gives the same result as a fresh one.
  EXPECT_EQ(spot->GetRGB(Color({0.5})), RGBFromCMYK(0, 0, 0, 32768));
  EXPECT_EQ(spot->GetRGB(Color({0.25})), RGBFromCMYK(0, 0, 0, 16384));
  EXPECT_EQ(spot->GetRGB(Color({0.5})), RGBFromCMYK(0, 0, 0, 32768));
  TPDColorSpacePtr none = Space("[/Separation /None /DeviceGray /Identity]");
  EXPECT_TRUE(static_cast<TPDSeparationColorSpace*>(none.get())->IsNonMarking());
}

TEST(DeviceNSpace, TintTransforms) {
  TextDocument document;
  document.AddStream(1, "<< /FunctionType 4 /Domain [0 1 0 1] /Range [0 1 0 1 0 1 0 1] >>",
                     "{ 0 0 }");  // (c, m) → (c, m, 0, 0)
  const std::string cm = "[/DeviceN [/Cyan /Magenta] /DeviceCMYK 1 0 R]";
  ExpectRgbCases(
      {
          {cm, Color({1, 0}), {0, 173, 239}},
          {cm, Color({0, 1}), {236, 0, 140}},
          {"[/DeviceN [/R /G /B] /DeviceRGB /Identity]", Color({1, 0.5, 0}), {255, 128, 0}},
          {"[/DeviceN [/A] /DeviceGray << /FunctionType 2 /Domain [0 1] /N 2 >>]",
           Color({0.5}),
           {64, 64, 64}},
          // A name list with something else in it: no alternate, black.
          {"[/DeviceN [/R 5 /B] /DeviceRGB /Identity]", Color({1, 1, 1}), {0, 0, 0}},
          // An unusable function drops the alternate.
          {"[/DeviceN [/R /G /B] /DeviceRGB << /FunctionType 7 >>]", Color({1, 1, 1}), {0, 0, 0}},
          {"[/DeviceN [/R /G /B] /DeviceRGB]", Color({1, 1, 1}), {0, 0, 0}},
      },
      &document);
  TPDColorSpacePtr space = Space(cm, &document);
  EXPECT_EQ(space->GetDefaultColor(), Color({1, 1}));
  EXPECT_EQ(space->GetCMYK(Color({0.5, 0.25})), (TCMYK{32768, 16384, 0, 0}));
  // Colours alternate between calls: the cache must not hand out a stale result.
  EXPECT_EQ(ToBytes(space->GetRGB(Color({1, 0}))), (Bytes{0, 173, 239}));
  EXPECT_EQ(ToBytes(space->GetRGB(Color({0, 1}))), (Bytes{236, 0, 140}));
  EXPECT_EQ(ToBytes(space->GetRGB(Color({1, 0}))), (Bytes{0, 173, 239}));
  TPDColorSpacePtr names = Space("[/DeviceN [/None /None] /DeviceRGB /Identity]");
  EXPECT_TRUE(static_cast<TPDDeviceNColorSpace*>(names.get())->IsNonMarking());
}

TEST(PatternSpace, PaintsNothingAndKeepsItsUnderlyingSpace) {
  TPDColorSpacePtr pattern = Space("[/Pattern /DeviceCMYK]");
  ASSERT_TRUE(pattern);
  auto* space = static_cast<TPDPatternColorSpace*>(pattern.get());
  ASSERT_TRUE(space->GetUnder());
  EXPECT_EQ(space->GetUnder()->GetMode(), csDeviceCMYK);
  EXPECT_EQ(pattern->GetRGB(Color({1, 1, 1})), (TRGB{0, 0, 0}));
  TPDPatternColorSpace bare;
  EXPECT_FALSE(bare.GetUnder());
}

TEST(MakeColorSpace, BoundsNestingAndCycles) {
  TextDocument document;
  // An Indexed space whose base is itself, and a Separation whose
  // alternate is itself.
  document.Add(1, "[/Indexed 1 0 R 0 <00>]");
  document.Add(2, "[/Separation /S 2 0 R /Identity]");
  document.Add(3, "[/DeviceN [/A] 3 0 R /Identity]");
  for (const char* text : {"1 0 R", "2 0 R", "3 0 R"}) {
    TPDColorSpacePtr space = Space(text, &document);
    ASSERT_TRUE(space) << text;
    EXPECT_EQ(space->GetRGB(Color({0})), (TRGB{0, 0, 0})) << text;
  }
  // Indexed over Indexed … over DeviceGray: within the limit the chain
  // converts; one level more and the innermost composite is not built.
  const auto chain = [](int levels) {
    std::string text = "/DeviceGray";
    for (int i = 0; i < levels; ++i) text = "[/Indexed " + text + " 0 <FF>]";
    return text;
  };
  EXPECT_EQ(ToBytes(Space(chain(TPDColorSpace::kMaxNesting))->GetRGB(Color({0}))),
            (Bytes{255, 255, 255}));
  TPDColorSpacePtr deep = Space(chain(TPDColorSpace::kMaxNesting + 1));
  ASSERT_TRUE(deep);
  EXPECT_EQ(ToBytes(deep->GetRGB(Color({0}))), (Bytes{0, 0, 0}));
}

}  // namespace
}  // namespace qp::pdf
