#include <gtest/gtest.h>

#include <string>

#include "pdf/render/pdf_render.h"
#include "tests/pdf/render/render_test_helpers.h"

namespace qp::pdf {
namespace {

using testing::LoadBytes;
using testing::OnePageDocument;
using testing::Rendered;

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0xFF0000, kBlue = 0x0000FF;

struct Probe {
  int x, y;
  uint32_t colour;
};

struct PixelCase {
  const char* name;
  std::vector<std::string> streams;
  std::string page;
  int width, height;
  std::vector<Probe> probes;
};

TEST(RenderTest, PixelsAtKnownPlaces) {
  const std::string box = "/MediaBox [0 0 100 100]";
  const PixelCase cases[] = {
      {"y runs up: a square at the bottom left",
       {"0 0 1 rg 0 0 50 50 re f"},
       box,
       100,
       100,
       {{10, 90, kBlue}, {90, 10, kWhite}}},
      {"W n clip, then Q lifts it",
       {"q 10 10 20 20 re W n 0 g 0 0 100 100 re f Q 1 0 0 rg 60 60 30 30 re f"},
       box,
       100,
       100,
       {{20, 80, kBlack}, {50, 50, kWhite}, {75, 25, kRed}, {5, 95, kWhite}}},
      {"dash pattern's gaps: [10 10] at width 4",
       {"4 w [10 10] 0 d 0 50 m 100 50 l S"},
       box,
       100,
       100,
       {{5, 50, kBlack}, {15, 50, kWhite}, {25, 50, kBlack}, {35, 50, kWhite}}},
      {"dash lengths in user space: [10] at width 0.5 under a scale of 2 is 20 pixels",
       {"0.5 w [10] 0 d 2 0 0 2 0 0 cm 0 25.25 m 50 25.25 l S"},
       box,
       100,
       100,
       {{4, 49, kBlack}, {14, 49, kBlack}, {30, 49, kWhite}, {50, 49, kBlack}}},
      {"a dash period of 24 pixels at widths 0.25 and 2 under a scale of 4",
       {"4 0 0 4 0 0 cm [4 2] 1 d 0.25 w 0 20.125 m 25 20.125 l S 2 w 0 5 m 25 5 l S"},
       box,
       100,
       100,
       {{2, 19, kBlack},
        {10, 19, kBlack},
        {14, 19, kWhite},
        {18, 19, kWhite},
        {22, 19, kBlack},
        {34, 19, kBlack},
        {38, 19, kWhite},
        {46, 19, kBlack},
        {2, 80, kBlack},
        {10, 80, kBlack},
        {14, 80, kWhite},
        {18, 80, kWhite},
        {22, 80, kBlack},
        {34, 80, kBlack},
        {38, 80, kWhite},
        {46, 80, kBlack}}},
      {"an elliptical pen under a non-uniform matrix: 2 units are 8 pixels across, 2 down",
       {"4 0 0 1 0 0 cm 2 w 10 0 m 10 40 l S 15 50 m 25 50 l S"},
       box,
       100,
       100,
       {{37, 80, kBlack},
        {43, 80, kBlack},
        {35, 80, kWhite},
        {45, 80, kWhite},
        {80, 49, kBlack},
        {80, 50, kBlack},
        {80, 48, kWhite},
        {80, 51, kWhite}}},
      {"one factor for both axes, anchored at the top left: height 99.6 rounded to 100",
       {"0 0 100 99.6 re f 1 0 0 rg 0 89.6 100 10 re f"},
       "/MediaBox [0 0 100 99.6]",
       100,
       100,
       {{50, 0, kRed}, {50, 9, kRed}, {50, 10, kBlack}, {50, 98, kBlack}}},
      {"a target of other proportions is filled: a square page in a tall target",
       {"0 0 100 100 re f 1 0 0 rg 0 90 100 10 re f"},
       box,
       100,
       200,
       {{50, 5, kRed}, {50, 19, kRed}, {50, 150, kBlack}, {50, 199, kBlack}}},
      {"even-odd fill leaves the hole",
       {"0 0 100 100 re 25 25 50 50 re f*"},
       box,
       100,
       100,
       {{10, 10, kBlack}, {50, 50, kWhite}}},
      {"nonzero fill of the same path fills the hole",
       {"0 0 100 100 re 25 25 50 50 re f"},
       box,
       100,
       100,
       {{50, 50, kBlack}}},
      {"hairline still one pixel",
       {"0 w 0 50.5 m 100 50.5 l S"},
       box,
       100,
       100,
       {{50, 49, kBlack}, {50, 45, kWhite}}},
      {"operands split across two streams",
       {"1 0 0 rg 0 0 50", "50 re f"},
       box,
       100,
       100,
       {{25, 75, kRed}}},
      {"crop box fills the target",
       {"1 0 0 rg 50 50 50 50 re f"},
       "/MediaBox [0 0 200 200] /CropBox [50 50 150 150]",
       100,
       100,
       {{25, 75, kRed}, {75, 25, kWhite}}},
      {"a page without a box is US Letter",
       {"1 0 0 rg 512 692 100 100 re f"},
       "",
       61,
       79,
       {{56, 5, kRed}, {30, 5, kWhite}, {56, 40, kWhite}}},
      {"90-degree page in a landscape target",
       {"1 0 0 rg 0 0 50 50 re f 0 0 1 rg 0 150 50 50 re f"},
       "/MediaBox [0 0 100 200] /Rotate 90",
       200,
       100,
       {{25, 25, kRed}, {175, 25, kBlue}, {100, 75, kWhite}}},
      {"scaled into a larger target",
       {"1 0 0 rg 0 0 50 50 re f"},
       box,
       200,
       200,
       {{50, 150, kRed}, {150, 50, kWhite}}},
      {"bad input does not stop the page",
       {"1000000000 w 0 0 m 10 10 l S [0 0 0] 0 d 1 w 0 0 m 50 50 l S "
        "[-1 2] 0 d 0 0 m 50 50 l S 999999999 999999999 m -999999999 0 l 0 999999999 l f "
        "q 0 0 0 0 0 0 cm 0 0 m 1 1 l S Q q 1e-9 0 0 1e9 0 0 cm 1e9 w 0 0 m 1 0 l S Q Q Q Q",
        "0 0 1 rg 80 80 10 10 re f"},
       box,
       100,
       100,
       {{85, 15, kBlue}}},
      {"a clip that empties the page",
       {"0 0 m W n 0 0 100 100 re f"},
       box,
       100,
       100,
       {{50, 50, kWhite}}},
  };
  for (const PixelCase& c : cases) {
    auto doc = LoadBytes(OnePageDocument(c.streams, c.page));
    Rendered out(c.width, c.height);
    out.Render(*doc);
    for (const Probe& p : c.probes) {
      EXPECT_EQ(out.At(p.x, p.y), p.colour) << c.name << " at " << p.x << "," << p.y;
    }
  }
}

// Fill edges inside a pixel give it the share of its area they cover, for
// small fills (drawn through a coverage mask) and large ones alike, under a
// clip path and through curves.
TEST(RenderTest, FillCoverageOfEdgePixels) {
  struct Case {
    const char* name;
    const char* content;
    int size;  // of the square target, in pixels, for a page of 100 x 100
    int x, y;
    int grey;  // of the probed pixel
  };
  const Case cases[] = {
      {"edge at half a pixel", "0 0 50.5 100 re f", 100, 50, 50, 128},
      {"edge at a quarter of a pixel", "0 0 50.25 100 re f", 100, 50, 50, 191},
      {"edge at half a pixel under a clip path", "0 0 m 100 0 l 0 100 l h W n 0 0 50.5 100 re f",
       100, 50, 80, 128},
      {"edge at half a pixel at half opacity", "/H gs 0 0 50.5 100 re f", 100, 50, 50, 191},
      {"even-odd hole edge at half a pixel", "0 0 100 100 re 25.5 25 50 50 re f*", 100, 25, 50,
       128},
      {"a fill too large for a mask", "0 0 50.05 100 re f", 1000, 500, 500, 128},
      {"a circle of curves, inside",
       "50 90 m 72 90 90 72 90 50 c 90 28 72 10 50 10 c 28 10 10 28 "
       "10 50 c 10 72 28 90 50 90 c f",
       100, 50, 50, 0},
      {"a circle of curves, outside its corner",
       "50 90 m 72 90 90 72 90 50 c 90 28 72 10 50 10 c "
       "28 10 10 28 10 50 c 10 72 28 90 50 90 c f",
       100, 14, 14, 255},
      {"a clip path cuts the fill", "0 0 m 100 0 l 0 100 l h W n 0 0 100 100 re f", 100, 85, 30,
       255},
      {"the clip's inside is filled", "0 0 m 100 0 l 0 100 l h W n 0 0 100 100 re f", 100, 20, 80,
       0},
      // A rectangle clip takes the pixels it covers at least half of, whole;
      // one too thin for any pixel keeps its exact edges.
      {"a rectangle clip's first pixel", "10.3 0 50.4 100 re W n 0 0 100 100 re f", 100, 10, 50, 0},
      {"a rectangle clip's last pixel", "10.3 0 50.4 100 re W n 0 0 100 100 re f", 100, 60, 50, 0},
      {"beside a rectangle clip", "10.3 0 50.4 100 re W n 0 0 100 100 re f", 100, 61, 50, 255},
      {"a clip thinner than a pixel", "10.1 0 0.3 100 re W n 0 0 100 100 re f", 100, 10, 50, 179},
      {"edge at half a pixel under a rectangle clip", "10 0 80 100 re W n 0 0 50.5 100 re f", 100,
       50, 50, 128},
      {"left of a rectangle clip", "10 0 80 100 re W n 0 0 50.5 100 re f", 100, 9, 50, 255},
  };
  for (const Case& c : cases) {
    auto doc = LoadBytes(OnePageDocument(
        {c.content}, "/MediaBox [0 0 100 100] /Resources << /ExtGState << /H << /ca 0.5 >> >> >>"));
    Rendered out(c.size, c.size);
    out.Render(*doc);
    const uint32_t pixel = out.At(c.x, c.y);
    EXPECT_NEAR(double(pixel & 0xFF), c.grey, 3) << c.name;
    EXPECT_EQ(pixel >> 16, pixel & 0xFF) << c.name;  // grey
  }
}

TEST(RenderTest, HalfOpacityFill) {
  auto doc = LoadBytes(OnePageDocument({"/H gs 1 0 0 rg 0 0 100 100 re f"},
                                       "/MediaBox [0 0 100 100] /Resources << /ExtGState << /H "
                                       "<< /ca 0.5 >> >> >>"));
  Rendered out(10, 10);
  out.Render(*doc);
  // Alpha 128 of 255 over white.
  EXPECT_EQ(out.At(5, 5) >> 16, 0xFFu);
  EXPECT_NEAR(double(out.At(5, 5) & 0xFF), 127, 1);
}

TEST(RenderTest, PageWithoutContentsLeavesTheTargetAlone) {
  auto bytes = OnePageDocument({"0 g"});
  bytes.replace(bytes.find("/Contents [10 0 R ]"), 19, std::string(19, ' '));
  auto doc = LoadBytes(bytes);
  Rendered out(10, 10, 0x123456);
  out.Render(*doc);
  EXPECT_EQ(out.At(5, 5), 0x123456u);
  // An empty contents array still gives a white page.
  auto empty = LoadBytes(OnePageDocument({}));
  Rendered white(10, 10, 0x123456);
  white.Render(*empty);
  EXPECT_EQ(white.At(5, 5), kWhite);
}

// A target known to be white is not painted white first; what is drawn on
// it is the same, blend modes and opacity included.
TEST(RenderTest, AWhiteTargetIsNotPaintedAgain) {
  const std::string resources =
      "/MediaBox [0 0 100 100] /Resources << /ExtGState << /H << /ca 0.5 >> /M << /BM "
      "/Multiply >> >> >>";
  for (const char* content : {"1 0 0 rg 10 10 50 50 re f 0 0 1 RG 4 w 0 0 m 100 80 l S",
                              "/H gs 1 0 0 rg 0 0 60 60 re f", "/M gs 0 1 0 rg 20 20 60 60 re f"}) {
    auto doc = LoadBytes(OnePageDocument({content}, resources));
    Rendered painted(40, 40), kept(40, 40);
    painted.Render(*doc);
    doc->SetTargetsWhite(true);
    kept.Render(*doc);
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 40; ++x) ASSERT_EQ(kept.At(x, y), painted.At(x, y)) << content;
    }
    Rendered grey(40, 40, 0x808080);
    grey.Render(*doc);
    EXPECT_EQ(grey.At(39, 0), 0x808080u) << content;
  }
}

