#pragma once
// Lines of Unicode text for appearances that the viewer makes itself (free
// text annotations, text fields): set in an installed font that has their
// characters, Arabic letters joined, right-to-left lines in display order.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pdf/core/pdf_objects.h"

namespace qp::pdf {

// A PDF text string as characters: UTF-16BE or UTF-8 after their byte order
// marks, else PDFDocEncoding read as Latin-1. At most `limit` characters.
std::u32string DecodeTextString(const std::string& bytes, size_t limit);

// `line` in the order it is shown from left to right: Arabic letters in the
// presentation forms that join them to their neighbours, and a line with
// Hebrew or Arabic letters reversed, with its runs of digits and Latin
// letters kept in reading order. `rightToLeft` tells which it was.
std::u32string DisplayOrder(const std::u32string& line, bool& rightToLeft);

struct TUnicodeLines {
  // A TrueType font naming the installed family, with its codes given
  // glyph names (/Differences) and widths from the font file.
  std::unique_ptr<TPDDictionary> font;
  std::vector<std::string> operands;  // each line as a hexadecimal string
  std::vector<double> widths;         // of each line, in ems
  std::vector<bool> rightToLeft;
};

// `lines` set in the first installed font of Nimbus Sans (what Helvetica
// is drawn with), DejaVu Sans and the CJK face that has all their
// characters, else the one that has most, wrapped at blanks to `maxWidth` ems, at
// most `maxLines` lines and 255 different characters. Nothing when no such
// font is installed.
std::optional<TUnicodeLines> SetUnicodeLines(const std::vector<std::u32string>& lines,
                                             double maxWidth, size_t maxLines);

}  // namespace qp::pdf
