#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/pdf/render/render_test_helpers.h"

namespace qp::pdf {
namespace {

using testing::LoadBytes;
using testing::OnePageDocument;
using testing::Rendered;

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF, kYellow = 0xFFFF00,
                   kGreen = 0x00FF00, kPink = 0xFF8080, kLightBlue = 0x8080FF, kBlack = 0;

struct Probe {
  int x, y;
  uint32_t colour;
};

struct TransparencyCase {
  const char* name;
  std::string content;
  std::string extGStates;  // the page's ExtGState entries
  std::vector<Probe> probes;
};

bool Near(uint32_t a, uint32_t b) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 8) return false;
  }
  return true;
}

// Object 20, a form whose left half is white (the mask groups below), 21 a
// group drawing two overlapping red squares, 22 a knockout group drawing a
// red square and half a blue one over it at alpha 0.5, 23 a group that
// draws itself, 24 a mask group that uses its own mask, 25 a knockout group
// drawing a red square and then group 20 at alpha 0 over it.
const char* const kObjects =
    "{{object 20 0}} << /Type /XObject /Subtype /Form /BBox [0 0 100 100] /Group << /S "
    "/Transparency >> {{streamlen}} >>\nstream\n1 g 0 0 50 100 re f\nendstream endobj\n"
    "{{object 21 0}} << /Type /XObject /Subtype /Form /BBox [0 0 100 100] /Group << /S "
    "/Transparency >> {{streamlen}} >>\nstream\n1 0 0 rg 0 0 60 100 re f 40 0 60 100 re f\n"
    "endstream endobj\n"
    "{{object 22 0}} << /Type /XObject /Subtype /Form /BBox [0 0 100 100] /Group << /S "
    "/Transparency /K true >> /Resources << /ExtGState << /H << /ca 0.5 >> >> >> {{streamlen}} "
    ">>\nstream\n1 0 0 rg 0 0 100 100 re f /H gs 0 0 1 rg 50 0 50 100 re f\nendstream endobj\n"
    "{{object 23 0}} << /Type /XObject /Subtype /Form /BBox [0 0 100 100] /Group << /S "
    "/Transparency >> /Resources << /XObject << /G 23 0 R >> >> {{streamlen}} >>\nstream\n"
    "/G Do\nendstream endobj\n"
    "{{object 24 0}} << /Type /XObject /Subtype /Form /BBox [0 0 100 100] /Resources << "
    "/ExtGState << /M << /SMask << /S /Luminosity /G 24 0 R >> >> >> >> {{streamlen}} >>\n"
    "stream\n/M gs 1 g 0 0 100 100 re f\nendstream endobj\n"
    "{{object 25 0}} << /Type /XObject /Subtype /Form /BBox [0 0 100 100] /Group << /S "
    "/Transparency /K true >> /Resources << /ExtGState << /Z << /ca 0 >> >> /XObject << /W 20 0 "
    "R >> >> {{streamlen}} >>\nstream\n1 0 0 rg 0 0 100 100 re f /Z gs /W Do\nendstream endobj\n";

TEST(TransparencyRenderTest, BlendModesMasksAndGroups) {
  const TransparencyCase cases[] = {
      {"Multiply: yellow times cyan is green",
       "1 1 0 rg 0 0 100 100 re f /M gs 0 1 1 rg 50 0 50 100 re f",
       "/M << /BM /Multiply >>",
       {{25, 50, kYellow}, {75, 50, kGreen}}},
      {"Difference blends with the page, not the paper",
       "/D gs 0 0 1 rg 0 0 100 100 re f",
       "/D << /BM [/Unknown /Difference] >>",
       {{50, 50, kBlue}}},
      {"fill alpha", "/H gs 1 0 0 rg 0 0 100 100 re f", "/H << /ca 0.5 >>", {{50, 50, kPink}}},
      {"luminosity mask: the white half shows",
       "/S gs 1 0 0 rg 0 0 100 100 re f",
       "/S << /SMask << /S /Luminosity /G 20 0 R >> >>",
       {{25, 50, kRed}, {75, 50, kWhite}}},
      {"luminosity mask inverted by its transfer function",
       "/S gs 1 0 0 rg 0 0 100 100 re f",
       "/S << /SMask << /S /Luminosity /G 20 0 R /TR << /FunctionType 2 /Domain [0 1] /C0 [1] "
       "/C1 [0] /N 1 >> >> >>",
       {{25, 50, kWhite}, {75, 50, kRed}}},
      {"luminosity mask over a white backdrop: all shows",
       "/S gs 1 0 0 rg 0 0 100 100 re f",
       "/S << /SMask << /S /Luminosity /G 20 0 R /BC [1 1 1] >> >>",
       {{25, 50, kRed}, {75, 50, kRed}}},
      {"alpha mask: where the group paints",
       "/S gs 1 0 0 rg 0 0 100 100 re f /N gs 0 0 1 rg 90 90 10 10 re f",
       "/S << /SMask << /S /Alpha /G 20 0 R >> >> /N << /SMask /None >>",
       {{25, 50, kRed}, {75, 50, kWhite}, {95, 5, kBlue}}},
      {"a group at alpha 0.5 is composited once: no darker overlap",
       "/H gs /G Do",
       "/H << /ca 0.5 >>",
       {{20, 50, kPink}, {50, 50, kPink}, {80, 50, kPink}}},
      {"a knockout group: the translucent blue replaces the red",
       "/K Do",
       "",
       {{25, 50, kRed}, {75, 50, kLightBlue}}},
      {"a group at alpha 0 in a knockout group cuts a hole to the page",
       "0 0 1 rg 0 0 100 100 re f /KZ Do",
       "",
       {{25, 50, kBlue}, {75, 50, kRed}}},
      {"line width and dashes from gs",
       "/L gs 0 50 m 100 50 l S",
       "/L << /LW 20 /LC 0 /LJ 1 /ML 4 /D [[10 10] 0] >>",
       {{5, 45, kBlack}, {15, 45, kWhite}, {25, 55, kBlack}, {5, 30, kWhite}}},
      {"a group that draws itself and a mask that uses itself: the page completes",
       "/Self Do /R gs 1 0 0 rg 0 0 100 100 re f /N gs 0 0 1 rg 90 90 10 10 re f",
       "/R << /SMask << /S /Luminosity /G 24 0 R >> >> /N << /SMask /None >>",
       {{95, 5, kBlue}}},
  };
  for (const TransparencyCase& c : cases) {
    auto doc = LoadBytes(
        OnePageDocument({c.content},
                        "/MediaBox [0 0 100 100] /Resources << /ExtGState << " + c.extGStates +
                            " >> /XObject << /G 21 0 R /K 22 0 R /Self 23 0 R /KZ 25 0 R >> >>",
                        kObjects));
    Rendered out(100, 100);
    out.Render(*doc);
    for (const Probe& p : c.probes) {
      EXPECT_TRUE(Near(out.At(p.x, p.y), p.colour))
          << c.name << " at " << p.x << "," << p.y << ": " << std::hex << out.At(p.x, p.y);
    }
  }
}

}  // namespace
}  // namespace qp::pdf