TEST(RenderTest, AnnotationsFromTheirAppearance) {
  const std::string objects =
      "{{object 20 0}} << /Type /Annot /Subtype /Widget /Rect [0 0 50 50] /AP << /N 22 0 R >> "
      ">> endobj\n"
      "{{object 21 0}} << /Type /Annot /Subtype /Widget /F 2 /Rect [50 50 100 100] /AP << /N 22 "
      "0 R >> >> endobj\n"
      "{{object 22 0}} << /Subtype /Form /BBox [0 0 10 10] {{streamlen}} >>\nstream\n1 0 0 rg 0 "
      "0 10 10 re f\nendstream endobj\n"
      "{{object 23 0}} << /Type /Annot /Subtype /FreeText /Rect [50 0 100 50] /AP << /N 22 0 R "
      ">> >> endobj\n"
      "{{object 24 0}} << /Type /Annot /Subtype /Popup /Rect [0 50 50 100] /AP << /N 22 0 R >> "
      ">> endobj\n";
  // The clip the contents leave in force does not cut the annotations.
  auto doc = LoadBytes(
      OnePageDocument({"q 0 0 1 1 re W n"},
                      "/MediaBox [0 0 100 100] /Annots [20 0 R 21 0 R 23 0 R 24 0 R]", objects));
  Rendered out(100, 100);
  out.Render(*doc);
  EXPECT_EQ(out.At(25, 75), kRed);    // visible widget, fitted to its rectangle
  EXPECT_EQ(out.At(75, 25), kWhite);  // hidden widget
  EXPECT_EQ(out.At(75, 75), kRed);    // free text drawn from its appearance
  EXPECT_EQ(out.At(25, 25), kWhite);  // pop-up windows are not drawn
}

