#pragma once
// Conversions between the Windows-1252 bytes held in the records and the
// UTF-8 text of files and of the user interface, and cutting text to a
// capacity without splitting a character.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qp {

// One decoded character. An invalid or truncated sequence decodes as one
// byte with valid == false.
struct Utf8Char {
  char32_t code = 0;
  size_t length = 1;
  bool valid = false;
};

Utf8Char DecodeUtf8(std::string_view text, size_t pos);
void AppendUtf8(std::string& out, char32_t code);

// Number of characters (an invalid byte counts as one).
size_t Utf8Length(std::string_view text);

// The first max_chars characters of a UTF-8 text.
std::string CutUtf8Chars(std::string_view text, size_t max_chars);

// At most max_bytes bytes, never ending inside a character.
std::string CutUtf8Bytes(std::string_view text, size_t max_bytes);

std::string Windows1252ToUtf8(std::string_view bytes);

// The first `capacity` characters as Windows-1252 bytes; a character that
// Windows-1252 lacks, or an invalid byte, becomes '?'.
std::string Utf8ToWindows1252(std::string_view text, size_t capacity);

// Upper-case form for comparisons that ignore letter case (ASCII and the
// Latin letters of Windows-1252).
std::string Utf8ToUpper(std::string_view text);

// True when every byte of `text` belongs to a valid UTF-8 character.
bool IsValidUtf8(std::string_view text);

// The first character of `text` that Windows-1252 cannot hold (as UTF-8, or
// the invalid byte itself), or std::nullopt when it holds them all.
std::optional<std::string> FirstCharacterOutsideWindows1252(std::string_view text);

// The sentence that refuses such a character in a name or an ID; empty when
// `text` holds none.
std::string UnstorableTextMessage(std::string_view what, std::string_view text);
// The sentence that refuses such a character in a name or an ID.
std::string UnstorableCharacterMessage(std::string_view what, std::string_view character);

}  // namespace qp
