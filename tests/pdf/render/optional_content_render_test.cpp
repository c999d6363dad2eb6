#include <gtest/gtest.h>

#include <string>

#include "tests/pdf/render/render_test_helpers.h"

namespace qp::pdf {
namespace {

using testing::ExpandPdfTemplate;
using testing::LoadBytes;
using testing::Rendered;

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF;

// Groups A (20, off by default) and B (21, on); membership dictionaries
// over both (22 all on, 23 any on, 24 not A, 25 A and B); a form (26)
// belonging to A; an annotation (30) whose appearance (31) is red.
std::string Document(const std::string& content, const std::string& config,
                     const std::string& annotOC) {
  return ExpandPdfTemplate(
      "%PDF-1.5\n{{object 1 0}} << /Type /Catalog /Pages 2 0 R /OCProperties << /OCGs [20 0 R "
      "21 0 R] /D << " +
      config +
      " >> >> >> endobj\n"
      "{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
      "{{object 3 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 10 0 R "
      "/Annots [30 0 R] /Resources << /Properties << /A 20 0 R /B 21 0 R /All 22 0 R /Any 23 0 "
      "R /NotA 24 0 R /AandB 25 0 R >> /XObject << /F 26 0 R >> >> >> endobj\n"
      "{{object 10 0}} << {{streamlen}} >>\nstream\n" +
      content +
      "\nendstream endobj\n"
      "{{object 20 0}} << /Type /OCG /Name (A) >> endobj\n"
      "{{object 21 0}} << /Type /OCG /Name (B) >> endobj\n"
      "{{object 22 0}} << /Type /OCMD /OCGs [20 0 R 21 0 R] /P /AllOn >> endobj\n"
      "{{object 23 0}} << /Type /OCMD /OCGs [20 0 R 21 0 R] >> endobj\n"
      "{{object 24 0}} << /Type /OCMD /VE [/Not 20 0 R] >> endobj\n"
      "{{object 25 0}} << /Type /OCMD /OCGs 21 0 R /VE [/And 20 0 R 21 0 R] >> endobj\n"
      "{{object 26 0}} << /Type /XObject /Subtype /Form /BBox [0 0 100 100] /OC 20 0 R "
      "{{streamlen}} >>\nstream\n1 0 0 rg 0 0 100 100 re f\nendstream endobj\n"
      "{{object 30 0}} << /Type /Annot /Subtype /Square /Rect [0 0 20 20] /AP << /N 31 0 R >> " +
      annotOC +
      " >> endobj\n"
      "{{object 31 0}} << /Type /XObject /Subtype /Form /BBox [0 0 20 20] {{streamlen}} >>\n"
      "stream\n1 0 0 rg 0 0 20 20 re f\nendstream endobj\n"
      "{{xref}}trailer << /Size 40 /Root 1 0 R >>\n{{startxref}}\n%%EOF\n");
}

std::string RedIn(const std::string& tag) {
  return "/OC /" + tag + " BDC 1 0 0 rg 40 40 60 60 re f EMC";
}

TEST(OptionalContentRenderTest, HiddenByDefaultIsNotDrawn) {
  struct Case {
    const char* name;
    std::string content;
    std::string config;   // empty: A off
    std::string annotOC;  // empty: in A
    uint32_t centre;      // at (70, 30)
    uint32_t annotation;  // at (10, 90)
  } cases[] = {
      {"an OFF group is absent; its annotation too", RedIn("A"), {}, {}, kWhite, kWhite},
      {"an ON group is drawn; its annotation too", RedIn("B"), {}, "/OC 21 0 R", kRed, kRed},
      {"nested: the inner OFF group ends at its EMC",
       "/OC /B BDC /OC /A BDC 1 0 0 rg 40 40 60 60 re f EMC 0 0 1 rg 60 60 40 40 re f EMC",
       {},
       {},
       kBlue,
       kWhite},
      {"membership AllOn with one group off", RedIn("All"), {}, {}, kWhite, kWhite},
      {"membership AnyOn with one group on", RedIn("Any"), {}, {}, kRed, kWhite},
      {"visibility expression Not A", RedIn("NotA"), {}, {}, kRed, kWhite},
      {"visibility expression A and B, over the groups' policy",
       RedIn("AandB"),
       {},
       {},
       kWhite,
       kWhite},
      {"a form in an OFF group", "/F Do", {}, {}, kWhite, kWhite},
      {"BaseState OFF with B on", RedIn("B"), "/BaseState /OFF /ON [21 0 R]", "/NM (x)", kRed,
       kRed},
      {"BaseState OFF: A is off", RedIn("A"), "/BaseState /OFF /ON [21 0 R]", "/NM (x)", kWhite,
       kRed},
      {"an unbalanced EMC and an unknown tag change nothing",
       "EMC /Span << >> BDC /OC /Missing BDC 1 0 0 rg 40 40 60 60 re f EMC EMC",
       {},
       {},
       kRed,
       kWhite},
  };
  for (const Case& c : cases) {
    auto doc = LoadBytes(Document(c.content, c.config.empty() ? "/OFF [20 0 R]" : c.config,
                                  c.annotOC.empty() ? "/OC 20 0 R" : c.annotOC));
    Rendered out(100, 100);
    out.Render(*doc);
    EXPECT_EQ(out.At(70, 30), c.centre) << c.name << ": " << std::hex << out.At(70, 30);
    EXPECT_EQ(out.At(10, 90), c.annotation) << c.name << ": " << std::hex << out.At(10, 90);
  }
}

}  // namespace
}  // namespace qp::pdf
