#include "pdf/render/pdf_image.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "pdf/core/pdf_document.h"
#include "pdf/core/pdf_filter_manager.h"
#include "tests/compiler/jpeg_helpers.h"
#include "tests/pdf/render/colour_test_helpers.h"

namespace qp::pdf {
namespace {

using testing::MakeStream;
using testing::TextDocument;

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;

std::vector<uint32_t> Pixels(const TImageBitmap& bitmap) {
  std::vector<uint32_t> pixels;
  for (int y = 0; y < bitmap.Height; ++y) {
    for (int x = 0; x < bitmap.Width; ++x) pixels.push_back(bitmap.Pixel(x, y));
  }
  return pixels;
}

std::vector<uint32_t> Convert(const std::string& dict, const std::string& data,
                              TPDDictionary* resources = nullptr) {
  TextDocument doc;
  auto stream = MakeStream(dict, data, &doc);
  TPDImage image(&doc, resources, stream.get());
  return Pixels(image.ToBitmap());
}

TImageBitmap ConvertReduced(const std::string& dict, const std::string& data, int kx, int ky) {
  TextDocument doc;
  auto stream = MakeStream(dict, data, &doc);
  TPDImage image(&doc, nullptr, stream.get());
  return image.ToBitmap(kx, ky);
}

struct PixelCase {
  const char* name;
  std::string dict;
  std::string data;
  std::vector<uint32_t> expected;
};

class ImagePixels : public ::testing::TestWithParam<PixelCase> {};

TEST_P(ImagePixels, ConvertsToExpectedPixels) {
  const PixelCase& c = GetParam();
  EXPECT_EQ(Convert(c.dict, c.data), c.expected) << c.name;
}

const std::string kRgb = "/ColorSpace /DeviceRGB /BitsPerComponent 8";

INSTANTIATE_TEST_SUITE_P(
    Samples, ImagePixels,
    ::testing::Values(
        PixelCase{
            "rgb8", "<< /Width 1 /Height 1 " + kRgb + " >>", std::string("\xFF\0\0", 3), {kRed}},
        PixelCase{"gray4",
                  "<< /Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 4 >>",
                  "\xF0",
                  {kWhite, kBlack}},
        PixelCase{"gray2",
                  "<< /Width 4 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 2 >>",
                  "\x1B",
                  {kBlack, 0xFF555555, 0xFFAAAAAA, kWhite}},
        PixelCase{"gray16 keeps the high byte",
                  "<< /Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 16 >>",
                  std::string("\x80\x00\x3F\xFF", 4),
                  {0xFF808080, 0xFF3F3F3F}},
        PixelCase{"rgb16",
                  "<< /Width 1 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 16 >>",
                  std::string("\xFF\x01\x00\xFF\x00\x00", 6),
                  {kRed}},
        PixelCase{"first row on top",
                  "<< /Width 1 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
                  std::string("\0\xFF", 2),
                  {kBlack, kWhite}},
        PixelCase{"1-bit rows start on a byte",
                  "<< /Width 10 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 1 >>",
                  std::string("\xFF\xC0\x00\x3F", 4),
                  {kWhite, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite,
                   kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack}},
        PixelCase{"gray decode 1 0 is a negative",
                  "<< /Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 /Decode [1 "
                  "0] >>",
                  std::string("\0\xFF", 2),
                  {kWhite, kBlack}},
        PixelCase{"indexed",
                  "<< /Width 2 /Height 1 /ColorSpace [/Indexed /DeviceRGB 1 <FF00000000FF>] "
                  "/BitsPerComponent 8 >>",
                  std::string("\0\x01", 2),
                  {kRed, kBlue}},
        PixelCase{"indexed index above hival clamps",
                  "<< /Width 1 /Height 1 /ColorSpace [/Indexed /DeviceRGB 1 <FF00000000FF>] "
                  "/BitsPerComponent 8 >>",
                  "\x07",
                  {kBlue}},
        // Entries missing from a short lookup string are black.
        PixelCase{"indexed short lookup string",
                  "<< /Width 3 /Height 1 /ColorSpace [/Indexed /DeviceRGB 2 <00FF00>] "
                  "/BitsPerComponent 4 >>",
                  std::string("\x01\x20", 2),
                  {kGreen, kBlack, kBlack}},
        PixelCase{"a bare I names no space",
                  "<< /W 2 /H 1 /CS /I /BPC 8 >>",
                  std::string("\0\xFF", 2),
                  {}},
        PixelCase{"inline gray and rgb names",
                  "<< /W 1 /H 2 /CS /RGB /BPC 8 /D [1 0 0 1 0 1] >>",
                  std::string("\xFF\0\0\0\0\0", 6),
                  {kBlack, kRed}},
        PixelCase{"inline indexed abbreviation",
                  "<< /W 2 /H 1 /CS [/I /G 1 <00FF>] /BPC 1 >>",
                  "\x40",
                  {kBlack, kWhite}},
        PixelCase{"separation through its tint transform",
                  "<< /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace [/Separation /Spot "
                  "/DeviceRGB << /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [1 0 0] /N 1 >>] "
                  ">>",
                  std::string("\0\xFF", 2),
                  {kWhite, kRed}},
        PixelCase{"colour key range",
                  "<< /Width 2 /Height 1 " + kRgb + " /Mask [250 255 0 5 0 5] >>",
                  std::string("\xFF\0\0\0\xFF\0", 6),
                  {0, kGreen}},
        PixelCase{"no colour space: one gray component",
                  "<< /Width 1 /Height 1 /BitsPerComponent 8 >>",
                  "\xFF",
                  {kWhite}},
        // Bad input: nothing drawn, nothing crashes.
        PixelCase{"width 2^31", "<< /Width 2147483648 /Height 1 " + kRgb + " >>", "abc", {}},
        PixelCase{"zero height", "<< /Width 1 /Height 0 " + kRgb + " >>", "abc", {}},
        PixelCase{"above 2^28 pixels", "<< /Width 65536 /Height 8192 " + kRgb + " >>", "abc", {}},
        PixelCase{"bits 3",
                  "<< /Width 1 /Height 1 /BitsPerComponent 3 /ColorSpace /DeviceGray >>",
                  "a",
                  {}},
        PixelCase{"DeviceN",
                  "<< /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace [/DeviceN [/A "
                  "/B] /DeviceGray {}] >>",
                  "ab",
                  {}},
        PixelCase{"unknown space name",
                  "<< /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /Nope >>",
                  "a",
                  {}},
        PixelCase{"decode pairs fewer than components",
                  "<< /Width 1 /Height 1 " + kRgb + " /Decode [1 0] >>",
                  std::string("\xFF\0\0", 3),
                  {0xFF000000}},
        PixelCase{"missing rows are transparent",
                  "<< /Width 1 /Height 3 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
                  "\xFF",
                  {kWhite, 0, 0}},
        PixelCase{"a cut row is completed with zeros",
                  "<< /Width 2 /Height 1 " + kRgb + " >>",
                  std::string("\xFF\0\0\0", 4),
                  {kRed, kBlack}}),
    [](const ::testing::TestParamInfo<PixelCase>& test_case) {
      std::string name = test_case.param.name;
      for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

TEST(ImageTest, MultiComponentRowsConvertLikeTheSpace) {
  const std::string data("\0\0\0\xFF\xFF\0\0\0\x40\x80\xC0\x20", 12);
  const std::vector<uint32_t> pixels =
      Convert("<< /Width 3 /Height 1 /ColorSpace /DeviceCMYK /BitsPerComponent 8 >>", data);
  ASSERT_EQ(pixels.size(), 3u);
  for (int x = 0; x < 3; ++x) {
    const auto* p = reinterpret_cast<const uint8_t*>(data.data()) + 4 * x;
    const auto fixed = [](uint8_t v) { return FixedTruncFromDouble(v / 255.0); };
    const TRGB rgb = RGBFromCMYK(fixed(p[0]), fixed(p[1]), fixed(p[2]), fixed(p[3]));
    const uint32_t expected = 0xFF000000u | (uint32_t{ByteFromFixed(rgb.R)} << 16) |
                              (uint32_t{ByteFromFixed(rgb.G)} << 8) | ByteFromFixed(rgb.B);
    EXPECT_EQ(pixels[x], expected) << x;
  }
}

// Reducing while decoding gives what reducing the full bitmap gives: edge
// blocks average what they hold, rows the data does not reach count as
// transparent, masked images come back at full size.
TEST(ImageTest, ReducedDecodingMatchesReducingTheBitmap) {
  std::string rgb;
  for (int i = 0; i < 5 * 3 * 3; ++i) rgb += static_cast<char>(i * 37 % 256);
  const struct {
    const char* name;
    std::string dict, data;
    int kx, ky;
  } cases[] = {
      {"edge blocks", "<< /Width 5 /Height 3 " + kRgb + " >>", rgb, 2, 2},
      {"short data", "<< /Width 5 /Height 3 " + kRgb + " >>", rgb.substr(0, 20), 2, 2},
      {"whole image", "<< /Width 5 /Height 3 " + kRgb + " >>", rgb, 5, 3},
      {"one side", "<< /Width 5 /Height 3 " + kRgb + " >>", rgb, 1, 3},
      {"colour key", "<< /Width 5 /Height 3 " + kRgb + " /Mask [0 120 0 255 0 255] >>", rgb, 2, 2},
  };
  for (const auto& c : cases) {
    TextDocument doc;
    auto full = MakeStream(c.dict, c.data, &doc);
    auto reduced = MakeStream(c.dict, c.data, &doc);
    TPDImage fullImage(&doc, nullptr, full.get());
    TPDImage reducedImage(&doc, nullptr, reduced.get());
    const TImageBitmap expected = ReduceBitmap(fullImage.ToBitmap(), c.kx, c.ky);
    const TImageBitmap got = reducedImage.ToBitmap(c.kx, c.ky);
    EXPECT_EQ(got.Width, (5 + c.kx - 1) / c.kx) << c.name;
    EXPECT_EQ(Pixels(got), Pixels(expected)) << c.name;
  }
  // A 2 x 1 block of red and blue is their average.
  const TImageBitmap mixed = ConvertReduced("<< /Width 2 /Height 1 " + kRgb + " >>",
                                            std::string("\xFF\0\0\0\0\xFF", 6), 2, 1);
  EXPECT_EQ(Pixels(mixed), std::vector<uint32_t>{0xFF800080});
}

TEST(ImageTest, StencilMaskPolarity) {
  struct Case {
    std::string decode;
    std::vector<uint8_t> alpha;
  };
  for (const Case& c : {Case{"", {255, 0, 255, 0}}, Case{"/Decode [1 0]", {0, 255, 0, 255}},
                        Case{"/D [1 0]", {0, 255, 0, 255}}}) {
    TextDocument doc;
    auto stream =
        MakeStream("<< /Width 4 /Height 1 /ImageMask true " + c.decode + " >>", "\x50", &doc);
    TPDImage image(&doc, nullptr, stream.get());
    const TImageBitmap bitmap = image.ToBitmap();
    ASSERT_EQ(bitmap.Format, ibfA8) << c.decode;
    EXPECT_EQ(std::vector<uint8_t>(bitmap.Row(0), bitmap.Row(0) + 4), c.alpha) << c.decode;
    EXPECT_EQ(bitmap.Stride % 4, 0);
  }
}

TEST(ImageTest, SoftMaskAlphaIsScaledAndReadAtItsOwnDepth) {
  struct Case {
    const char* name;
    std::string imageDict;
    std::string imageData;
    std::string smaskDict;
    std::string smaskData;
    std::vector<uint32_t> expected;
  };
  const std::string white4 = "<< /Width 4 /Height 1 " + kRgb + " /SMask 2 0 R >>";
  const std::string whiteData(12, '\xFF');
  for (const Case& c : {
           Case{"same size",
                "<< /Width 2 /Height 1 " + kRgb + " /SMask 2 0 R >>",
                std::string(6, '\xFF'),
                "<< /Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
                std::string("\x80\xFF", 2),
                {0x80808080, kWhite}},
           Case{"smaller 1-bit mask",
                white4,
                whiteData,
                "<< /Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 1 >>",
                "\x40",
                {0, 0, kWhite, kWhite}},
           Case{"larger mask is averaged over each image pixel",
                "<< /Width 1 /Height 1 " + kRgb + " /SMask 2 0 R >>",
                std::string(3, '\xFF'),
                "<< /Width 2 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
                std::string("\x00\xFF\xFF\xFF", 4),
                {0xBFBFBFBF}},
           Case{"mask without data leaves the image opaque",
                white4,
                whiteData,
                "<< /Width 4 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
                "",
                {kWhite, kWhite, kWhite, kWhite}},
           Case{"matte is undone",
                "<< /Width 1 /Height 1 " + kRgb + " /SMask 2 0 R >>",
                std::string("\x80\x80\x80", 3),
                "<< /Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 /Matte [0 0 "
                "0] >>",
                std::string("\x80", 1),
                {0x80808080}},
       }) {
    TextDocument doc;
    doc.AddStream(2, c.smaskDict, c.smaskData);
    auto stream = MakeStream(c.imageDict, c.imageData, &doc);
    TPDImage image(&doc, nullptr, stream.get());
    EXPECT_EQ(Pixels(image.ToBitmap()), c.expected) << c.name;
  }
}

TEST(ImageTest, ExplicitMaskTakesItsOwnSize) {
  TextDocument doc;
  doc.AddStream(2, "<< /Width 2 /Height 1 /ImageMask true >>", "\x40");
  auto stream = MakeStream("<< /Width 1 /Height 1 " + kRgb + " /Mask 2 0 R >>",
                           std::string("\xFF\0\0", 3), &doc);
  TPDImage image(&doc, nullptr, stream.get());
  const TImageBitmap bitmap = image.ToBitmap();
  EXPECT_EQ(bitmap.Width, 2);
  EXPECT_EQ(Pixels(bitmap), (std::vector<uint32_t>{kRed, 0}));

  TextDocument empty;
  empty.AddStream(2, "<< /Width 2 /Height 1 /ImageMask true >>", "");
  auto unmasked = MakeStream("<< /Width 1 /Height 1 " + kRgb + " /Mask 2 0 R >>",
                             std::string("\xFF\0\0", 3), &empty);
  TPDImage image2(&empty, nullptr, unmasked.get());
  EXPECT_EQ(Pixels(image2.ToBitmap()), (std::vector<uint32_t>{kRed}))
      << "a mask without data masks nothing";
}

TEST(ImageTest, NamedColourSpaceFromResources) {
  TextDocument doc;
  TPDObjectPtr resources =
      testing::ParseObject("<< /ColorSpace << /CS0 [/Indexed /DeviceRGB 0 <0000FF>] >> >>", &doc);
  auto stream = MakeStream("<< /Width 1 /Height 1 /ColorSpace /CS0 /BitsPerComponent 8 >>",
                           std::string(1, '\0'), &doc);
  TPDImage image(&doc, static_cast<TPDDictionary*>(resources.get()), stream.get());
  EXPECT_EQ(Pixels(image.ToBitmap()), (std::vector<uint32_t>{kBlue}));
}

std::unique_ptr<TPDStream> FilteredStream(const std::string& dict, const std::string& data) {
  TPDObjectPtr parsed = testing::ParseObject(dict);
  TPDFilterManager filters;
  return filters.GetFilter(
      std::unique_ptr<TPDDictionary>(static_cast<TPDDictionary*>(parsed.release())),
      std::make_unique<TMemoryStream>(data));
}

TEST(ImageTest, DctImagesDecodeThroughTheFilter) {
  std::vector<uint8_t> samples;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      samples.insert(samples.end(), {static_cast<uint8_t>(x < 8 ? 255 : 0), 0,
                                     static_cast<uint8_t>(x < 8 ? 0 : 255)});
    }
  }
  const std::vector<uint8_t> jpeg = qp::testing::EncodeJpeg(16, 16, 3, samples);
  for (const char* filter : {"/Filter /DCTDecode", "/F /DCT"}) {
    auto stream =
        FilteredStream(std::string("<< /Width 16 /Height 16 ") + filter + " " + kRgb + " >>",
                       std::string(jpeg.begin(), jpeg.end()));
    TPDImage image(nullptr, nullptr, stream.get());
    EXPECT_TRUE(image.IsDct()) << filter;
    const TImageBitmap bitmap = image.ToBitmap();
    ASSERT_FALSE(bitmap.IsEmpty()) << filter;
    const uint32_t left = bitmap.Pixel(2, 8);
    const uint32_t right = bitmap.Pixel(13, 8);
    EXPECT_GT((left >> 16) & 0xFF, 240u) << filter;
    EXPECT_LT(left & 0xFF, 16u) << filter;
    EXPECT_GT(right & 0xFF, 240u) << filter;
  }
  // Corrupt JPEG data: no crash, nothing or black drawn.
  auto broken = FilteredStream("<< /Width 16 /Height 16 /Filter /DCTDecode " + kRgb + " >>",
                               std::string(jpeg.begin(), jpeg.begin() + 40) + "garbage");
  TPDImage image(nullptr, nullptr, broken.get());
  const TImageBitmap bitmap = image.ToBitmap();
  if (!bitmap.IsEmpty()) {
    EXPECT_EQ(bitmap.Width, 16);
  }
}

TEST(ImageTest, CorruptJpxYieldsNothing) {
  for (const std::string& data :
       {std::string("\xFF\x4F\xFF\x51", 4) + std::string(40, '\x01'),
        std::string("\0\0\0\x0cjP  \r\n\x87\n", 12) + std::string(30, 'x'), std::string("x")}) {
    auto stream = FilteredStream("<< /Width 4 /Height 4 /Filter /JPXDecode >>", data);
    TPDImage image(nullptr, nullptr, stream.get());
    EXPECT_TRUE(image.IsJpx());
    EXPECT_TRUE(image.ToBitmap().IsEmpty());
  }
}

// Reads the PPM (P6), PGM (P5) or PBM (P4) file that pdfimages writes for
// an image, as 8-bit samples (PBM bits become 0 for 1, 255 for 0).
bool ReadNetpbm(const std::string& path, int& width, int& height, int& comps,
                std::string& samples) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  if (!(in >> magic >> width >> height)) return false;
  int maxValue = 1;
  if (magic != "P4" && (!(in >> maxValue) || maxValue != 255)) return false;
  comps = magic == "P6" ? 3 : 1;
  if (magic != "P6" && magic != "P5" && magic != "P4") return false;
  in.get();
  samples.assign(static_cast<size_t>(width) * height * comps, '\0');
  if (magic != "P4") {
    return static_cast<bool>(in.read(samples.data(), static_cast<std::streamsize>(samples.size())));
  }
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  std::string packed(rowBytes * height, '\0');
  if (!in.read(packed.data(), static_cast<std::streamsize>(packed.size()))) return false;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool black = (packed[y * rowBytes + x / 8] >> (7 - x % 8)) & 1;
      samples[static_cast<size_t>(y) * width + x] = black ? '\0' : '\xFF';
    }
  }
  return true;
}

