#pragma once
// Coordinates as a user types them: the form the fields show (N42°30.15,
// W071°02.05: degrees, minutes, and after the point whole seconds), also with
// a space or nothing in place of "°" and without the leading zeros of the
// degrees. Anything else is refused rather than guessed at: "MM.SS" is never
// read as decimal minutes, and a value out of range is not clamped.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qp {

// The coordinate value (1/180000 degree) of a latitude or longitude text, or
// std::nullopt when the text is not in an accepted form or out of range.
std::optional<int32_t> ParseLatitude(std::string_view text);
std::optional<int32_t> ParseLongitude(std::string_view text);

// The sentence that says which form is accepted.
std::string LatitudeFormHint();
std::string LongitudeFormHint();

// A value in words, as it will be stored: "42° 30′ 15″ N".
std::string LatitudeInWords(int32_t value);
std::string LongitudeInWords(int32_t value);

}  // namespace qp
