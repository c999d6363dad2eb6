#include "pdf/core/pdf_syntax.h"

namespace qp::pdf {

std::string HexDigitsToBytes(std::string_view digits) {
  std::string out;
  out.reserve(digits.size() / 2 + 1);
  int high = -1;
  for (const char c : digits) {
    const int value = HexDigitValue(static_cast<uint8_t>(c));
    if (value < 0) continue;
    if (high < 0) {
      high = value;
    } else {
      out.push_back(static_cast<char>(high * 16 + value));
      high = -1;
    }
  }
  if (high >= 0) out.push_back(static_cast<char>(high * 16));
  return out;
}

}  // namespace qp::pdf
