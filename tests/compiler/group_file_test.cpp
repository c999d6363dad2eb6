#include <gtest/gtest.h>

#include <functional>

#include "compiler/group_file.h"
#include "compiler/group_file_reader.h"
#include "compiler/group_file_writer.h"
#include "compiler/palette.h"
#include "compiler/plate_error.h"
#include "compiler/raster_geometry.h"
#include "tests/compiler/chart_raster_helpers.h"
#include "tests/compiler/compiler_test_helpers.h"

namespace qp {
namespace {

using testing::Hex;
using testing::ReadBytes;
using testing::U16At;
using testing::U32At;

PlateRaster Solid(int w, int h, uint32_t colour) {
  PlateRaster raster(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) raster.SetPixel(x, y, colour);
  return raster;
}

PlateRecord Plate(const std::string& name) {
  PlateRecord p;
  p.Name = name;
  p.NumberOfPages = 0x10003;  // only the low 16 bits are stored
  return p;
}

TEST(GroupFileName, AirportAndInformationGroups) {
  GroupRecord airport{"KjFk", "Kennedy", 0, 0};
  EXPECT_EQ(GroupFileName(airport), "ZGKjFk.ZPG");
  GroupRecord info{"", "Info", 0, 1};
  EXPECT_EQ(GroupFileName(info), "ZPINFO.ZPG");
  info.ID = "IGNORED";
  EXPECT_EQ(GroupFileName(info), "ZPINFO.ZPG");
  GroupRecord escape{"../x", "Bad", 0, 0};
  EXPECT_THROW(GroupFileName(escape), PlateError);
  // Records hold Windows-1252; the name on disk is UTF-8.
  GroupRecord accented{"\xC9LL", "Accented", 0, 0};
  EXPECT_EQ(GroupFileName(accented), "ZG\xC3\x89LL.ZPG");
}

TEST(GroupFileWriter, EmptyGroupIsAHeaderOnly) {
  testing::ScratchDir dir;
  GroupRecord group{"EGLL", std::string(70, 'n'), 0, 0};
  GroupFileWriter writer(dir.path(), group, {});
  writer.Close();
  std::vector<uint8_t> file = ReadBytes(dir / "ZGEGLL.ZPG");
  ASSERT_EQ(file.size(), 80u);
  EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 4), Hex("03 5A 50 47"));
  EXPECT_EQ(file[4], 4);
  EXPECT_EQ(std::string(file.begin() + 5, file.begin() + 9), "EGLL");
  EXPECT_EQ(file[11], 1);
  EXPECT_EQ(file[12], 63);  // the name is cut to 63 characters
  EXPECT_EQ(U32At(file, 76), 0u);
  GroupFileContent content = ReadGroupFile(dir / "ZGEGLL.ZPG");
  EXPECT_EQ(content.GroupName, std::string(63, 'n'));
  EXPECT_TRUE(content.entries.empty());
}

TEST(GroupFileWriter, ThreePlatesOffsetsHeadersAndCorners) {
  testing::ScratchDir dir;
  GroupRecord group{"", "Info \xE9\xB0", 3, 1};
  std::vector<PlateRecord> plates = {Plate("first"), Plate("second"), Plate("third")};
  plates[1].GEOREF = true;  // geo-referenced, not clipped: corners unchanged
  plates[1].LatTL = 9000000;
  plates[1].LongTL = -100;
  plates[1].LatBR = 8820000;
  plates[1].LongBR = 270000;
  plates[2] = plates[1];
  plates[2].Name = "third";
  plates[2].Clip = true;  // geo-referenced and clipped: corners recalculated

  GroupFileWriter writer(dir.path(), group, plates);
  const PlateRaster rasters[] = {Solid(3, 1, 0x000007), Solid(130, 2, 0xFFFFFF),
                                 Solid(1000, 1500, 0x808080)};
  const ClipRect clips[] = {{}, {}, {100, 150, 900, 1350}};
  for (int i = 0; i < 3; ++i) {
    EncodedImage e = EncodePlateImage(rasters[i], plates[i].Clip, clips[i], dir / "EXP.TMP");
    writer.AppendPlate(i, plates[i], e, dir / "EXP.TMP");
  }
  writer.Close();

  std::vector<uint8_t> file = ReadBytes(dir / "ZPINFO.ZPG");
  EXPECT_EQ(file[4], 0);  // empty ID
  EXPECT_EQ(U32At(file, 76), 3u);
  const uint32_t first = U32At(file, 144), second = U32At(file, 144 + 68);
  EXPECT_EQ(first, 284u);
  EXPECT_EQ(second, 284u + 26 + 8 + U32At(file, 284 + 26 + 4));
  // Plate 0: 3 x 1 of index 0 is one literal record.
  EXPECT_EQ(std::vector<uint8_t>(file.begin() + 284 + 26, file.begin() + second),
            Hex("03 00 01 00 04 00 00 00 03 00 00 00"));
  EXPECT_EQ(U16At(file, 284 + 16), 3);  // NumberOfPages, low 16 bits
  EXPECT_EQ(U16At(file, 284 + 18), 1);
  EXPECT_EQ(file[284 + 20], 0);
  // Plate 1: 130 white pixels per row are FF 0F 83 0F.
  EXPECT_EQ(std::vector<uint8_t>(file.begin() + second + 34, file.begin() + second + 42),
            Hex("FF 0F 83 0F FF 0F 83 0F"));

  GroupFileContent content = ReadGroupFile(dir / "ZPINFO.ZPG");
  EXPECT_EQ(content.GroupName, "Info \xE9\xB0");
  ASSERT_EQ(content.entries.size(), 3u);
  EXPECT_EQ(content.entries[2].EntryName, "third");
  const GroupFilePlate& p1 = *content.entries[1].plate;
  EXPECT_TRUE(p1.GEOREF);
  EXPECT_EQ(p1.Corners, (PlateCorners{9000000, -100, 8820000, 270000}));
  const GroupFilePlate& p2 = *content.entries[2].plate;
  EXPECT_EQ(p2.ImageWidth, 800);
  EXPECT_EQ(p2.ImageHeight, 1200);
  EXPECT_EQ(p2.Corners, ClipCorners({9000000, -100, 8820000, 270000}, 1000, 1500, clips[2]));
}

