// Images drawn by the raster device, checked by pixels of small rendered
// pages: placement and orientation, masks, sample depths, opacity, inline
// images and damaged images that must leave the rest of the page drawn.
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

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00,
                   kBlue = 0x0000FF;

struct Probe {
  int x, y;
  uint32_t colour;
};

struct ImageCase {
  const char* name;
  std::string content;    // page content; the image is /Im
  std::string image;      // image dictionary entries (object 20)
  std::string hex;        // image data as ASCII hex
  std::string extra;      // further objects (21 and up)
  std::string resources;  // further page resources
  std::vector<Probe> probes;
};

// Object 20 is the image, its data given in hex; `extra` may add objects.
std::string ImageDocument(const ImageCase& c) {
  std::string objects;
  if (!c.image.empty()) {
    objects = "{{object 20 0}} << /Type /XObject /Subtype /Image /Filter /ASCIIHexDecode " +
              c.image + " {{streamlen}} >>\nstream\n" + c.hex + ">\nendstream endobj\n";
  }
  objects += c.extra;
  return OnePageDocument(
      {c.content},
      "/MediaBox [0 0 100 100] /Resources << /XObject << /Im 20 0 R >> " + c.resources + " >>",
      objects);
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  }
  return true;
}

const std::string kFull = "q 100 0 0 100 0 0 cm /Im Do Q";
const std::string kRedPage = "1 0 0 rg 0 0 100 100 re f ";
// Two by two: red, green on the first row; blue, white on the second.
const std::string kQuad = "/Width 2 /Height 2 /ColorSpace /DeviceRGB /BitsPerComponent 8";
const std::string kQuadData = "FF0000 00FF00 0000FF FFFFFF";

