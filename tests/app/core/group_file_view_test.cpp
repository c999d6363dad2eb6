#include "app/core/group_file_view.h"

#include <gtest/gtest.h>

#include "compiler/group_file_writer.h"
#include "compiler/palette.h"
#include "compiler/plate_error.h"
#include "tests/compiler/chart_raster_helpers.h"
#include "tests/compiler/compiler_test_helpers.h"

namespace qp::app {
namespace {

// KBOS with a geo-referenced chart, a plate a cancelled build left out, and
// a plain picture; the lines number plates from 1 and mark the missing one.
TEST(GroupFileView, ListsThePlatesAndDrawsThemInThePalette) {
  testing::ScratchDir dir;
  std::vector<PlateRecord> plates(3);
  plates[0].Name = "ILS RWY 04R";
  plates[0].GEOREF = true;
  plates[0].LatTL = 42 * 180000 + 26 * 3000 + 2 * 50;
  plates[0].LongTL = -(71 * 180000 + 3 * 3000);
  plates[0].LatBR = 42 * 180000;
  plates[0].LongBR = -(70 * 180000);
  plates[1].Name = "VOR RWY 27";
  plates[2].Name = "Parking \xE9t\xE9";
  GroupFileWriter writer(dir.path(), {"KBOS", "Boston", 3, 0}, plates);
  const PlateRaster chart = testing::MakeChartRaster(40, 30);
  EncodedImage e = EncodePlateImage(chart, false, {}, dir / "EXP.TMP");
  writer.AppendPlate(0, plates[0], e, dir / "EXP.TMP");
  e = EncodePlateImage(testing::MakeChartRaster(7, 5), false, {}, dir / "EXP.TMP");
  writer.AppendPlate(2, plates[2], e, dir / "EXP.TMP");
  writer.Close();

  const GroupFileView view(dir / "ZGKBOS.ZPG");
  EXPECT_EQ(view.Title(), "ZGKBOS.ZPG: KBOS, Boston, 3 plates (1 not written)");
  ASSERT_EQ(view.Lines().size(), 3u);
  EXPECT_EQ(view.Lines()[0],
            "1  ILS RWY 04R  40 x 30  N42\xC2\xB0"
            "26.02 W071\xC2\xB0"
            "03.00 to N42\xC2\xB0"
            "00.00 W070\xC2\xB0"
            "00.00  offset 284");
  EXPECT_EQ(view.Lines()[1], "2  VOR RWY 27  not written");
  EXPECT_EQ(view.Lines()[2].rfind("3  Parking \xC3\xA9t\xC3\xA9  7 x 5  offset ", 0), 0u);
  EXPECT_FALSE(view.Written(1));
  EXPECT_TRUE(view.Image(1).colours.empty());

  const PlateImage image = view.Image(0);
  ASSERT_EQ(image.width, 40);
  ASSERT_EQ(image.height, 30);
  for (int y = 0; y < 30; y += 7) {
    for (int x = 0; x < 40; x += 9) {
      const uint32_t expected = PlatePalette().entries[NearestPaletteIndex(chart.Pixel(x, y))];
      EXPECT_EQ(image.colours[static_cast<size_t>(y) * 40 + x], expected) << x << "," << y;
    }
  }
  EXPECT_THROW(GroupFileView(dir / "EXP.TMP"), PlateError);
}

}  // namespace
}  // namespace qp::app
