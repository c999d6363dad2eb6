#include "compiler/picture_source.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "compiler/group_file_reader.h"
#include "compiler/jpeg_reader.h"
#include "compiler/palette.h"
#include "compiler/plate_error.h"
#include "tests/compiler/bmp_helpers.h"
#include "tests/compiler/compiler_test_helpers.h"
#include "tests/compiler/jpeg_helpers.h"

namespace qp {
namespace {

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
  return (b << 16) | (g << 8) | r;
}

void ExpectNear(uint32_t actual, uint32_t expected, int tolerance, const std::string& name) {
  for (int shift : {0, 8, 16}) {
    int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
    EXPECT_LE(std::abs(a - e), tolerance)
        << name << std::hex << " got " << actual << " want " << expected;
  }
}

TEST(DecodeJpeg, ColourSpaces) {
  struct Case {
    std::string name;
    std::vector<uint8_t> file;
    uint32_t colour;
  };
  const Case cases[] = {
      {"grayscale", testing::FlatJpeg(16, 8, {100}), Rgb(100, 100, 100)},
      {"RGB", testing::FlatJpeg(9, 17, {200, 40, 90}), Rgb(200, 40, 90)},
      // Adobe CMYK is stored inverted: 255 means no ink.
      {"CMYK, no ink but cyan", testing::FlatJpeg(8, 8, {0, 255, 255, 255}), Rgb(0, 255, 255)},
      {"CMYK, half black", testing::FlatJpeg(8, 8, {255, 255, 255, 128}), Rgb(128, 128, 128)},
  };
  for (const Case& c : cases) {
    PlateRaster raster = DecodeJpeg(c.file);
    ASSERT_GT(raster.Width(), 0) << c.name;
    for (int y = 0; y < raster.Height(); ++y)
      for (int x = 0; x < raster.Width(); ++x) ExpectNear(raster.Pixel(x, y), c.colour, 3, c.name);
  }
}

TEST(DecodeJpeg, FullSizeAndProgressive) {
  std::vector<uint8_t> samples;
  for (int y = 0; y < 37; ++y)
    for (int x = 0; x < 53; ++x)
      samples.insert(samples.end(), {uint8_t(x * 4), uint8_t(y * 6), 128});
  PlateRaster raster = DecodeJpeg(testing::EncodeJpeg(53, 37, 3, samples, true));
  EXPECT_EQ(raster.Width(), 53);
  EXPECT_EQ(raster.Height(), 37);
  ExpectNear(raster.Pixel(40, 30), Rgb(160, 180, 128), 12, "gradient");
}

TEST(DecodeJpeg, RejectsDamagedFiles) {
  const std::vector<uint8_t> good = testing::FlatJpeg(64, 64, {10, 20, 30});
  std::vector<uint8_t> truncated(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
  std::vector<uint8_t> headerOnly(good.begin(), good.begin() + 20);
  std::vector<uint8_t> notJpeg = {'G', 'I', 'F', '8'};
  std::vector<uint8_t> corrupt = good;
  for (size_t i = corrupt.size() / 3; i < corrupt.size() - 2; i += 3) corrupt[i] = 0xFF;
  for (const auto& [name, bytes] : {std::pair{"truncated", truncated},
                                    {"header only", headerOnly},
                                    {"not a JPEG", notJpeg},
                                    {"corrupt", corrupt}}) {
    EXPECT_THROW(DecodeJpeg(bytes), PlateError) << name;
  }
  EXPECT_THROW(DecodeJpeg(good, 100), PlateError);  // over the caller's pixel limit
}

TEST(SourceKindOf, ByExtensionInAnyCase) {
  const std::pair<const char*, SourceKind> cases[] = {
      {"/a/b.PDF", SourceKind::Pdf},         {"/a/b.bmp", SourceKind::Bmp},
      {"b.Jpg", SourceKind::Jpeg},           {"/x.y/b.JPEG", SourceKind::Jpeg},
      {"/x.bmp/b", SourceKind::Unsupported}, {"/a/b.bmp.txt", SourceKind::Unsupported},
      {"/a/.bmp", SourceKind::Bmp},
  };
  for (auto [path, kind] : cases) EXPECT_EQ(SourceKindOf(path), kind) << path;
}

std::string ErrorOf(const std::filesystem::path& path) {
  try {
    LoadPicture(path);
  } catch (const PlateError& e) {
    return e.what();
  }
  return "";
}

TEST(LoadPicture, ErrorsNameTheFileAndTheProblem) {
  testing::ScratchDir dir;
  testing::WriteBytes(dir / "empty.bmp", {});
  testing::WriteBytes(dir / "text.jpg", {'h', 'e', 'l', 'l', 'o'});
  std::vector<uint8_t> jpeg = testing::FlatJpeg(32, 32, {1, 2, 3});
  jpeg.resize(jpeg.size() - 40);
  testing::WriteBytes(dir / "cut.jpeg", jpeg);
  testing::WriteBytes(dir / "plate.txt", {'x'});
  std::filesystem::create_directory(dir / "folder.bmp");
  const std::pair<std::string, std::string> cases[] = {
      {"missing.bmp", "file not found"},
      {"empty.bmp", "file is empty"},
      {"text.jpg", "not a JPEG file"},
      {"cut.jpeg", "JPEG data"},
      {"plate.txt", "Unsupported image file type"},
      {"folder.bmp", "Unable to read"},
  };
  for (const auto& [name, problem] : cases) {
    std::string message = ErrorOf(dir / name);
    EXPECT_NE(message.find((dir / name).string()), std::string::npos) << message;
    EXPECT_NE(message.find(problem), std::string::npos) << message;
  }
}

TEST(RasterisePicturePlate, EncodesAtOwnSizeWithTheClip) {
  testing::ScratchDir dir;
  testing::BmpLayout s;
  s.width = 40;
  s.height = 30;
  std::vector<std::vector<uint8_t>> rows;
  for (int i = 0; i < 30; ++i) {
    int y = 29 - i;
    std::vector<uint8_t> row;
    for (int x = 0; x < 40; ++x) row.insert(row.end(), {uint8_t(x * 6), uint8_t(y * 8), 0});
    rows.push_back(row);
  }
  s.pixels = testing::PadRows(rows);
  testing::WriteBytes(dir / "chart.BMP", testing::BuildBmp(s));

  PreviewPictureResult preview = PreviewPicture(dir / "chart.BMP");
  EXPECT_EQ(preview.PreviewWidth, 40);
  EXPECT_EQ(preview.PreviewHeight, 30);
  EXPECT_EQ(preview.PreviewPageCount, 1);

  EncodedImage e =
      RasterisePicturePlate(dir / "chart.BMP", true, {4, 3, 24, 23}, TempImagePath(dir.path()));
  EXPECT_EQ(e.RasterWidth, 40);
  EXPECT_EQ(e.ImageWidth, 20);
  EXPECT_EQ(e.ImageHeight, 20);
  std::vector<uint8_t> file = testing::ReadBytes(dir / "EXP.TMP");
  std::vector<uint8_t> indices = DecodeImageRows(std::span(file).subspan(8), 20, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      ASSERT_EQ(indices[y * 20 + x], NearestPaletteIndex(preview.image.Pixel(x + 4, y + 3)));
}

}  // namespace
}  // namespace qp

namespace qp {
namespace {

// The example plates of the demo decode at their own sizes.
TEST(ExamplePlates, DecodeAndEncode) {
  const std::filesystem::path folder = std::filesystem::path(QP_SOURCE_DIR) / "examples" / "plates";
  const std::pair<const char*, std::pair<int, int>> plates[] = {
      {"lfqv-ils-rwy-27.bmp", {200, 260}},
      {"lfqv-aerodrome.bmp", {480, 620}},
      {"frequencies.bmp", {300, 200}},
      {"airfield-view.jpg", {320, 240}},
      {"lfqv-parking.jpg", {400, 300}},
      {"lfqv-visual-approach-chart-runway-09-and-27-night-procedures.bmp", {320, 400}},
  };
  testing::ScratchDir dir;
  for (const auto& [name, size] : plates) {
    EncodedImage e = RasterisePicturePlate(folder / name, false, {}, TempImagePath(dir.path()));
    EXPECT_EQ(e.ImageWidth, size.first) << name;
    EXPECT_EQ(e.ImageHeight, size.second) << name;
  }
}

}  // namespace
}  // namespace qp
