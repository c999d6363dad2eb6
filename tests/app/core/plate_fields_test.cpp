#include "app/core/plate_fields.h"

#include <gtest/gtest.h>

#include <string>

namespace qp::app {
namespace {

TEST(PlateFields, StoredPlateSurvivesARoundTripThroughTheEditor) {
  PlateRecord plate;
  plate.Name = "Z\xFCrich ILS 14";  // Windows-1252 u-umlaut
  plate.SourceFile = "/charts/zürich.pdf";
  plate.FirstPage = 12;
  plate.Scaling = 7;  // outside the items: kept, not reset
  plate.Rotate = rtUpsideDown;
  plate.GEOREF = true;
  plate.NameFromFilename = true;
  plate.Clip = true;
  plate.LatTL = -6110300;
  plate.LongTL = -21313450;
  plate.LatBR = 9266000;
  plate.LongBR = 3700000;
  plate.ClipX1 = -4;
  plate.ClipY1 = 0;
  plate.ClipX2 = 1999;
  plate.ClipY2 = 65536;

  PlateEditorFields fields;
  FillFieldsFromPlate(fields, plate);
  EXPECT_EQ(fields.name, "Zürich ILS 14");
  EXPECT_EQ(fields.lat_tl, "S33°56.46");
  EXPECT_EQ(fields.long_tl, "W118°24.29");
  EXPECT_EQ(fields.clip_x1, "-4");

  PlateRecord back;
  WriteFieldsToPlate(fields, back);
  EXPECT_EQ(back.Name, plate.Name);
  EXPECT_EQ(back.SourceFile, plate.SourceFile);
  EXPECT_EQ(back.FirstPage, 12);
  EXPECT_EQ(back.Scaling, 7);
  EXPECT_EQ(back.Rotate, rtUpsideDown);
  EXPECT_TRUE(back.GEOREF && back.NameFromFilename && back.Clip);
  EXPECT_EQ(back.LatTL, plate.LatTL);
  EXPECT_EQ(back.LongTL, plate.LongTL);
  EXPECT_EQ(back.LatBR, plate.LatBR);
  EXPECT_EQ(back.LongBR, plate.LongBR);
  EXPECT_EQ(back.ClipX1, -4);
  EXPECT_EQ(back.ClipX2, 1999);
  EXPECT_EQ(back.ClipY2, 65536);
}

// The texts show whole seconds; the values behind them go back to the plate
// while the texts still show them, and a changed text gives its own value.
TEST(PlateFields, CornersKeepFractionsOfASecondUntilTheirTextChanges) {
  PlateRecord plate;
  plate.LatTL = 1234567;  // 17 units above N06°51.31
  plate.LongTL = -12768999;
  plate.LatBR = 1230001;
  plate.LongBR = -12700001;
  PlateEditorFields fields;
  FillFieldsFromPlate(fields, plate);
  PlateRecord back;
  WriteFieldsToPlate(fields, back);
  EXPECT_EQ(back.LatTL, plate.LatTL);
  EXPECT_EQ(back.LongTL, plate.LongTL);
  EXPECT_EQ(back.LatBR, plate.LatBR);
  EXPECT_EQ(back.LongBR, plate.LongBR);

  fields.lat_tl = LatToText(1234567 + 180);  // one second further north
  WriteFieldsToPlate(fields, back);
  EXPECT_EQ(back.LatTL, TextToLat(fields.lat_tl));
  EXPECT_NE(back.LatTL, plate.LatTL + 180);
  EXPECT_EQ(back.LongTL, plate.LongTL);

  ResetFields(fields, "/charts/a.pdf", "a", 1);
  WriteFieldsToPlate(fields, back);
  EXPECT_EQ(back.LatTL, 0);
  EXPECT_EQ(back.LongBR, 0);
}

TEST(PlateFields, LongTextsAreCutToTheirCapacity) {
  PlateEditorFields fields;
  ResetFields(fields, "/" + std::string(300, 'p') + ".pdf", std::string(70, 'n'), 1);
  EXPECT_EQ(fields.name.size(), 63u);  // the field holds at most 63 characters
  fields.name = std::string(62, 'a') + "éé";
  PlateRecord plate;
  WriteFieldsToPlate(fields, plate);
  EXPECT_EQ(plate.Name, std::string(62, 'a') + "\xE9");
  EXPECT_EQ(plate.SourceFile.size(), 255u);
  fields.source_file = "/" + std::string(253, 'a') + "é";  // 256 bytes: cut before the é
  WriteFieldsToPlate(fields, plate);
  EXPECT_EQ(plate.SourceFile, "/" + std::string(253, 'a'));
}

TEST(PlateFields, ClipFieldValues) {
  struct Case {
    const char* text;
    int32_t value;
  };
  const Case cases[] = {{"0", 0},          {"612", 612},
                        {"-5", -5},        {" 42 ", 42},
                        {"+7", 7},         {"", 0},
                        {"-", 0},          {"12abc", 0},
                        {"1.5", 0},        {"0x10", 0},
                        {"abc", 0},        {"2147483647", 2147483647},
                        {"2147483648", 0}, {"-2147483648", INT32_MIN}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ClipFieldValue(c.text), c.value);
  }
}

TEST(PlateFields, PageNumberStaysWithinOneToAThousand) {
  struct Case {
    const char* text;
    int page;
  };
  const Case cases[] = {{"7", 7},       {"0", 1},   {"-2", 1},          {"1000", 1000},
                        {"1001", 1000}, {"abc", 1}, {"99999999999", 1}, {"", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    PlateEditorFields fields;
    fields.page_number = 500;
    fields.SetPageNumberText(c.text);
    EXPECT_EQ(fields.page_number, c.page);
  }
  PlateEditorFields fields;
  fields.SetPageNumber(INT32_MIN);
  EXPECT_EQ(fields.page_number, 1);
}

TEST(PlateFields, NameFromFileName) {
  struct Case {
    const char* path;
    const char* name;
  };
  const Case cases[] = {{"/charts/plan.final.pdf", "plan"},
                        {"/charts/KLAX ILS 24R.pdf", "KLAX ILS 24R"},
                        {"/charts.v2/noextension", "noextension"},
                        {"relative.bmp", "relative"},
                        {"/charts/.hidden.jpg", ""},
                        {"", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(NameFromFileName(c.path), c.name);
  }
}

}  // namespace
}  // namespace qp::app