TEST(ImageRenderTest, PixelsAtKnownPlaces) {
  const ImageCase cases[] = {
      {"first row at the top",
       kFull,
       kQuad,
       kQuadData,
       "",
       "",
       {{25, 25, kRed}, {75, 25, kGreen}, {25, 75, kBlue}, {75, 75, kWhite}}},
      {"a flipping matrix turns it upside down",
       "q 100 0 0 -100 0 100 cm /Im Do Q",
       kQuad,
       kQuadData,
       "",
       "",
       {{25, 25, kBlue}, {75, 75, kGreen}}},
      {"a quarter turn",
       "q 0 100 -100 0 100 0 cm /Im Do Q",
       kQuad,
       kQuadData,
       "",
       "",
       {{25, 75, kRed}, {25, 25, kGreen}, {75, 75, kBlue}, {75, 25, kWhite}}},
      {"only the unit square is painted",
       "q 50 0 0 50 50 50 cm /Im Do Q",
       kQuad,
       kQuadData,
       "",
       "",
       {{62, 12, kRed}, {87, 37, kWhite}, {25, 75, kWhite}, {25, 25, kWhite}}},
      {"image mask paints sample 0 in the fill colour",
       "0 1 0 rg " + kFull,
       "/Width 2 /Height 1 /ImageMask true",
       "40",
       "",
       "",
       {{25, 50, kGreen}, {75, 50, kWhite}}},
      {"image mask under Decode [1 0] paints sample 1",
       "0 1 0 rg " + kFull,
       "/Width 2 /Height 1 /ImageMask true /Decode [1 0]",
       "40",
       "",
       "",
       {{25, 50, kWhite}, {75, 50, kGreen}}},
      {"colour key: samples inside the range let the page show",
       kRedPage + kFull,
       "/Width 4 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 /Mask [100 150]",
       "00 64 96 97",
       "",
       "",
       {{12, 50, kBlack}, {37, 50, kRed}, {62, 50, kRed}, {87, 50, 0x979797}}},
      {"colour key on every component",
       kRedPage + kFull,
       "/Width 2 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Mask [0 0 0 255 0 10]",
       "0000FF 000005",
       "",
       "",
       {{25, 50, kBlue}, {75, 50, kRed}}},
      {"soft mask alpha over the page",
       kRedPage + kFull,
       "/Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 /SMask 21 0 R",
       "0000",
       "{{object 21 0}} << /Type /XObject /Subtype /Image /Width 2 /Height 1 /ColorSpace "
       "/DeviceGray /BitsPerComponent 8 /Filter /ASCIIHexDecode {{streamlen}} >>\nstream\n"
       "FF00>\nendstream endobj\n",
       "",
       {{25, 50, kBlack}, {75, 50, kRed}}},
      {"soft mask of another size is scaled to the image",
       kRedPage + kFull,
       "/Width 4 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 /SMask 21 0 R",
       "00000000",
       "{{object 21 0}} << /Type /XObject /Subtype /Image /Width 2 /Height 1 /ColorSpace "
       "/DeviceGray /BitsPerComponent 1 /Filter /ASCIIHexDecode {{streamlen}} >>\nstream\n"
       "40>\nendstream endobj\n",
       "",
       {{12, 50, kRed}, {37, 50, kRed}, {62, 50, kBlack}, {87, 50, kBlack}}},
      {"soft mask much larger than the image is averaged down to it",
       kRedPage + kFull,
       "/Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 /SMask 21 0 R",
       "0000",
       "{{object 21 0}} << /Type /XObject /Subtype /Image /Width 8 /Height 4 /ColorSpace "
       "/DeviceGray /BitsPerComponent 8 /Filter /ASCIIHexDecode {{streamlen}} >>\nstream\n" +
           std::string(4 * 16, ' ')
               .replace(0, 0,
                        "FFFFFFFF00000000FFFFFFFF00000000"
                        "FFFFFFFF00000000FFFFFFFF00000000") +
           ">\nendstream endobj\n",
       "",
       {{25, 50, kBlack}, {75, 50, kRed}}},
      {"the same image drawn twice, the second time from the decoded copy",
       kRedPage + "q 50 0 0 100 0 0 cm /Im Do Q q 50 0 0 100 50 0 cm /Im Do Q",
       "/Width 1 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8",
       "0000FF",
       "",
       "",
       {{25, 50, kBlue}, {75, 50, kBlue}}},
      {"explicit mask stream",
       kRedPage + kFull,
       "/Width 2 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Mask 21 0 R",
       "0000FF 0000FF",
       "{{object 21 0}} << /Type /XObject /Subtype /Image /Width 2 /Height 1 /ImageMask true "
       "/Filter /ASCIIHexDecode {{streamlen}} >>\nstream\n40>\nendstream endobj\n",
       "",
       {{25, 50, kBlue}, {75, 50, kRed}}},
      {"2-bit gray samples",
       kFull,
       "/Width 4 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 2",
       "1B",
       "",
       "",
       {{12, 50, kBlack}, {37, 50, 0x555555}, {62, 50, 0xAAAAAA}, {87, 50, kWhite}}},
      {"16-bit samples keep their high byte",
       kFull,
       "/Width 2 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 16",
       "FFFF 0000 0000 0000 00FF FFFF",
       "",
       "",
       {{25, 50, kRed}, {75, 50, kBlue}}},
      {"Indexed with a short lookup: missing entries are black",
       kFull,
       "/Width 2 /Height 1 /ColorSpace [/Indexed /DeviceRGB 2 <00FF00>] /BitsPerComponent 8",
       "00 02",
       "",
       "",
       {{25, 50, kGreen}, {75, 50, kBlack}}},
      {"DeviceN image leaves the page alone",
       kRedPage + kFull,
       "/Width 1 /Height 1 /ColorSpace [/DeviceN [/A /B] /DeviceRGB {pop pop 0 0 0}] "
       "/BitsPerComponent 8",
       "0000",
       "",
       "",
       {{50, 50, kRed}}},
      {"gray image with Decode [1 0] is a negative",
       kFull,
       "/Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 /Decode [1 0]",
       "00FF",
       "",
       "",
       {{25, 50, kWhite}, {75, 50, kBlack}}},
      {"enlarged pixels stay sharp",
       kFull,
       "/Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8",
       "00FF",
       "",
       "",
       {{49, 50, kBlack}, {50, 50, kWhite}}},
      {"an image enlarged less than twice is smoothed",
       "q 3 0 0 3 0 0 cm /Im Do Q",
       "/Width 2 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8",
       "00FF 00FF",
       "",
       "",
       {{1, 98, 0x808080}}},
      {"/Interpolate smooths an enlarged image",
       kFull,
       "/Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 /Interpolate true",
       "00FF",
       "",
       "",
       {{50, 50, 0x828282}, {10, 50, kBlack}, {90, 50, kWhite}}},
      {"an image reduced to half its width averages its pixels",
       "q 2 0 0 100 0 0 cm /Im Do Q",
       "/Width 4 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8",
       "00FF00FF",
       "",
       "",
       {{0, 50, 0x808080}, {1, 50, 0x808080}, {3, 50, kWhite}}},
      {"a stencil reduced to half its width",
       "0 g q 4 0 0 100 0 0 cm /Im Do Q",
       "/Width 8 /Height 1 /ImageMask true",
       "55",
       "",
       "",
       {{0, 50, 0x808080}, {3, 50, 0x808080}}},
      {"wider than a Cairo surface",
       "q 40000 0 0 100 -19950 0 cm /Im Do Q",
       "/Width 40000 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 1",
       std::string(5000, '0') + std::string(5000, 'F'),
       "",
       "",
       {{25, 50, kBlack}, {75, 50, kWhite}}},
      {"inline image through the same path",
       "q 100 0 0 100 0 0 cm BI /W 2 /H 1 /CS /RGB /BPC 8 /F /AHx ID FF000000FF00> EI Q",
       "",
       "",
       "",
       "",
       {{25, 50, kRed}, {75, 50, kGreen}}},
      {"inline image mask in the fill colour",
       "0 0 1 rg q 100 0 0 100 0 0 cm BI /W 2 /H 1 /IM true /F /AHx ID 80> EI Q",
       "",
       "",
       "",
       "",
       {{25, 50, kWhite}, {75, 50, kBlue}}},
  };
  for (const ImageCase& c : cases) {
    auto doc = LoadBytes(ImageDocument(c));
    Rendered out(100, 100);
    out.Render(*doc);
    for (const Probe& p : c.probes) {
      EXPECT_TRUE(Near(out.At(p.x, p.y), p.colour, 8))
          << c.name << " at " << p.x << "," << p.y << ": " << std::hex << out.At(p.x, p.y);
    }
  }
}

