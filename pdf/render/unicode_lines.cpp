#include "pdf/render/unicode_lines.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>

#include "pdf/render/system_font_list.h"

namespace qp::pdf {

namespace {

// Arabic letters U+0621 to U+064A: the first of their presentation forms
// (isolated, final, initial, medial) and how many they have; 0 for none.
struct ArabicForms {
  char16_t first;
  uint8_t count;
};
constexpr ArabicForms kArabic[] = {
    {0xFE80, 1}, {0xFE81, 2}, {0xFE83, 2}, {0xFE85, 2}, {0xFE87, 2}, {0xFE89, 4},  // 0621-0626
    {0xFE8D, 2}, {0xFE8F, 4}, {0xFE93, 2}, {0xFE95, 4}, {0xFE99, 4}, {0xFE9D, 4},  // 0627-062C
    {0xFEA1, 4}, {0xFEA5, 4}, {0xFEA9, 2}, {0xFEAB, 2}, {0xFEAD, 2}, {0xFEAF, 2},  // 062D-0632
    {0xFEB1, 4}, {0xFEB5, 4}, {0xFEB9, 4}, {0xFEBD, 4}, {0xFEC1, 4}, {0xFEC5, 4},  // 0633-0638
    {0xFEC9, 4}, {0xFECD, 4}, {0, 0},      {0, 0},      {0, 0},      {0, 0},       // 0639-063E
    {0, 0},      {0, 0},      {0xFED1, 4}, {0xFED5, 4}, {0xFED9, 4}, {0xFEDD, 4},  // 063F-0644
    {0xFEE1, 4}, {0xFEE5, 4}, {0xFEE9, 4}, {0xFEED, 2}, {0xFEEF, 2}, {0xFEF1, 4},  // 0645-064A
};
static_assert(std::size(kArabic) == 0x064A - 0x0621 + 1);
constexpr char32_t kTatweel = 0x0640;

const ArabicForms* FormsOf(char32_t c) {
  if (c < 0x0621 || c > 0x064A) return nullptr;
  const ArabicForms& f = kArabic[c - 0x0621];
  return f.count ? &f : nullptr;
}

// Vowel marks and other combining marks do not break a join.
bool IsTransparent(char32_t c) {
  return (c >= 0x064B && c <= 0x065F) || c == 0x0670;
}

bool JoinsOnBothSides(char32_t c) {
  const ArabicForms* f = FormsOf(c);
  return c == kTatweel || (f && f->count == 4);
}

bool Joins(char32_t c) {
  return c == kTatweel || FormsOf(c);
}

// The isolated form of lam with `alef`, or 0 when it is no alef.
char32_t LamAlef(char32_t alef) {
  switch (alef) {
    case 0x0622:
      return 0xFEF5;
    case 0x0623:
      return 0xFEF7;
    case 0x0625:
      return 0xFEF9;
    case 0x0627:
      return 0xFEFB;
    default:
      return 0;
  }
}

bool IsRightToLeft(char32_t c) {
  return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) ||
         (c >= 0xFE70 && c <= 0xFEFF);
}

bool KeepsReadingOrder(char32_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The hexadecimal operand of codes.
std::string Hex(const std::vector<uint8_t>& codes) {
  std::string out = "<";
  char digits[3];
  for (uint8_t c : codes) {
    std::snprintf(digits, sizeof digits, "%02X", c);
    out += digits;
  }
  return out + ">";
}

// Counts the characters of `lines` that the face's Unicode map holds.
size_t Covered(FT_Face face, const std::vector<std::u32string>& lines) {
  size_t count = 0;
  for (const std::u32string& line : lines) {
    for (char32_t c : line) count += FT_Get_Char_Index(face, c) != 0;
  }
  return count;
}

struct FaceCloser {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
struct LibraryCloser {
  void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};

}  // namespace

std::u32string DecodeTextString(const std::string& s, size_t limit) {
  std::u32string out;
  const auto byte = [&s](size_t i) { return static_cast<uint8_t>(s[i]); };
  if (s.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF) {
    for (size_t i = 2; i + 1 < s.size() && out.size() < limit; i += 2) {
      char32_t c = char32_t(byte(i) << 8 | byte(i + 1));
      if (c >= 0xD800 && c < 0xDC00 && i + 3 < s.size()) {
        const char32_t low = char32_t(byte(i + 2) << 8 | byte(i + 3));
        if (low >= 0xDC00 && low < 0xE000) {
          c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
          i += 2;
        }
      }
      out += c;
    }
  } else if (s.size() >= 3 && s.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    for (size_t i = 3; i < s.size() && out.size() < limit;) {
      const uint8_t lead = byte(i);
      const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : 4;
      char32_t c = length == 1   ? lead
                   : length == 2 ? lead & 0x1F
                   : length == 3 ? lead & 0x0F
                                 : lead & 0x07;
      size_t k = 1;
      for (; k < length && i + k < s.size() && (byte(i + k) & 0xC0) == 0x80; ++k) {
        c = c << 6 | (byte(i + k) & 0x3F);
      }
      out += k == length && c <= 0x10FFFF ? c : char32_t{0xFFFD};
      i += k;
    }
  } else {
    for (size_t i = 0; i < s.size() && out.size() < limit; ++i) out += byte(i);
  }
  return out;
}

std::u32string DisplayOrder(const std::u32string& line, bool& rightToLeft) {
  std::u32string shaped;
  for (size_t i = 0; i < line.size(); ++i) {
    const ArabicForms* forms = FormsOf(line[i]);
    if (!forms) {
      shaped += line[i];
      continue;
    }
    size_t before = i, after = i + 1;
    while (before > 0 && IsTransparent(line[before - 1])) --before;
    while (after < line.size() && IsTransparent(line[after])) ++after;
    const bool joinsBefore = before > 0 && JoinsOnBothSides(line[before - 1]);
    // Lam before an alef makes one ligature, isolated or final.
    if (const char32_t ligature =
            line[i] == 0x0644 && after < line.size() ? LamAlef(line[after]) : 0) {
      shaped += ligature + (joinsBefore ? 1 : 0);
      shaped.append(line, i + 1, after - i - 1);
      i = after;
      continue;
    }
    const bool joinsAfter = forms->count == 4 && after < line.size() && Joins(line[after]);
    int form = joinsBefore ? (joinsAfter ? 3 : 1) : (joinsAfter ? 2 : 0);
    if (form >= forms->count) form = form == 3 ? 1 : 0;
    shaped += forms->first + static_cast<char32_t>(form);
  }
  rightToLeft = std::any_of(line.begin(), line.end(), IsRightToLeft);
  if (!rightToLeft) return shaped;
  std::reverse(shaped.begin(), shaped.end());
  for (size_t i = 0; i < shaped.size();) {
    if (!KeepsReadingOrder(shaped[i])) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < shaped.size() && (KeepsReadingOrder(shaped[end]) || shaped[end] == '.')) ++end;
    std::reverse(shaped.begin() + static_cast<ptrdiff_t>(i),
                 shaped.begin() + static_cast<ptrdiff_t>(end));
    i = end;
  }
  return shaped;
}

std::optional<TUnicodeLines> SetUnicodeLines(const std::vector<std::u32string>& lines,
                                             double maxWidth, size_t maxLines) {
  FT_Library raw = nullptr;
  if (FT_Init_FreeType(&raw) != 0) return std::nullopt;
  std::unique_ptr<FT_LibraryRec_, LibraryCloser> library(raw);
  const TSystemFontList& list = TSystemFontList::Instance();
  size_t total = 0;
  for (const std::u32string& line : lines) total += line.size();
  std::unique_ptr<FT_FaceRec_, FaceCloser> face;
  std::string family;
  size_t best = 0;
  for (const std::optional<TSystemFontFace>& installed :
       {list.FindFace("NimbusSans", false, false), list.FindFace("DejaVuSans", false, false),
        list.CJKFace()}) {
    FT_Face candidate = nullptr;
    if (!installed || FT_New_Face(library.get(), installed->filePath.c_str(), installed->faceIndex,
                                  &candidate) != 0) {
      continue;
    }
    std::unique_ptr<FT_FaceRec_, FaceCloser> held(candidate);
    const size_t covered = Covered(candidate, lines);
    if (covered > best) {
      best = covered;
      face = std::move(held);
      family = installed->family;
    }
    if (best == total) break;  // no need to open the next one
  }
  if (!face || face->units_per_EM == 0) return std::nullopt;

  // Advances in ems; none for characters the face lacks.
  std::map<char32_t, std::optional<double>> advances;
  const auto advanceOf = [&](char32_t c) {
    auto [it, added] = advances.emplace(c, std::nullopt);
    FT_Fixed advance = 0;
    const FT_UInt glyph = added ? FT_Get_Char_Index(face.get(), c) : 0;
    if (glyph != 0 && FT_Get_Advance(face.get(), glyph, FT_LOAD_NO_SCALE, &advance) == 0) {
      it->second = static_cast<double>(advance) / face->units_per_EM;
    }
    return it->second;
  };
  const auto widthOf = [&](const std::u32string& text) {
    bool rightToLeft = false;
    double width = 0;
    for (char32_t c : DisplayOrder(text, rightToLeft)) width += advanceOf(c).value_or(0);
    return width;
  };
  // Lines wrapped at blanks to the width; a word longer than it stays whole.
  std::vector<std::u32string> wrapped;
  for (const std::u32string& line : lines) {
    std::u32string current;
    double width = 0;
    for (size_t start = 0; start < line.size() || start == 0;) {
      size_t end = line.find(U' ', start);
      end = end == std::u32string::npos ? line.size() : end + 1;
      const std::u32string word = line.substr(start, end - start);
      const double wordWidth = widthOf(word);
      if (!current.empty() && width + wordWidth > maxWidth + widthOf(U" ")) {
        wrapped.push_back(current);
        current.clear();
        width = 0;
      }
      current += word;
      width += wordWidth;
      if (end >= line.size()) break;
      start = end;
    }
    wrapped.push_back(current);
    if (wrapped.size() >= maxLines) break;
  }
  if (wrapped.size() > maxLines) wrapped.resize(maxLines);

  TUnicodeLines result;
  std::map<char32_t, uint8_t> codes;
  auto widths = std::make_unique<TPDArray>();
  auto differences = std::make_unique<TPDArray>();
  differences->Add(std::make_unique<TPDInteger>(1));
  for (const std::u32string& line : wrapped) {
    bool rightToLeft = false;
    std::vector<uint8_t> lineCodes;
    double width = 0;
    for (char32_t c : DisplayOrder(line, rightToLeft)) {
      const std::optional<double> advance = advanceOf(c);
      auto found = codes.find(c);
      if (found == codes.end()) {
        if (codes.size() >= 255 || !advance) continue;
        found = codes.emplace(c, static_cast<uint8_t>(codes.size() + 1)).first;
        char name[16];
        std::snprintf(name, sizeof name, c > 0xFFFF ? "u%06X" : "uni%04X",
                      static_cast<unsigned>(c));
        differences->Add(std::make_unique<TPDName>(name));
        widths->Add(std::make_unique<TPDReal>(1000 * *advance));
      }
      lineCodes.push_back(found->second);
      width += *advance;
    }
    result.operands.push_back(Hex(lineCodes));
    result.widths.push_back(width);
    result.rightToLeft.push_back(rightToLeft);
  }
  if (codes.empty()) return std::nullopt;
  std::string baseFont;
  for (char c : family) {
    if (c != ' ') baseFont += c;
  }
  auto encoding = std::make_unique<TPDDictionary>();
  encoding->Add("Differences", std::move(differences));
  result.font = std::make_unique<TPDDictionary>();
  result.font->Add("Type", std::make_unique<TPDName>("Font"));
  result.font->Add("Subtype", std::make_unique<TPDName>("TrueType"));
  result.font->Add("BaseFont", std::make_unique<TPDName>(baseFont));
  result.font->Add("FirstChar", std::make_unique<TPDInteger>(1));
  result.font->Add("LastChar", std::make_unique<TPDInteger>(static_cast<int>(codes.size())));
  result.font->Add("Widths", std::move(widths));
  result.font->Add("Encoding", std::move(encoding));
  return result;
}

}  // namespace qp::pdf
