#include "compiler/coordinate_entry.h"

#include <cstdlib>

namespace qp {

namespace {

constexpr int32_t kPerDegree = 180000;
constexpr int32_t kPerMinute = 3000;
constexpr int32_t kPerSecond = 50;
constexpr std::string_view kDegreeSign = "\xC2\xB0";

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int Number(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

// Letter, degrees (1 to `degree_digits` digits), "°" or " " or nothing,
// two digits of minutes, ".", two digits of seconds.
std::optional<int32_t> Parse(std::string_view text, char positive, char negative,
                             size_t degree_digits, int max_degrees) {
  text = Trimmed(text);
  if (text.empty() || (text.front() != positive && text.front() != negative)) return std::nullopt;
  const int sign = text.front() == positive ? 1 : -1;
  text.remove_prefix(1);
  // From the end: ".SS" and "MM" have fixed widths, so the degrees are what
  // is left, whatever separates them.
  if (text.size() < 6 || text[text.size() - 3] != '.') return std::nullopt;
  const std::string_view seconds = text.substr(text.size() - 2);
  const std::string_view minutes = text.substr(text.size() - 5, 2);
  std::string_view degrees = text.substr(0, text.size() - 5);
  if (degrees.ends_with(kDegreeSign)) {
    degrees.remove_suffix(kDegreeSign.size());
  } else if (degrees.ends_with(' ')) {
    degrees.remove_suffix(1);
  }
  if (!AllDigits(seconds) || !AllDigits(minutes) || !AllDigits(degrees) ||
      degrees.size() > degree_digits) {
    return std::nullopt;
  }
  const int d = Number(degrees), m = Number(minutes), s = Number(seconds);
  if (m > 59 || s > 59 || d > max_degrees || (d == max_degrees && (m != 0 || s != 0))) {
    return std::nullopt;
  }
  return sign * (d * kPerDegree + m * kPerMinute + s * kPerSecond);
}

std::string InWords(int32_t value, char positive, char negative) {
  const int32_t magnitude = std::abs(value);
  const int32_t degrees = magnitude / kPerDegree;
  const int32_t minutes = magnitude % kPerDegree / kPerMinute;
  const int32_t seconds = magnitude % kPerMinute / kPerSecond;
  return std::to_string(degrees) + "\xC2\xB0 " + std::to_string(minutes) + "\xE2\x80\xB2 " +
         std::to_string(seconds) + "\xE2\x80\xB3 " + (value < 0 ? negative : positive);
}

}  // namespace

std::optional<int32_t> ParseLatitude(std::string_view text) {
  return Parse(text, 'N', 'S', 2, 90);
}

std::optional<int32_t> ParseLongitude(std::string_view text) {
  return Parse(text, 'E', 'W', 3, 180);
}

std::string LatitudeFormHint() {
  return "Type the latitude as N or S, degrees, minutes and seconds: N42\xC2\xB0"
         "30.15 is 42\xC2\xB0 30\xE2\x80\xB2 15\xE2\x80\xB3 N (after the point come seconds, "
         "not tenths of a minute)";
}

std::string LongitudeFormHint() {
  return "Type the longitude as E or W, degrees, minutes and seconds: W071\xC2\xB0"
         "02.05 is 71\xC2\xB0 2\xE2\x80\xB2 5\xE2\x80\xB3 W (after the point come seconds, "
         "not tenths of a minute)";
}

std::string LatitudeInWords(int32_t value) {
  return InWords(value, 'N', 'S');
}

std::string LongitudeInWords(int32_t value) {
  return InWords(value, 'E', 'W');
}

}  // namespace qp
