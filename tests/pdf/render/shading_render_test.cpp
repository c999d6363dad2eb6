#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "pdf/render/pdf_colorspace.h"
#include "tests/pdf/render/render_test_helpers.h"

namespace qp::pdf {
namespace {

using testing::LoadBytes;
using testing::OnePageDocument;
using testing::Rendered;

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF, kPurple = 0x800080;

// Red to blue over 0 … 1, as one function and as one function per component.
const std::string kRedToBlue = "/FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1";
const std::string kPerComponent =
    "[<< /FunctionType 2 /Domain [0 1] /C0 [1] /C1 [0] /N 1 >> << /FunctionType 2 /Domain [0 1] "
    "/C0 [0] /C1 [0] /N 1 >> << /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >>]";

std::string Axial(const std::string& coords, const std::string& extend,
                  const std::string& function = "<< " + kRedToBlue + " >>") {
  return "<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [" + coords + "] /Extend [" + extend +
         "] /Function " + function + " >>";
}

struct Probe {
  int x, y;
  uint32_t colour;
};

struct ShadingCase {
  const char* name;
  std::string content;
  std::string resources;
  std::vector<Probe> probes;
  std::string objects = {};
};

// A CMYK black level as the colour space turns it into RGB.
uint32_t CMYKBlack(double k) {
  const TRGB c = RGBFromCMYK(0, 0, 0, FixedFromDouble(k));
  return uint32_t{ByteFromFixed(c.R)} << 16 | uint32_t{ByteFromFixed(c.G)} << 8 |
         ByteFromFixed(c.B);
}

bool Near(uint32_t a, uint32_t b) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 6) return false;
  }
  return true;
}

