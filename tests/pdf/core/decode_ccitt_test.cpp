// Fax decoding on hand-assembled bit strings. The row used throughout is
// 8 pixels, white 2, black 3, white 3: 0xC7 with 0 for black.

#include <gtest/gtest.h>

#include "pdf/core/filters.h"
#include "tests/pdf/core/filter_test_helpers.h"

namespace qp::pdf {
namespace {

// "0101 1..." to bytes, most significant bit first; spaces are ignored and
// '|' pads with zero bits to the next byte boundary.
std::string Bits(std::string_view text) {
  std::string out;
  int count = 0;
  uint8_t byte = 0;
  auto flush = [&] {
    out.push_back(static_cast<char>(byte << (8 - count)));
    byte = 0;
    count = 0;
  };
  for (char c : text) {
    if (c == '|') {
      if (count) flush();
      continue;
    }
    if (c != '0' && c != '1') continue;
    byte = static_cast<uint8_t>(byte << 1 | (c - '0'));
    if (++count == 8) {
      out.push_back(static_cast<char>(byte));
      byte = 0;
      count = 0;
    }
  }
  if (count) flush();
  return out;
}

constexpr const char* kEol = " 000000000001 ";
// One-dimensional: white 2 (0111), black 3 (10), white 3 (1000).
constexpr const char* kRow1D = " 0111 10 1000 ";
// Two-dimensional over a white reference: horizontal mode (001, white 2,
// black 3), then V0 to the end of the row.
constexpr const char* kRow2DFirst = " 001 0111 10 1 ";
// Two-dimensional over an identical reference row: three V0 codes.
constexpr const char* kRow2DSame = " 1 1 1 ";

struct FaxCase {
  const char* name;
  CcittParams params;
  std::string bits;
  const char* expected_hex;
};

std::string Cat(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (auto p : parts) out += p;
  return out;
}

TEST(DecodeCcitt, Rows) {
  auto params = [](int k, int columns = 8) {
    CcittParams p;
    p.k = k;
    p.columns = columns;
    return p;
  };
  CcittParams black_is_1 = params(-1);
  black_is_1.black_is_1 = true;
  CcittParams aligned = params(-1);
  aligned.encoded_byte_align = true;
  CcittParams one_row = params(-1);
  one_row.end_of_block = false;
  one_row.rows = 1;
  CcittParams with_eol = params(0);
  with_eol.end_of_line = true;
  CcittParams wide = params(0, 20);
  std::string rtc;
  for (int i = 0; i < 6; ++i) rtc += kEol;
  std::string rtc_mixed;
  for (int i = 0; i < 6; ++i) rtc_mixed += std::string(kEol) + "1";

  const FaxCase cases[] = {
      {"group 4", params(-1), Cat({kRow2DFirst, kRow2DSame, kEol, kEol}), "C7C7"},
      {"group 4 end of data without EOFB", params(-1), Cat({kRow2DFirst, kRow2DSame}), "C7C7"},
      {"group 4 black is 1", black_is_1, Cat({kRow2DFirst, kRow2DSame}), "3838"},
      {"group 4 byte aligned rows", aligned, Cat({kRow2DFirst, "|", kRow2DSame, "|"}), "C7C7"},
      {"rows without end of block", one_row, Cat({kRow2DFirst, kRow2DSame}), "C7"},
      {"group 3 1-D", params(0), Cat({kRow1D, kRow1D}), "C7C7"},
      {"group 3 1-D with EOLs and RTC", params(0), Cat({kEol, kRow1D, kEol, kRow1D, rtc, kRow1D}),
       "C7C7"},
      {"group 3 fill bits before EOL", params(0), Cat({kRow1D, "0000000", kEol, kRow1D}), "C7C7"},
      {"group 3 mixed", params(4), Cat({kEol, "1", kRow1D, kEol, "0", kRow2DSame, rtc_mixed}),
       "C7C7"},
      // An undecodable row with EndOfLine: skip to the next EOL and go on;
      // the damaged row is kept as far as it was decoded (all white here).
      {"group 3 resynchronises at EOL", with_eol,
       Cat({kEol, "000000001", kEol, kRow1D, kEol, kEol}), "FFC7"},
      {"group 3 damage without EOLs ends", params(0), Cat({kRow1D, "000000001", kRow1D}), "C7"},
      // 20 columns: makes a 3-byte row; white 20 (0001000).
      {"row bytes padded", wide, Cat({"0001000", "0001000"}), "FFFFFFFFFFFF"},
      // A 1-D row that stops short of Columns at the end of data is dropped.
      {"short last row dropped", params(0), Cat({kRow1D, "0111"}), "C7"},
  };
  for (const auto& c : cases) {
    auto decoder = MakeCcittDecoder(test::Source(Bits(c.bits)), c.params);
    std::string out = test::ReadAll(*decoder, 1);
    // Fill bits of the last row are 1 (white) before inversion.
    EXPECT_EQ(test::ToHex(out), test::ToHex(test::FromHex(c.expected_hex))) << c.name;
    decoder->Rewind();
    EXPECT_EQ(test::ReadAll(*decoder), out) << c.name << " after rewind";
  }
}

TEST(DecodeCcitt, ColumnsOutOfRange) {
  CcittParams zero;
  zero.k = -1;
  zero.columns = 0;  // counts as 1: one V0 code per row
  auto decoder = MakeCcittDecoder(test::Source(Bits("1 1 1")), zero);
  EXPECT_EQ(test::ToHex(test::ReadAll(*decoder)), "ffffff");
  CcittParams huge;
  huge.columns = 40000;
  decoder = MakeCcittDecoder(test::Source(Bits("1 1 1")), huge);
  EXPECT_EQ(test::ReadAll(*decoder), "");
}

}  // namespace
}  // namespace qp::pdf
