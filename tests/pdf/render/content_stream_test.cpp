#include <gtest/gtest.h>

#include <string>

#include "pdf/render/pdf_content_stream.h"
#include "tests/pdf/render/render_test_helpers.h"

namespace qp::pdf {
namespace {

using testing::LoadBytes;
using testing::OnePageDocument;
using testing::RecordingDevice;

// Interprets `content` on an identity state and returns the recorded calls.
std::string Interpret(const std::string& content, TPDState* end = nullptr) {
  RecordingDevice device;
  TPDRect box(0, 0, 72, 72);
  TPDContentStream stream(nullptr, device, TPDState(72, 72, 0, &box), nullptr);
  stream.RunBytes(content);
  if (end) *end = stream.GetCurrentState();
  return device.Joined();
}

struct CallCase {
  const char* name;
  const char* content;
  const char* calls;
};

TEST(ContentStreamTest, OperatorsReachTheDeviceAsExpected) {
  const CallCase cases[] = {
      {"cm drops an extra operand", "1 2 3 4 5 6 7 cm", "UpdateCTM 1 2 3 4 5 6"},
      {"name instead of a number skips m", "/a 20 m 30 40 l S", ""},
      {"lineto without a current point paints nothing", "10 10 l S", ""},
      {"one line", "0 0 m 10 10 l S", "Stroke (0 0)-(10 10)"},
      {"real operand skips J", "0.5 J 2 J", "UpdateLineCap 2"},
      {"sc with five operands is skipped", "1 0 0 0 0 sc", ""},
      {"unknown operators with or without BX", "BX foo EX bar 0 0 m 1 1 l S", "Stroke (0 0)-(1 1)"},
      {"unbalanced Q is ignored", "Q", ""},
      {"q Q pair", "q 2 w Q", "SaveState; UpdateLineWidth 2; RestoreState"},
      {"W then f fills first and clips afterwards", "0 0 10 10 re W f",
       "Fill (0 0)-(10 0)-(10 10)-(0 10)-(0 0)z; Clip (0 0)-(10 0)-(10 10)-(0 10)-(0 0)z"},
      {"last W* wins", "0 0 m 5 0 l W W* n", "EvenOddClip (0 0)-(5 0)"},
      {"b* closes an open triangle", "0 0 m 10 0 l 5 5 l b*",
       "EvenOddFill (0 0)-(10 0)-(5 5)-(0 0)z; Stroke (0 0)-(10 0)-(5 5)-(0 0)z"},
      {"painting without a current point keeps a pending clip", "W f 0 0 m 1 0 l n",
       "Clip (0 0)-(1 0)"},
      {"v takes the current point as first control", "1 2 m 3 4 5 6 v S",
       "Stroke (1 2)-(1 2)-(3 4)-(5 6)"},
      {"y repeats the end point", "1 2 m 3 4 5 6 y S", "Stroke (1 2)-(3 4)-(5 6)-(5 6)"},
      {"second moveto replaces the first", "0 0 m 5 5 m 6 6 l S", "Stroke (5 5)-(6 6)"},
      {"h on a lone moveto", "3 3 m h S", "Stroke (3 3)-(3 3)z"},
      {"the oldest operands are the ones used", "] 1 w 2 w", "UpdateLineWidth 2"},
      {"gray fill colour", "0.5 g", "UpdateFillColor 32768 32768 32768"},
      {"cmyk fill colour", "0 0 0 0 k", "UpdateFillColor 65536 65536 65536"},
      {"pattern fill space skips the fill", "/Pattern cs 0 0 m 1 1 l B",
       "UpdateFillColor 0 0 0; Stroke (0 0)-(1 1)"},
  };
  for (const CallCase& c : cases) {
    EXPECT_EQ(Interpret(c.content), c.calls) << c.name;
  }
}

TEST(ContentStreamTest, StateRules) {
  TPDState s(72, 72, 0, nullptr);
  Interpret("2 0 0 2 0 0 cm 2 0 0 2 0 0 cm", &s);
  EXPECT_DOUBLE_EQ(s.CTM.M11, 4);
  Interpret("100000 0 0 1 0 0 cm 100000 0 0 1 0 0 cm 100000 0 0 1 0 0 cm", &s);
  EXPECT_DOUBLE_EQ(s.CTM.M11, 1e10);
  // Integers beyond 32 bits keep their value (they used to wrap negative).
  TPDState big(72, 72, 0, nullptr);
  const double before = big.CTM.M11;
  Interpret("5000000000 0 0 1 0 0 cm", &big);
  EXPECT_DOUBLE_EQ(big.CTM.M11, 5e9 * before);
  // A path begun before q and continued after Q survives; the colour does not.
  Interpret("0 0 1 RG 0 0 m q 1 0 0 RG 5 5 l Q 9 9 l", &s);
  EXPECT_EQ(RecordingDevice::PathText(s), "(0 0)-(5 5)-(9 9)");
  EXPECT_EQ(s.GetStrokeRGB().B, 65536);
  EXPECT_EQ(s.GetStrokeRGB().R, 0);
  Interpret("[3 1] 2 d", &s);
  ASSERT_EQ(s.LineDash.size(), 2u);
  EXPECT_EQ(s.LineDash[0], 3.0f);
  EXPECT_EQ(s.LineStart, 2);
}

TEST(ContentStreamTest, MoreThanThirtyTwoOperandsKeepTheFirst) {
  std::string content;
  for (int i = 1; i <= 40; ++i) content += std::to_string(i) + " ";
  EXPECT_EQ(Interpret(content + "cm"), "UpdateCTM 1 2 3 4 5 6");
}

TEST(ContentStreamTest, InlineImagesAreHandedOnAndSkipped) {
  using namespace std::string_literals;
  struct Case {
    const char* name;
    std::string content;
    const char* calls;
  };
  const Case cases[] = {
      // Unfiltered data is measured: "EI" inside it is data.
      {"EI inside measured data", "BI /W 4 /H 1 /BPC 8 /CS /G ID A EI EI 0 0 m 1 1 l S",
       "DrawImage inline 4; Stroke (0 0)-(1 1)"},
      {"EI inside a mask's rows", "BI /W 16 /H 2 /IM true ID  EI  EI\nEI 2 w",
       "DrawImage inline 4; UpdateLineWidth 2"},
      // Filtered or unmeasurable data: an "EI" between white space that
      // operators follow.
      {"EI followed by binary bytes", "BI /W 1 /H 1 /F /Fl ID x\x9c EI \xe3\x81 EI 2 w"s,
       "DrawImage inline 9; UpdateLineWidth 2"},
      {"EI glued to data", "BI /W 1 /H 1 /F /Fl ID AEIB EI 2 w",
       "DrawImage inline 5; UpdateLineWidth 2"},
      {"no colour space", "BI /W 1 /H 1 /D [1 0] ID \xff\x00 EI 2 w"s,
       "DrawImage inline 3; UpdateLineWidth 2"},
      {"EI at the end", "BI /W 1 /H 1 /F /Fl ID abc EI", "DrawImage inline 4"},
      // ASCII85 data ends at its own "~>": the letters EI inside it are data.
      {"ASCII85", "BI /W 1 /H 1 /BPC 8 /CS /G /F [/A85] ID zEI!!~\n> EI 2 w",
       "DrawImage inline 9; UpdateLineWidth 2"},
      // Without ID the image reaches the end of the data and draws nothing.
      {"no ID", "BI /W 1 /H 1", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Interpret(c.content), c.calls) << c.name;
  }
}

TEST(ContentStreamTest, OperandsCarryAcrossStreamsOfAPage) {
  auto doc = LoadBytes(OnePageDocument({"0 0 m 100 100", "l S"}));
  RecordingDevice device;
  ASSERT_TRUE(DisplayPage(*doc, device, 1, 72, 72, 0));
  EXPECT_NE(device.Joined().find("Stroke (0 0)-(100 100)"), std::string::npos) << device.Joined();
}

TEST(ContentStreamTest, DamagedStreamEndsAloneAndTheNextRuns) {
  const std::string objects =
      "{{object 20 0}} << /Filter /FlateDecode {{streamlen}} >>\nstream\nnot flate\nendstream "
      "endobj\n";
  auto doc = LoadBytes(OnePageDocument({"5 w"}, "/MediaBox [0 0 10 10]", objects));
  // Replace the page's contents by the broken stream followed by a good one.
  auto bytes = OnePageDocument({"1 w", "0 0 m 1 1 l S"}, "/MediaBox [0 0 10 10]", objects);
  bytes.replace(bytes.find("/Contents [10 0 R"), 17, "/Contents [20 0 R");
  doc = LoadBytes(bytes);
  RecordingDevice device;
  DisplayPage(*doc, device, 1, 72, 72, 0);
  EXPECT_NE(device.Joined().find("Stroke (0 0)-(1 1)"), std::string::npos) << device.Joined();
}

TEST(ContentStreamTest, FormsAndResources) {
  const std::string resources =
      "/Resources << /XObject << /Fm 20 0 R /Self 21 0 R /Img 22 0 R >> "
      "/ExtGState << /LWOnly << /LW 9 >> /Half << /ca 0.5 >> >> >>";
  const std::string objects =
      "{{object 20 0}} << /Type /XObject /Subtype /Form /BBox [0 0 10 10] {{streamlen}} >>\n"
      "stream\n7 w\nendstream endobj\n"
      "{{object 21 0}} << /Subtype /Form /Resources << /XObject << /Self 21 0 R >> >> "
      "{{streamlen}} >>\nstream\n/Self Do\nendstream endobj\n"
      "{{object 22 0}} << /Subtype /Image /Width 1 /Height 1 {{streamlen}} >>\nstream\nx\n"
      "endstream endobj\n";
  struct Case {
    const char* name;
    const char* content;
    const char* expected;
  } cases[] = {
      {"form's line width stays inside", "/Fm Do 0 0 m 1 1 l S",
       "DrawFormXObject; UpdateLineWidth 7; Stroke"},
      {"missing name does nothing", "/Nothing Do", ""},
      {"image goes to DrawImage", "/Img Do", "DrawImage 0"},
      {"gs with only LW sets the width and notifies both opacities", "/LWOnly gs",
       "UpdateLineWidth 9; UpdateStrokeOpacity 1; UpdateFillOpacity 1"},
      {"gs with ca", "/Half gs", "UpdateStrokeOpacity 1; UpdateFillOpacity 0.5"},
  };
  for (const Case& c : cases) {
    auto doc =
        LoadBytes(OnePageDocument({c.content}, "/MediaBox [0 0 10 10] " + resources, objects));
    RecordingDevice device;
    DisplayPage(*doc, device, 1, 72, 72, 0, false);
    std::string calls = device.Joined();
    // Only the calls after the page start's UpdateAll are compared.
    const std::string prefix =
        "UpdateLineCap 0; UpdateLineWidth 1; UpdateFillColor 0 0 0; UpdateFillOpacity 1; "
        "UpdateStrokeOpacity 1";
    ASSERT_EQ(calls.rfind(prefix, 0), 0u) << calls;
    calls = calls.substr(prefix.size());
    if (calls.rfind("; ", 0) == 0) calls = calls.substr(2);
    // The stroke's path and the line width after the form are what count.
    if (std::string(c.name) == "form's line width stays inside") {
      EXPECT_EQ(calls.rfind("DrawFormXObject; UpdateLineWidth 7; Stroke", 0), 0u) << calls;
      TPDState end(72, 72, 0, nullptr);
      continue;
    }
    EXPECT_EQ(calls, c.expected) << c.name;
  }
  // A form that draws itself stops at the nesting limit.
  auto doc =
      LoadBytes(OnePageDocument({"/Self Do"}, "/MediaBox [0 0 10 10] " + resources, objects));
  RecordingDevice device;
  DisplayPage(*doc, device, 1, 72, 72, 0);
  EXPECT_EQ(device.forms, TPDContentStream::kMaxFormDepth);
}

TEST(ContentStreamTest, FormsThatDrawThemselvesTwiceStopAtThePageBudget) {
  const std::string objects =
      "{{object 20 0}} << /Subtype /Form /Resources << /XObject << /F 20 0 R >> >> "
      "{{streamlen}} >>\nstream\n/F Do /F Do\nendstream endobj\n";
  auto doc = LoadBytes(OnePageDocument(
      {"/F Do"}, "/MediaBox [0 0 10 10] /Resources << /XObject << /F 20 0 R >> >>", objects));
  RecordingDevice device;
  DisplayPage(*doc, device, 1, 72, 72, 0);
  EXPECT_EQ(device.forms, TPDFormBudget::kMaxForms);
}

// A page whose time is up stops at the next check: the calls made before
// it stay, the rest of the stream (and any stream after it) is not run.
TEST(ContentStreamTest, APageOutOfTimeStopsDrawing) {
  std::string content;
  for (int i = 0; i < 1000; ++i) content += "0 0 m 1 1 l S\n";
  for (const bool outOfTime : {false, true}) {
    RecordingDevice device;
    TPDRect box(0, 0, 72, 72);
    TPDFormBudget budget;
    if (outOfTime) budget.maxTime = std::chrono::steady_clock::duration::zero();
    TPDContentStream stream(nullptr, device, TPDState(72, 72, 0, &box), nullptr);
    stream.SetFormBudget(&budget);
    stream.RunBytes(content);
    stream.RunBytes("0 0 m 2 2 l S");
    const std::string calls = device.Joined();
    const size_t strokes = [&] {
      size_t n = 0;
      for (size_t at = calls.find("Stroke"); at != std::string::npos;
           at = calls.find("Stroke", at + 1))
        ++n;
      return n;
    }();
    EXPECT_EQ(stream.Budget().outOfTime, outOfTime);
    // Three operators a line: the clock is first read at the 256th.
    EXPECT_EQ(strokes, outOfTime ? 85u : 1001u);
  }
}

TEST(ContentStreamTest, LineWidthAfterAFormIsThePagesOwn) {
  const std::string objects =
      "{{object 20 0}} << /Subtype /Form {{streamlen}} >>\nstream\n7 w\nendstream endobj\n";
  class WidthAtStroke : public RecordingDevice {
   public:
    double width = -1;
    void Stroke(const TPDState& s) override { width = s.LineWidth; }
  } device;
  auto doc = LoadBytes(OnePageDocument({"3 w /Fm Do 0 0 m 1 1 l S"},
                                       "/MediaBox [0 0 10 10] /Resources << /XObject << /Fm 20 0 "
                                       "R >> >>",
                                       objects));
  DisplayPage(*doc, device, 1, 72, 72, 0);
  EXPECT_EQ(device.width, 3);
}

}  // namespace
}  // namespace qp::pdf
