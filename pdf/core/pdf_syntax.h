#pragma once
// Character classes of the PDF syntax and the conversion of hexadecimal
// string text to bytes.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qp::pdf {

enum : uint8_t { kCharWhite = 1, kCharDelimiter = 2 };

inline constexpr std::array<uint8_t, 256> kCharClass = [] {
  std::array<uint8_t, 256> table{};
  for (int c : {0x00, 0x09, 0x0A, 0x0C, 0x0D, 0x20}) table[c] = kCharWhite;
  for (char c : std::string_view("%()/<>[]{}")) table[static_cast<uint8_t>(c)] = kCharDelimiter;
  return table;
}();

inline bool IsPdfWhite(int c) {
  return c >= 0 && (kCharClass[c] & kCharWhite) != 0;
}
inline bool IsPdfDelimiter(int c) {
  return c >= 0 && (kCharClass[c] & kCharDelimiter) != 0;
}
// A byte that is neither white space nor a delimiter (all of 0x80..0xFF too).
inline bool IsPdfRegular(int c) {
  return c >= 0 && kCharClass[c] == 0;
}

// 0..15 for a hexadecimal digit of either case, -1 otherwise.
inline int HexDigitValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The bytes of a hexadecimal string's digit text: non-digits are skipped,
// each pair of digits is one byte, and a last digit without a partner counts
// as followed by 0.
std::string HexDigitsToBytes(std::string_view digits);

}  // namespace qp::pdf