TEST(ShadingRenderTest, GradientEndsAndMidpoints) {
  const ShadingCase cases[] = {
      {"axial, both ends extended",
       "/S sh",
       "/Shading << /S " + Axial("25 0 75 0", "true true") + " >>",
       {{5, 50, kRed}, {25, 50, kRed}, {50, 50, kPurple}, {74, 50, kBlue}, {95, 50, kBlue}}},
      {"axial, not extended: nothing outside",
       "/S sh",
       "/Shading << /S " + Axial("25 0 75 0", "false false") + " >>",
       {{5, 50, kWhite}, {50, 50, kPurple}, {95, 50, kWhite}}},
      {"axial, end extended only",
       "/S sh",
       "/Shading << /S " + Axial("25 0 75 0", "false true") + " >>",
       {{5, 50, kWhite}, {50, 50, kPurple}, {95, 50, kBlue}}},
      {"axial, start extended only, function per component",
       "/S sh",
       "/Shading << /S " + Axial("25 0 75 0", "true false", kPerComponent) + " >>",
       {{5, 50, kRed}, {50, 50, kPurple}, {95, 50, kWhite}}},
      {"axial under the CTM, clipped by W n",
       "q 0 0 50 100 re W n 0 1 -1 0 100 0 cm /S sh Q",
       "/Shading << /S " + Axial("0 0 100 0", "true true") + " >>",
       {{25, 98, kRed}, {25, 50, kPurple}, {25, 1, kBlue}, {75, 50, kWhite}}},
      {"radial, end extended",
       "/S sh",
       "/Shading << /S << /ShadingType 3 /ColorSpace /DeviceRGB /Coords [50 50 0 50 50 40] "
       "/Extend [false true] /Function << " +
           kRedToBlue + " >> >> >>",
       {{50, 50, kRed}, {70, 50, kPurple}, {50, 30, kPurple}, {2, 2, kBlue}}},
      {"radial, not extended",
       "/S sh",
       "/Shading << /S << /ShadingType 3 /ColorSpace /DeviceRGB /Coords [50 50 0 50 50 40] "
       "/Function << " +
           kRedToBlue + " >> >> >>",
       {{50, 50, kRed}, {70, 50, kPurple}, {2, 2, kWhite}}},
      {"CMYK shading: white to black",
       "/S sh",
       "/Shading << /S << /ShadingType 2 /ColorSpace /DeviceCMYK /Coords [0 0 100 0] /Function "
       "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [0 0 0 1] /N 1 >> >> >>",
       {{0, 50, CMYKBlack(0)}, {50, 50, CMYKBlack(0.5)}, {99, 50, CMYKBlack(1)}}},
      {"shading pattern as a fill, under its matrix",
       "/Pattern cs /P scn 0 0 100 50 re f",
       "/Pattern << /P << /PatternType 2 /Matrix [1 0 0 1 50 0] /Shading " +
           Axial("0 0 50 0", "true true") + " >> >>",
       {{25, 75, kRed}, {75, 75, kPurple}, {99, 75, kBlue}, {50, 25, kWhite}}},
      {"function-based: gray = x over the domain",
       "/S sh",
       "/Shading << /S << /ShadingType 1 /ColorSpace /DeviceGray /Domain [0 1 0 1] /Matrix [100 0 "
       "0 100 0 0] /Function 20 0 R >> >>",
       {{1, 50, 0x030303}, {50, 50, 0x808080}, {98, 50, 0xFBFBFB}},
       "{{object 20 0}} << /FunctionType 4 /Domain [0 1 0 1] /Range [0 1] {{streamlen}} >>\n"
       "stream\n{ pop }\nendstream endobj\n"},
      {"free-form triangle mesh: corner colours run across the triangle",
       "/S sh",
       "/Shading << /S 20 0 R >>",
       {{0, 99, kRed}, {25, 74, kPurple}, {49, 50, kBlue}, {75, 25, kWhite}},
       "{{object 20 0}} << /ShadingType 4 /ColorSpace /DeviceRGB /BitsPerCoordinate 8 "
       "/BitsPerComponent 8 /BitsPerFlag 8 /Decode [0 255 0 255 0 1 0 1 0 1] /Filter "
       "/ASCIIHexDecode {{streamlen}} >>\nstream\n000000FF0000 006400 0000FF 000064 0000FF>"
       "\nendstream endobj\n"},
      {"Coons patch mesh: a square from red corners to blue ones",
       "/S sh",
       "/Shading << /S 20 0 R >>",
       {{1, 50, kRed}, {50, 50, kPurple}, {98, 50, kBlue}},
       "{{object 20 0}} << /ShadingType 6 /ColorSpace /DeviceRGB /BitsPerCoordinate 8 "
       "/BitsPerComponent 8 /BitsPerFlag 8 /Decode [0 255 0 255 0 1 0 1 0 1] /Filter "
       "/ASCIIHexDecode {{streamlen}} >>\nstream\n00 0000 0021 0043 0064 2164 4364 6464 6443 "
       "6421 6400 4300 2100 FF0000 FF0000 0000FF 0000FF>\nendstream endobj\n"},
      {"bad meshes paint nothing: no data, no BitsPerCoordinate",
       "/A sh /B sh 1 0 0 rg 90 90 10 10 re f",
       "/Shading << /A 20 0 R /B 21 0 R >>",
       {{5, 50, kWhite}, {95, 5, kRed}},
       "{{object 20 0}} << /ShadingType 4 /ColorSpace /DeviceRGB /BitsPerCoordinate 8 "
       "/BitsPerComponent 8 /BitsPerFlag 8 /Decode [0 255 0 255 0 1 0 1 0 1] {{streamlen}} >>"
       "\nstream\n\nendstream endobj\n{{object 21 0}} << /ShadingType 5 /ColorSpace /DeviceRGB "
       "/BitsPerComponent 8 /VerticesPerRow 2 /Decode [0 255 0 255 0 1 0 1 0 1] {{streamlen}} "
       ">>\nstream\nabcdefghijklmnopqrstuvwxyz\nendstream endobj\n"},
      {"bad input paints nothing: wrong arity, no coords, a huge gradient",
       "/A sh /B sh /C sh 1 0 0 rg 90 90 10 10 re f",
       "/Shading << /A " + Axial("25 0 75 0", "true true", "20 0 R") + " /B << /ShadingType 2 " +
           "/ColorSpace /DeviceRGB /Function << " + kRedToBlue + " >> >> /C " +
           Axial("1e30 0 -1e30 0", "true true") + " >>",
       {{5, 50, kWhite}, {95, 5, kRed}},
       "{{object 20 0}} << /FunctionType 4 /Domain [0 1 0 1] /Range [0 1] {{streamlen}} >>\n"
       "stream\n{ pop }\nendstream endobj\n"},
  };
  for (const ShadingCase& c : cases) {
    auto doc = LoadBytes(OnePageDocument(
        {c.content}, "/MediaBox [0 0 100 100] /Resources << " + c.resources + " >>", c.objects));
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
