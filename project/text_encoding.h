#pragma once
// Conversions between the Windows-1252 bytes held in the records and the
// UTF-8 text of files and of the user interface, and cutting text to a
// capacity without splitting a character.

#include <cstddef>
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

}  // namespace qp
