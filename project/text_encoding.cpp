#include "project/text_encoding.h"

#include <array>

namespace qp {

namespace {

// Unicode of the bytes 0x80 to 0x9F. The five bytes that Windows-1252 leaves
// undefined map to the C1 control of the same value, as Windows does.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int ToWindows1252(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<int>(code);
  for (size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == code) return static_cast<int>(0x80 + i);
  }
  return -1;
}

char32_t UpperCase(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A pairs: mostly upper case even, lower case odd; the
    // runs 0x139-0x148 and 0x179-0x17E are shifted by one.
    bool odd_upper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x178 || c == 0x17F) return c;
    bool is_lower = odd_upper ? (c % 2 == 0) : (c % 2 == 1);
    return is_lower ? c - 1 : c;
  }
  return c;
}

}  // namespace

Utf8Char DecodeUtf8(std::string_view text, size_t pos) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(pos);
  if (lead < 0x80) return {lead, 1, true};
  size_t length;
  char32_t code;
  char32_t minimum;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  } else {
    return {lead, 1, false};
  }
  if (pos + length > text.size()) return {lead, 1, false};
  for (size_t i = 1; i < length; ++i) {
    unsigned char next = byte(pos + i);
    if ((next & 0xC0) != 0x80) return {lead, 1, false};
    code = (code << 6) | (next & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    return {lead, 1, false};
  }
  return {code, length, true};
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

size_t Utf8Length(std::string_view text) {
  size_t count = 0;
  for (size_t pos = 0; pos < text.size(); pos += DecodeUtf8(text, pos).length) ++count;
  return count;
}

std::string CutUtf8Chars(std::string_view text, size_t max_chars) {
  size_t pos = 0;
  for (size_t n = 0; n < max_chars && pos < text.size(); ++n) pos += DecodeUtf8(text, pos).length;
  return std::string(text.substr(0, pos));
}

std::string CutUtf8Bytes(std::string_view text, size_t max_bytes) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t length = DecodeUtf8(text, pos).length;
    if (pos + length > max_bytes) break;
    pos += length;
  }
  return std::string(text.substr(0, pos));
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    AppendUtf8(out, b >= 0x80 && b < 0xA0 ? char32_t{kHighControls[b - 0x80]} : char32_t{b});
  }
  return out;
}

std::string Utf8ToWindows1252(std::string_view text, size_t capacity) {
  std::string out;
  for (size_t pos = 0; pos < text.size() && out.size() < capacity;) {
    Utf8Char c = DecodeUtf8(text, pos);
    int b = c.valid ? ToWindows1252(c.code) : -1;
    out += b < 0 ? '?' : static_cast<char>(b);
    pos += c.length;
  }
  return out;
}

std::string Utf8ToUpper(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    Utf8Char c = DecodeUtf8(text, pos);
    if (c.valid) {
      AppendUtf8(out, UpperCase(c.code));
    } else {
      out += text[pos];
    }
    pos += c.length;
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    const Utf8Char c = DecodeUtf8(text, pos);
    if (!c.valid) return false;
    pos += c.length;
  }
  return true;
}

std::optional<std::string> FirstCharacterOutsideWindows1252(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    const Utf8Char c = DecodeUtf8(text, pos);
    if (!c.valid || ToWindows1252(c.code) < 0) return std::string(text.substr(pos, c.length));
    pos += c.length;
  }
  return std::nullopt;
}

std::string UnstorableTextMessage(std::string_view what, std::string_view text) {
  const std::optional<std::string> character = FirstCharacterOutsideWindows1252(text);
  return character ? UnstorableCharacterMessage(what, *character) : std::string();
}

std::string UnstorableCharacterMessage(std::string_view what, std::string_view character) {
  return std::string(what) + " cannot hold the character \"" + std::string(character) +
         "\": names and IDs take only the characters of Windows-1252 (Western European)";
}

}  // namespace qp