// The first image of the file as pdfimages decodes it.
bool ReferenceImage(const std::string& file, int& width, int& height, int& comps,
                    std::string& samples) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("qp_images_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string prefix = (dir / "img").string();
  bool found = false;
  if (std::system(("pdfimages -f 1 -l 1 '" + file + "' '" + prefix + "'").c_str()) == 0) {
    for (const char* ext : {".ppm", ".pgm", ".pbm"}) {
      const std::string path = prefix + "-000" + ext;
      if (std::filesystem::exists(path)) {
        found = ReadNetpbm(path, width, height, comps, samples);
        break;
      }
    }
  }
  std::filesystem::remove_all(dir);
  return found;
}

struct CorpusCase {
  const char* file;
  bool jpx;
};

class CorpusImages : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(CorpusImages, MatchPdfimages) {
  const std::string file = std::string(QP_SHARED_DIR) + "/corpus/mixed/filters/" + GetParam().file;
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "corpus file absent: " << file;
  if (std::system("command -v pdfimages >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "pdfimages not installed";
  }
  int width = 0, height = 0, comps = 0;
  std::string reference;
  ASSERT_TRUE(ReferenceImage(file, width, height, comps, reference));

  TPDDocument document;
  document.LoadDocument(file);
  TImageBitmap bitmap;
  for (uint32_t n = 1; n < 64 && bitmap.IsEmpty(); ++n) {
    TPDBaseObject* object = document.GetBaseDoc()->GetObject(n);
    if (object == nullptr || !object->IsStream()) continue;
    auto* stream = static_cast<TPDStream*>(object);
    const TPDDictionary* dict = stream->GetDict();
    if (dict == nullptr || !dict->LookUp("Subtype") || !dict->LookUp("Subtype")->IsName("Image")) {
      continue;
    }
    TPDImage image(document.GetBaseDoc(), nullptr, stream);
    EXPECT_EQ(image.IsJpx(), GetParam().jpx);
    bitmap = image.ToBitmap();
  }
  ASSERT_FALSE(bitmap.IsEmpty());
  ASSERT_EQ(bitmap.Width, width);
  ASSERT_EQ(bitmap.Height, height);
  const auto* ref = reinterpret_cast<const uint8_t*>(reference.data());
  int worst = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t pixel = bitmap.Pixel(x, y);
      ASSERT_EQ(pixel >> 24, 0xFFu) << x << "," << y;
      const int got[3] = {static_cast<int>((pixel >> 16) & 0xFF),
                          static_cast<int>((pixel >> 8) & 0xFF), static_cast<int>(pixel & 0xFF)};
      const uint8_t* want = ref + (static_cast<size_t>(y) * width + x) * comps;
      for (int c = 0; c < 3; ++c)
        worst = std::max(worst, std::abs(got[c] - want[comps == 3 ? c : 0]));
    }
  }
  EXPECT_LE(worst, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, CorpusImages,
    ::testing::Values(CorpusCase{"jpx-img2pdf.pdf", true},
                      CorpusCase{"dct-baseline-img2pdf.pdf", false},
                      CorpusCase{"dct-gray-img2pdf.pdf", false},
                      CorpusCase{"dct-progressive-img2pdf.pdf", false},
                      CorpusCase{"flate-png-predictor-rgb16-img2pdf.pdf", false},
                      CorpusCase{"flate-png-predictor-pal4-img2pdf.pdf", false},
                      CorpusCase{"flate-png-predictor-gray1-img2pdf.pdf", false},
                      CorpusCase{"lzw-gray-imagemagick.pdf", false},
                      CorpusCase{"runlength-imagemagick.pdf", false},
                      CorpusCase{"ccitt-g4-imagemagick.pdf", false}),
    [](const ::testing::TestParamInfo<CorpusCase>& test_case) {
      std::string name = test_case.param.file;
      name = name.substr(0, name.find('.'));
      for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

// Every image XObject of the mixed corpus whose manifest lists images or
// masks converts to a bitmap of its declared size, except DeviceN ones.
TEST(ImageTest, CorpusImageObjectsConvert) {
  const std::filesystem::path root = std::filesystem::path(QP_SHARED_DIR) / "corpus/mixed";
  std::ifstream manifest(root / "MANIFEST.tsv");
  if (!manifest) GTEST_SKIP() << "corpus absent: " << root;
  std::string line;
  int images = 0;
  while (std::getline(manifest, line)) {
    const std::string path = line.substr(0, line.find('\t'));
    if (line.find("image") == std::string::npos && line.find("mask") == std::string::npos) continue;
    if (line.find("\t-\t") == std::string::npos) continue;  // password-protected files
    TPDDocument document;
    try {
      document.LoadDocument((root / path).string());
    } catch (const std::exception&) {
      continue;
    }
    TPDBaseDoc* base = document.GetBaseDoc();
    const TPDBaseObject* size = base->GetTrailer() ? base->GetTrailer()->LookUp("Size") : nullptr;
    const int count = size != nullptr && size->IsInteger()
                          ? std::min(static_cast<const TPDInteger*>(size)->Value(), 5000)
                          : 0;
    for (int n = 1; n < count; ++n) {
      TPDBaseObject* object = base->GetObject(static_cast<uint32_t>(n));
      if (object == nullptr || !object->IsStream()) continue;
      auto* stream = static_cast<TPDStream*>(object);
      const TPDDictionary* dict = stream->GetDict();
      if (dict == nullptr || !dict->LookUp("Subtype") ||
          !dict->LookUp("Subtype")->IsName("Image")) {
        continue;
      }
      TPDImage image(base, nullptr, stream);
      const TImageBitmap bitmap = image.ToBitmap();
      ++images;
      if (image.GetColorSpace() && image.GetColorSpace()->GetMode() == csDeviceN) {
        EXPECT_TRUE(bitmap.IsEmpty());
        continue;
      }
      ASSERT_FALSE(bitmap.IsEmpty()) << path << " object " << n;
      if (!image.IsJpx() && !dict->LookUp("Mask")) {
        EXPECT_EQ(bitmap.Width, image.GetWidth()) << path << " object " << n;
        EXPECT_EQ(bitmap.Height, image.GetHeight()) << path << " object " << n;
      }
    }
  }
  RecordProperty("images", images);
  EXPECT_GT(images, 0);
}

}  // namespace
}  // namespace qp::pdf
