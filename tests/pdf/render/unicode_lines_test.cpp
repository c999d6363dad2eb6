#include "pdf/render/unicode_lines.h"

#include <gtest/gtest.h>

namespace qp::pdf {
namespace {

TEST(UnicodeLinesTest, DecodesTextStrings) {
  const struct {
    const char* name;
    std::string bytes;
    std::u32string expected;
  } cases[] = {
      {"UTF-16 with a surrogate pair", std::string("\xFE\xFF\x00\x41\xD8\x3D\xDE\x00", 8),
       U"A\U0001F600"},
      {"UTF-8, three-byte character", "\xEF\xBB\xBF\x61\xE2\x82\xAC", U"a\u20AC"},
      {"UTF-8 cut short", "\xEF\xBB\xBF\xE2\x82", U"\uFFFD"},
      {"PDFDocEncoding as Latin-1", "caf\xE9", U"caf\u00E9"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeTextString(c.bytes, 100), c.expected) << c.name;
}

// Arabic letters take the forms that join them, lam and alef make one
// ligature, and a right-to-left line comes out reversed with its digits and
// Latin words in reading order.
TEST(UnicodeLinesTest, DisplayOrder) {
  const struct {
    const char* name;
    std::u32string line;
    std::u32string shown;
    bool rightToLeft;
  } cases[] = {
      {"Latin stays as it is", U"abc 12", U"abc 12", false},
      {"beh yeh teh: initial, medial, final", U"\u0628\u064A\u062A", U"\uFE96\uFEF4\uFE91", true},
      {"alef does not join what follows", U"\u0627\u0628", U"\uFE8F\uFE8D", true},
      {"lam alef, alone and after a beh", U"\u0644\u0627 \u0628\u0644\u0627",
       U"\uFEFC\uFE91 \uFEFB", true},
      {"digits keep their order", U"\u0628 12", U"12 \uFE8F", true},
  };
  for (const auto& c : cases) {
    bool rightToLeft = !c.rightToLeft;
    EXPECT_EQ(DisplayOrder(c.line, rightToLeft), c.shown) << c.name;
    EXPECT_EQ(rightToLeft, c.rightToLeft) << c.name;
  }
}

}  // namespace
}  // namespace qp::pdf
