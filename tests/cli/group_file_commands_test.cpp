#include <gtest/gtest.h>
#include <png.h>

#include <sstream>

#include "cli/command.h"
#include "compiler/group_file_writer.h"
#include "compiler/palette.h"
#include "tests/cli/cli_run_helpers.h"
#include "tests/compiler/chart_raster_helpers.h"
#include "tests/compiler/compiler_test_helpers.h"

namespace qp::cli {
namespace {

// KLAX with a clipped geo-referenced chart, a plate never written, and a
// small second plate.
std::filesystem::path WriteExample(const std::filesystem::path& dir) {
  std::vector<PlateRecord> plates(3);
  plates[0].Name = "ILS RWY 24R \xB0";
  plates[0].GEOREF = plates[0].Clip = true;
  plates[0].LatTL = 9266000;
  plates[0].LongTL = -21313450;
  plates[0].LatBR = 9200000;
  plates[0].LongBR = -21200000;
  plates[0].NumberOfPages = 2;
  plates[1].Name = "skipped";
  plates[2].Name = "taxi";
  GroupFileWriter writer(dir, {"KLAX", "Los Angeles", 3, 0}, plates);
  PlateRaster chart = testing::MakeChartRaster(200, 300);
  EncodedImage e = EncodePlateImage(chart, true, {0, 0, 100, 150}, dir / "EXP.TMP");
  writer.AppendPlate(0, plates[0], e, dir / "EXP.TMP");
  e = EncodePlateImage(testing::MakeChartRaster(7, 5), false, {}, dir / "EXP.TMP");
  writer.AppendPlate(2, plates[2], e, dir / "EXP.TMP");
  writer.Close();
  return dir / "ZGKLAX.ZPG";
}

TEST(PlatecInspect, PrintsHeaderDirectoryAndCorners) {
  testing::ScratchDir dir;
  std::filesystem::path file = WriteExample(dir.path());
  CliRun run = Platec({"inspect", file.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  const char* expected[] = {
      "GroupId     \"KLAX\"",
      "GroupName   \"Los Angeles\"",
      "PlateCount  3",
      "Plate 1 \"ILS RWY 24R \xC2\xB0\" at offset 284",
      "Top left      N51°28.40 W118°24.29",
      "Bottom right  N51°17.40 W118°05.34  (9233000, -21256725)",
      "GEOREF 1  NumberOfPages 2  PlateMark 1",
      "Image 100 x 150",
      "Plate 2 \"skipped\": not written",
      "Image 7 x 5",
  };
  for (const char* text : expected)
    EXPECT_NE(run.out.find(text), std::string::npos) << text << "\n" << run.out;
  EXPECT_EQ(run.err, "1 of 3 plates of " + file.string() + " was not written\n");
  const CliRun json = Platec({"inspect", "--json", file.string()});
  EXPECT_EQ(json.status, 0) << json.err;
  for (const char* text :
       {"\"group_id\":\"KLAX\"", "\"plate_count\":3",
        "{\"number\":1,\"name\":\"ILS RWY 24R "
        "\xC2\xB0\",\"written\":true,\"offset\":284,\"width\":100,\"height\":150",
        "\"lat_br\":9233000,\"long_br\":-21256725",
        "{\"number\":2,\"name\":\"skipped\",\"written\":false,\"offset\":0}"}) {
    EXPECT_NE(json.out.find(text), std::string::npos) << text << "\n" << json.out;
  }
}

TEST(PlatecExtract, WritesOnePngPerPlateInPaletteColours) {
  testing::ScratchDir dir;
  std::filesystem::path file = WriteExample(dir.path());
  CliRun run = Platec({"extract", file.string(), "--out", (dir / "png").string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("2 plates extracted"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("1 of 3 plates of "), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "png" / "ZGKLAX-002.png"));

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, (dir / "png" / "ZGKLAX-003.png").c_str()));
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
  ASSERT_EQ(image.width, 7u);
  ASSERT_EQ(image.height, 5u);
  PlateRaster source = testing::MakeChartRaster(7, 5);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) {
      uint32_t want = PlatePalette().entries[NearestPaletteIndex(source.Pixel(x, y))];
      const uint8_t* p = &rgb[(y * 7 + x) * 3];
      EXPECT_EQ(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16), want);
    }
  }
}

TEST(PlatecGroupFileCommands, ErrorsAndUsage) {
  testing::ScratchDir dir;
  std::filesystem::path file = WriteExample(dir.path());
  std::vector<uint8_t> bytes = testing::ReadBytes(file);
  bytes.resize(bytes.size() - 3);
  testing::WriteBytes(dir / "CUT.ZPG", bytes);
  struct Case {
    CommandArgs args;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {{"inspect"}, 2, "Usage: platec inspect"},
      {{"inspect", (dir / "CUT.ZPG").string()},
       1,
       "platec inspect: " + (dir / "CUT.ZPG").string() + ": plate 2"},
      {{"inspect", (dir / "NONE.ZPG").string()}, 1, "Unable to open"},
      {{"extract", file.string()}, 2, "Usage: platec extract"},
      {{"extract", (dir / "CUT.ZPG").string(), "--out", (dir / "o").string()}, 1, "runs past"},
  };
  for (const Case& c : cases) {
    CliRun run = Platec(c.args);
    EXPECT_EQ(run.status, c.status) << c.args[0];
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace qp::cli