TEST(GroupFileWriter, IgnoredClipKeepsTheStoredCorners) {
  PlateRecord plate = Plate("p");
  plate.GEOREF = plate.Clip = true;
  plate.LatTL = 100;
  plate.LongBR = 500;
  EncodedImage applied{1000, 1000, 500, 500, true, {0, 0, 500, 500}, 0, {}};
  EncodedImage ignored = applied;
  ignored.Clipped = false;
  EXPECT_EQ(PlateHeaderCorners(plate, ignored), (PlateCorners{100, 0, 0, 500}));
  EXPECT_NE(PlateHeaderCorners(plate, applied), PlateHeaderCorners(plate, ignored));
  plate.GEOREF = false;
  EXPECT_EQ(PlateHeaderCorners(plate, applied), (PlateCorners{100, 0, 0, 500}));
}

// A clip drawn on a 1024 x 1325 preview: the raster is enlarged so the clip
// comes out at the preview's size, and the corners follow the clip.
TEST(GroupFileWriter, ClipEnlargementAndCornersTogether) {
  testing::ScratchDir dir;
  PlateRecord plate = Plate("clipped");
  plate.GEOREF = plate.Clip = true;
  plate.LatTL = 9000000;
  plate.LongTL = 0;
  plate.LatBR = 8820000;
  plate.LongBR = 270000;
  ClipEnlargement size = EnlargeForClip(1024, 1325, true, {100, 200, 612, 862});
  PlateRaster raster(static_cast<int>(size.Width), static_cast<int>(size.Height));
  EncodedImage e = EncodePlateImage(raster, true, size.Clip, dir / "EXP.TMP");
  EXPECT_EQ(e.ImageWidth, 1024);
  EXPECT_EQ(e.ImageHeight, 1325);
  // 200/2048 and 824/2048 of 270000; 400/2652 and 927/2652 of 180000.
  EXPECT_EQ(PlateHeaderCorners(plate, e), (PlateCorners{8972851, 26367, 8882919, 161367}));
}

// A cancelled build: the plates not written keep offset 0 and read as absent.
TEST(GroupFileWriter, UnwrittenPlatesReadAsAbsent) {
  testing::ScratchDir dir;
  std::vector<PlateRecord> plates = {Plate("a"), Plate("b"), Plate("c")};
  GroupFileWriter writer(dir.path(), {"ABCDEFGH", "n", 3, 0}, plates);
  EncodedImage e = EncodePlateImage(Solid(4, 4, 0), false, {}, dir / "EXP.TMP");
  writer.AppendPlate(0, plates[0], e, dir / "EXP.TMP");
  writer.Close();
  std::vector<uint8_t> file = ReadBytes(dir / "ZGABCDEFGH.ZPG");
  EXPECT_EQ(file[4], 6);  // the ID field holds six characters
  EXPECT_EQ(U32At(file, 144 + 68), 0u);
  EXPECT_EQ(U32At(file, 144 + 136), 0u);
  GroupFileContent content = ReadGroupFile(dir / "ZGABCDEFGH.ZPG");
  EXPECT_EQ(content.GroupId, "ABCDEF");
  EXPECT_TRUE(content.entries[0].plate.has_value());
  EXPECT_FALSE(content.entries[1].plate.has_value());
  EXPECT_FALSE(content.entries[2].plate.has_value());
}