TEST(RenderTest, EffectiveRotation) {
  const struct {
    int caller, page, expected;
  } cases[] = {{0, -90, 270}, {0, 450, 90}, {0, 45, 0}, {0, 180, 180}, {90, 0, 90}, {0, 720, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(EffectiveRotation(c.caller, c.page), c.expected) << c.caller << " + " << c.page;
  }
}

TEST(RenderTest, APageBeyondItsDecodeBudgetIsReportedIncomplete) {
  std::string hex;
  for (int i = 0; i < 200; ++i)
    hex += "30 20 30 20 6D 20 31 20 31 20 6C 20 53 0A ";  // 0 0 m 1 1 l S
  const std::string form =
      "{{object 20 0}} << /Subtype /Form /BBox [0 0 100 100] /Filter "
      "/ASCIIHexDecode {{streamlen}} >>\nstream\n" +
      hex + ">\nendstream endobj\n";
  const std::string page = "/MediaBox [0 0 100 100] /Resources << /XObject << /F 20 0 R >> >>";
  for (const uint64_t budget : {uint64_t{100000}, uint64_t{1000}}) {
    auto doc = LoadBytes(OnePageDocument({"/F Do"}, page, form));
    doc->GetBaseDoc()->Filters().SetPageDecodeBudget(budget);
    EXPECT_EQ(RenderToCanvas(*doc, nullptr, 1, 10, 10, 72, 72, 0, true, false), budget > 2800)
        << budget;
  }
}

TEST(RenderTest, NoTargetRecordsAndDiscards) {
  auto doc = LoadBytes(OnePageDocument({"0 0 10 10 re f"}));
  EXPECT_NO_THROW(RenderToCanvas(*doc, nullptr, 1, 10, 10, 72, 72, 0, true, false));
}

}  // namespace
}  // namespace qp::pdf
