#include "project/line_texts.h"

#include <gtest/gtest.h>

namespace qp {
namespace {

TEST(LineTexts, GroupLine) {
  GroupRecord airport{"KLAX", "Los Angeles international", 12, 0};
  EXPECT_EQ(GroupLine(airport, 0), "Airport: Group1 KLAX, Los Angeles international, 12 plates");
  GroupRecord info{"KLAX", "Weather", 3, 1};
  EXPECT_EQ(GroupLine(info, 1), "Info: Group2 , Weather, 3 plates");
  GroupRecord other{"", "M\xE9t\xE9o 5\xB0", 0, 7};
  EXPECT_EQ(GroupLine(other, 9), "Info: Group10 , Météo 5°, 0 plates");
}

TEST(LineTexts, PlateLine) {
  PlateRecord plate;
  plate.Name = "ILS RWY 24R";
  plate.SourceFile = "/charts/klax/klax-ils24r.pdf";
  plate.FirstPage = 3;
  EXPECT_EQ(PlateLine(plate, 0), "Plate 1, ILS RWY 24R, Page 3, File: \"klax-ils24r.pdf\"");
  plate.SourceFile = "bare.bmp";
  EXPECT_EQ(PlateLine(plate, 41), "Plate 42, ILS RWY 24R, Page 3, File: \"bare.bmp\"");

  // A 60-character file name gives a 68-character file part; characters 25
  // to 42 give way to "...".
  const std::string name = std::string(30, 'a') + std::string(30, 'b');
  plate.SourceFile = "/x/" + name;
  const std::string file_part = "File: \"" + name + "\"";
  const std::string expected = file_part.substr(0, 24) + "..." + file_part.substr(42);
  EXPECT_EQ(expected.size(), 53u);
  EXPECT_EQ(PlateLine(plate, 0), "Plate 1, ILS RWY 24R, Page 3, " + expected);
}

struct ShortenCase {
  std::string text;
  size_t limit;
  std::string expected;
};

TEST(LineTexts, ShortenMiddle) {
  const std::string sixty = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ01234567";
  const ShortenCase cases[] = {
      {"short", 50, "short"},
      {std::string(50, 'x'), 50, std::string(50, 'x')},
      // 60 characters: 25 to 34 removed.
      {sixty, 50, sixty.substr(0, 24) + "..." + sixty.substr(34)},
      // 51 characters: k = 1, p = 25.
      {std::string(24, 'a') + "X" + std::string(26, 'b'), 50,
       std::string(24, 'a') + "..." + std::string(26, 'b')},
      // Counted in characters, not bytes.
      {"ééééé°°°°°", 6, "éé...°°°°"},
      {"abc", 0, "..."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShortenMiddle(c.text, c.limit), c.expected) << c.text;
  }
}

}  // namespace
}  // namespace qp
