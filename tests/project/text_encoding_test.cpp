#include "project/text_encoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace qp {
namespace {

struct ToWindows1252Case {
  std::string utf8;
  size_t capacity;
  std::string expected;
};

TEST(TextEncoding, Utf8ToWindows1252) {
  const ToWindows1252Case cases[] = {
      {"Orléans 10°", 63,
       "Orl\xE9"
       "ans 10\xB0"},
      {"€ ‚ Ÿ œ", 63, "\x80 \x82 \x9F \x9C"},
      {"Ωmega", 63, "?mega"},  // missing from Windows-1252
      {"a\xFF"
       "b",
       63, "a?b"},                                 // invalid byte
      {"a\xE2\x82", 63, "a??"},                    // truncated sequence
      {"\xC0\xAF", 63, "??"},                      // overlong form
      {"\xED\xA0\x80", 63, "???"},                 // surrogate
      {"ééééééé", 6, "\xE9\xE9\xE9\xE9\xE9\xE9"},  // cut by characters, not bytes
      {"KLAXXXXX", 6, "KLAXXX"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToWindows1252(c.utf8, c.capacity), c.expected) << c.utf8;
  }
}

TEST(TextEncoding, EveryWindows1252ByteRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::string utf8 = Windows1252ToUtf8(all);
  EXPECT_EQ(Utf8ToWindows1252(utf8, 1000), all);
  EXPECT_EQ(Windows1252ToUtf8("\x80\xE9\xB0"), "€é°");
}

TEST(TextEncoding, CutUtf8BytesNeverSplitsACharacter) {
  const std::string path = "/d/" + std::string(250, 'a') + "é€";  // 253 + 2 + 3 bytes
  EXPECT_EQ(CutUtf8Bytes(path, 255), "/d/" + std::string(250, 'a') + "é");
  EXPECT_EQ(CutUtf8Bytes(path, 257), "/d/" + std::string(250, 'a') + "é");
  EXPECT_EQ(CutUtf8Bytes(path, 258), path);
  EXPECT_EQ(CutUtf8Bytes("ab\xFF\xFF", 3), "ab\xFF");  // invalid bytes are single characters
}

TEST(TextEncoding, CutUtf8CharsAndLength) {
  EXPECT_EQ(CutUtf8Chars("é°abc", 3), "é°a");
  EXPECT_EQ(Utf8Length("é°a\xFF"), 4u);
}

TEST(TextEncoding, FirstCharacterOutsideWindows1252) {
  const struct {
    const char* text;
    std::optional<std::string> found;
  } cases[] = {
      {"KLAX", std::nullopt},
      {"A\xC3\xA9roport \xE2\x82\xAC \xC5\x93", std::nullopt},  // é, € and œ are in it
      {"Diagramme \xE7\xA9\xBA\xE6\xB8\xAF", "\xE7\xA9\xBA"},   // 空 first
      {"\xC4\x80", "\xC4\x80"},                                 // Ā is not
      {"ok\xFF"
       "bad",
       "\xFF"},  // not UTF-8
  };
  for (const auto& c : cases)
    EXPECT_EQ(FirstCharacterOutsideWindows1252(c.text), c.found) << c.text;
}

TEST(TextEncoding, UpperCase) {
  EXPECT_EQ(Utf8ToUpper("/home/pilot/Orléans/chart.pdf"), "/HOME/PILOT/ORLÉANS/CHART.PDF");
  EXPECT_EQ(Utf8ToUpper("œšžÿ ĺ"), "ŒŠŽŸ Ĺ");
  EXPECT_EQ(Utf8ToUpper("\xFF"
                        "a"),
            "\xFF"
            "A");
}

}  // namespace
}  // namespace qp