TEST(GroupFileWriter, FailedPlateIsCutBackAndTheFileStaysReadable) {
  testing::ScratchDir dir;
  std::vector<PlateRecord> plates = {Plate("a"), Plate("b")};
  GroupFileWriter writer(dir.path(), {"X", "n", 2, 0}, plates);
  EncodedImage e = EncodePlateImage(Solid(4, 4, 0), false, {}, dir / "EXP.TMP");
  writer.AppendPlate(0, plates[0], e, dir / "EXP.TMP");
  EXPECT_THROW(writer.AppendPlate(1, plates[1], e, dir / "NONE.TMP"), PlateError);
  EXPECT_THROW(writer.AppendPlate(2, plates[1], e, dir / "EXP.TMP"), PlateError);
  writer.CloseAfterFailure();
  GroupFileContent content = ReadGroupFile(dir / "ZGX.ZPG");
  EXPECT_TRUE(content.entries[0].plate.has_value());
  EXPECT_FALSE(content.entries[1].plate.has_value());
}

// Build -> read back: every index of every plate against the raster.
TEST(GroupFileRoundTrip, EveryIndexMatchesTheRasterThroughThePalette) {
  testing::ScratchDir dir;
  std::vector<PlateRecord> plates = {Plate("chart"), Plate("clipped"), Plate("tiny")};
  plates[1].Clip = true;
  std::vector<PlateRaster> rasters;
  rasters.push_back(testing::MakeChartRaster(300, 400));
  rasters.push_back(testing::MakeChartRaster(500, 300));
  rasters.push_back(testing::MakeChartRaster(1, 1));
  const ClipRect clips[] = {{}, {33, 17, 480, 299}, {}};
  GroupFileWriter writer(dir.path(), {"KSEA", "Seattle", 3, 0}, plates);
  for (int i = 0; i < 3; ++i) {
    EncodedImage e = EncodePlateImage(rasters[i], plates[i].Clip, clips[i], dir / "EXP.TMP");
    writer.AppendPlate(i, plates[i], e, dir / "EXP.TMP");
  }
  writer.Close();
  GroupFileContent content = ReadGroupFile(dir / "ZGKSEA.ZPG");
  const PlatePaletteTable& palette = PlatePalette();
  for (int i = 0; i < 3; ++i) {
    const GroupFilePlate& plate = *content.entries[i].plate;
    const int left = plates[i].Clip ? clips[i].Left : 0, top = plates[i].Clip ? clips[i].Top : 0;
    std::vector<uint32_t> colours = plate.Colours();
    for (int y = 0; y < plate.ImageHeight; ++y) {
      for (int x = 0; x < plate.ImageWidth; ++x) {
        uint32_t pixel = rasters[i].Pixel(left + x, top + y);
        size_t at = size_t(y) * plate.ImageWidth + x;
        ASSERT_EQ(plate.Indices[at], NearestPaletteIndex(pixel)) << i << " " << x << "," << y;
        ASSERT_EQ(colours[at], palette.entries[NearestPaletteIndex(pixel)]);
      }
    }
  }
}

// A valid two-plate file to damage: plate 0 is 2 x 2, plate 1 is 3 x 1.
std::vector<uint8_t> SmallFile() {
  std::vector<uint8_t> f = Hex("03 5A 50 47 02 41 42 00 00 00 00 01 01 4E");
  f.resize(76, 0);
  f.insert(f.end(), {2, 0, 0, 0});
  for (int i = 0; i < 2; ++i) {
    std::vector<uint8_t> entry(68, 0);
    entry[0] = 1;
    entry[1] = static_cast<uint8_t>('a' + i);
    f.insert(f.end(), entry.begin(), entry.end());
  }
  auto plate = [&](int entry, uint16_t w, uint16_t h, const std::vector<uint8_t>& rows) {
    uint32_t at = static_cast<uint32_t>(f.size());
    for (int b = 0; b < 4; ++b) f[144 + 68 * entry + b] = static_cast<uint8_t>(at >> (8 * b));
    std::vector<uint8_t> header(26, 0);
    header[18] = 1;
    header[22] = static_cast<uint8_t>(w);
    header[24] = static_cast<uint8_t>(h);
    f.insert(f.end(), header.begin(), header.end());
    f.insert(f.end(), {static_cast<uint8_t>(w), 0, static_cast<uint8_t>(h), 0,
                       static_cast<uint8_t>(rows.size()), 0, 0, 0});
    f.insert(f.end(), rows.begin(), rows.end());
  };
  plate(0, 2, 2, Hex("82 05 02 01 02"));
  plate(1, 3, 1, Hex("83 0F"));
  return f;
}

