#pragma once
// The text of one page: its glyphs and stroked line segments as the text
// device records them, and the glyphs grouped into text lines in reading
// order (top to bottom, then left to right, on the page as displayed).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/render/pdf_text_device.h"

namespace qp::pdf {

class TPDDocument;

struct TextLine {
  std::u32string Text;
  // The glyph of each character of Text (kNoGlyph for a space put between
  // words).
  std::vector<size_t> Glyphs;
  double X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;  // box in page space
  double DirX = 1, DirY = 0;              // baseline direction in page space

  static constexpr size_t kNoGlyph = static_cast<size_t>(-1);
};

struct PageText {
  std::vector<TextGlyph> Glyphs;
  std::vector<LineSegment> Segments;
  std::vector<TextLine> Lines;
  TPDMatrix PageToDisplay;
};

// Reads page `pageNum` (1-based). A page without contents gives nothing;
// damaged content ends its stream as in rendering. Raises
// EInvalidPageError for a page number out of range.
PageText ExtractPageText(TPDDocument& doc, int pageNum);

// Groups glyphs (in the order the content drew them) into lines in reading
// order; `pageToDisplay` maps page space to the displayed page, y down.
std::vector<TextLine> GroupTextLines(const std::vector<TextGlyph>& glyphs,
                                     const TPDMatrix& pageToDisplay);

std::string ToUtf8(std::u32string_view text);

}  // namespace qp::pdf