TEST(ImageRenderTest, FillOpacityIsTheImageAlpha) {
  const ImageCase images[] = {
      {"image",
       "/H gs " + kFull,
       "/Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8",
       "00",
       "",
       "",
       {}},
      {"image mask", "/H gs 0 g " + kFull, "/Width 1 /Height 1 /ImageMask true", "00", "", "", {}},
  };
  for (ImageCase c : images) {
    c.resources = "/ExtGState << /H << /ca 0.5 >> >>";
    auto doc = LoadBytes(ImageDocument(c));
    Rendered out(10, 10);
    out.Render(*doc);
    // Alpha 128 of 255 of black over white.
    EXPECT_NEAR(double(out.At(5, 5) & 0xFF), 127, 1.5) << c.name;
  }
}

// Damaged or absurd images draw nothing; what follows them is still drawn.
// An image object whose filter is completed by the caller, over dark data.
const std::string kUndecodable =
    "{{object 20 0}} << /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceGray "
    "/BitsPerComponent 8 /Filter ";
const std::string kUndecodableData = " {{streamlen}} >>\nstream\n00000000>\nendstream endobj\n";

TEST(ImageRenderTest, BadImagesLeaveTheRestOfThePage) {
  const std::string after = " 0 0 1 rg 0 0 10 10 re f";
  const ImageCase cases[] = {
      {"width 2^31",
       kFull + after,
       "/Width 2147483648 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8",
       "00",
       "",
       "",
       {}},
      {"above the pixel limit",
       kFull + after,
       "/Width 20000 /Height 20000 /ColorSpace /DeviceGray /BitsPerComponent 8",
       "00",
       "",
       "",
       {}},
      {"no height",
       kFull + after,
       "/Width 4 /ColorSpace /DeviceGray /BitsPerComponent 8",
       "00",
       "",
       "",
       {}},
      {"space without enough components",
       kFull + after,
       "/Width 1 /Height 1 /ColorSpace /DeviceCMYK /BitsPerComponent 8 /Decode [0 1]",
       "00",
       "",
       "",
       {}},
      {"corrupt JPEG",
       kFull + after,
       "/Width 8 /Height 8 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter [/AHx /DCT]",
       "FFD8FFE000104A46494600",
       "",
       "",
       {}},
      {"mask without data",
       kFull + after,
       "/Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 /Mask 21 0 R",
       "00",
       "{{object 21 0}} << /Width 1 /Height 1 /ImageMask true {{streamlen}} >>\nstream\n"
       "\nendstream endobj\n",
       "",
       {{50, 50, kBlack}}},
      // Data that no decoder reads is not painted as if it were pixels.
      {"JBIG2 data",
       kFull + after,
       "",
       "",
       kUndecodable + "/JBIG2Decode" + kUndecodableData,
       "",
       {}},
      {"unknown filter under a known one",
       kFull + after,
       "",
       "",
       kUndecodable + "[/Foo /AHx]" + kUndecodableData,
       "",
       {}},
      {"singular matrix",
       "q 0 0 0 0 0 0 cm /Im Do Q" + after,
       "/Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8",
       "00",
       "",
       "",
       {}},
      {"huge matrix",
       "q 1e30 0 0 1e30 0 0 cm /Im Do Q" + after,
       "/Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8",
       "00",
       "",
       "",
       {}},
      {"inline image without EI",
       "q 100 0 0 100 0 0 cm BI /W 2 /H 1 /CS /G /BPC 8 ID ",
       "",
       "",
       "",
       "",
       {}},
  };
  for (const ImageCase& c : cases) {
    auto doc = LoadBytes(ImageDocument(c));
    Rendered out(100, 100);
    out.Render(*doc);
    if (c.content.find(after) != std::string::npos) {
      EXPECT_EQ(out.At(5, 95), kBlue) << c.name;
    }
    // Nothing drawn unless the case says what.
    const uint32_t centre = c.probes.empty() ? kWhite : c.probes[0].colour;
    EXPECT_EQ(out.At(50, 50), centre) << c.name;
  }
}

TEST(ImageRenderTest, DataShorterThanTheImageLeavesTheMissingRowsUnpainted) {
  ImageCase c{"short", kRedPage + kFull, kQuad, "FF0000 00FF00", "", "", {}};
  auto doc = LoadBytes(ImageDocument(c));
  Rendered out(100, 100);
  out.Render(*doc);
  EXPECT_TRUE(Near(out.At(25, 25), kRed, 8));
  EXPECT_TRUE(Near(out.At(75, 25), kGreen, 8));
  EXPECT_EQ(out.At(75, 75), kRed);  // the page, not black
}

}  // namespace
}  // namespace qp::pdf