TEST(GroupFileReader, ReadsTheSmallFile) {
  std::vector<uint8_t> f = SmallFile();
  GroupFileContent content = ReadGroupFile(f);
  EXPECT_EQ(content.GroupId, "AB");
  EXPECT_EQ(content.GroupName, "N");
  EXPECT_EQ(content.entries[0].plate->Indices, (std::vector<uint8_t>{5, 5, 1, 2}));
  EXPECT_EQ(content.entries[1].plate->Indices, (std::vector<uint8_t>{15, 15, 15}));
}

TEST(GroupFileReader, RejectsEachKindOfDamage) {
  const uint32_t plate0 = 80 + 2 * 68, plate1 = plate0 + 26 + 8 + 5;
  const uint32_t rows0 = plate0 + 34;
  auto set32 = [](std::vector<uint8_t>& f, size_t at, uint32_t v) {
    for (int b = 0; b < 4; ++b) f[at + b] = static_cast<uint8_t>(v >> (8 * b));
  };
  struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    const char* message;
  };
  const Case cases[] = {
      {"wrong magic", [](auto& f) { f[0] = 0x04; }, "wrong magic"},
      {"header cut short", [](auto& f) { f.resize(79); }, "header cut short"},
      {"directory cut short", [](auto& f) { f.resize(150); }, "directory cut short"},
      {"too many plates", [&](auto& f) { set32(f, 76, 1000); }, "directory cut short"},
      {"negative count", [&](auto& f) { set32(f, 76, 0x80000000u); }, "negative PlateCount"},
      {"last plate cut short", [](auto& f) { f.pop_back(); }, "DataLength 2 runs past"},
      {"plate header cut short", [&](auto& f) { f.resize(plate1 + 20); }, "plate 1 is cut short"},
      {"offset outside the file", [&](auto& f) { set32(f, 144 + 68, 100000); }, "outside the file"},
      {"offsets out of order", [&](auto& f) { set32(f, 144 + 68, plate0 - 10); }, "out of order"},
      {"offset leaves a gap", [&](auto& f) { set32(f, 144, plate0 + 1); }, "leaves a gap"},
      {"control byte 0x00", [&](auto& f) { f[rows0] = 0x00; }, "control byte 0x00"},
      {"control byte 0x80", [&](auto& f) { f[rows0 + 2] = 0x80; }, "control byte 0x80"},
      {"record past its row", [&](auto& f) { f[rows0] = 0x83; }, "runs past row 0"},
      {"DataLength too large", [&](auto& f) { f[rows0 - 4] = 6; }, "DataLength 6"},
      {"DataLength too small", [&](auto& f) { f[rows0 - 4] = 4; }, "DataLength 4 does not fill"},
      {"rows end early",
       [&](auto& f) {
         f[rows0 + 2] = 0x82;
         f[rows0 + 3] = 0x01;
       },
       "does not match the rows"},
      {"index outside the palette", [&](auto& f) { f[rows0 + 1] = 246; }, "outside the palette"},
      {"bytes after the last plate", [](auto& f) { f.push_back(0); },
       "DataLength 2 does not fill the plate's 3"},
      {"block size differs", [&](auto& f) { f[plate0 + 26] = 3; }, "differs from the plate header"},
      {"name length too long", [](auto& f) { f[12] = 64; }, "GroupName has length 64"},
      {"huge image claimed",
       [&](auto& f) {
         f[plate0 + 22] = f[plate0 + 23] = f[plate0 + 24] = f[plate0 + 25] = 0xFF;
         f[plate0 + 26] = f[plate0 + 27] = f[plate0 + 28] = f[plate0 + 29] = 0xFF;
       },
       "too small for 65535 x 65535"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> f = SmallFile();
    c.damage(f);
    try {
      ReadGroupFile(f);
      ADD_FAILURE() << c.name << ": accepted";
    } catch (const PlateError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
          << c.name << ": " << e.what();
    }
  }
}

TEST(GroupFileReader, MessageNamesTheFile) {
  testing::ScratchDir dir;
  testing::WriteBytes(dir / "BAD.ZPG", Hex("00 01 02"));
  try {
    ReadGroupFile(dir / "BAD.ZPG");
    FAIL();
  } catch (const PlateError& e) {
    EXPECT_NE(std::string(e.what()).find("BAD.ZPG: header cut short"), std::string::npos)
        << e.what();
  }
  EXPECT_THROW(ReadGroupFile(dir / "MISSING.ZPG"), PlateError);
}

}  // namespace
}  // namespace qp
