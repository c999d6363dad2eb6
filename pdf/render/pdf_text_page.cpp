#include "pdf/render/pdf_text_page.h"

#include <algorithm>
#include <cmath>

#include "pdf/render/pdf_render.h"

namespace qp::pdf {

namespace {

// Fractions of the font size.
constexpr double kOffBaseline = 0.3;  // further across the baseline: another line
constexpr double kBackwards = 0.1;    // back from the last origin: another line
constexpr double kWordGap = 0.2;      // a wider gap is a space
constexpr double kLineGap = 2.5;      // a wider gap starts another line
// Cosine of the largest angle between the directions of one line's glyphs.
constexpr double kSameDirection = 0.995;

bool IsSpace(char32_t c) {
  return c == U' ' || c == U'\t' || c == U'\u00A0' || c == U'\r' || c == U'\n';
}

void Grow(TextLine& line, const TextGlyph& g) {
  line.X0 = std::min(line.X0, g.X0);
  line.Y0 = std::min(line.Y0, g.Y0);
  line.X1 = std::max(line.X1, g.X1);
  line.Y1 = std::max(line.Y1, g.Y1);
}

struct Placed {
  TextLine line;
  double top = 0, left = 0, height = 0;  // on the displayed page
};

}  // namespace

std::vector<TextLine> GroupTextLines(const std::vector<TextGlyph>& glyphs,
                                     const TPDMatrix& pageToDisplay) {
  std::vector<TextLine> lines;
  const TextGlyph* last = nullptr;
  bool spaceSeen = false;
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const TextGlyph& g = glyphs[i];
    if (IsSpace(g.Unicode)) {
      spaceSeen = true;
      continue;
    }
    bool join = false;
    double gap = 0;
    if (last) {
      const double size = std::max({last->Size, g.Size, 1e-6});
      const double ex = last->X + last->DirX * last->Advance;
      const double ey = last->Y + last->DirY * last->Advance;
      gap = (g.X - ex) * last->DirX + (g.Y - ey) * last->DirY;
      // Producers that place each glyph themselves may set it closer than
      // the font's advance: only a step back from the previous origin
      // breaks the line.
      const double along = (g.X - last->X) * last->DirX + (g.Y - last->Y) * last->DirY;
      const double across = (g.Y - last->Y) * last->DirX - (g.X - last->X) * last->DirY;
      const double ratio = g.Size > 0 && last->Size > 0 ? g.Size / last->Size : 0;
      join = last->DirX * g.DirX + last->DirY * g.DirY > kSameDirection &&
             std::fabs(across) <= kOffBaseline * size && along > -kBackwards * size &&
             gap <= kLineGap * size && ratio > 0.5 && ratio < 2;
      if (join && (spaceSeen || gap > kWordGap * size)) {
        lines.back().Text.push_back(U' ');
        lines.back().Glyphs.push_back(TextLine::kNoGlyph);
      }
    }
    if (!join) {
      TextLine line;
      line.X0 = g.X0, line.Y0 = g.Y0, line.X1 = g.X1, line.Y1 = g.Y1;
      line.DirX = g.DirX, line.DirY = g.DirY;
      lines.push_back(std::move(line));
    }
    TextLine& line = lines.back();
    line.Text.push_back(g.Unicode);
    line.Glyphs.push_back(i);
    Grow(line, g);
    last = &g;
    spaceSeen = false;
  }

  // Reading order: rows by the top of each line on the displayed page, each
  // row left to right.
  std::vector<Placed> placed;
  placed.reserve(lines.size());
  for (TextLine& line : lines) {
    Placed p;
    double top = INFINITY, bottom = -INFINITY, left = INFINITY;
    for (int c = 0; c < 4; ++c) {
      const double x = (c & 1) ? line.X1 : line.X0, y = (c & 2) ? line.Y1 : line.Y0;
      const double dy = pageToDisplay.M12 * x + pageToDisplay.M22 * y + pageToDisplay.Dy;
      const double dx = pageToDisplay.M11 * x + pageToDisplay.M21 * y + pageToDisplay.Dx;
      top = std::min(top, dy), bottom = std::max(bottom, dy), left = std::min(left, dx);
    }
    p.top = top, p.left = left, p.height = bottom - top;
    p.line = std::move(line);
    placed.push_back(std::move(p));
  }
  std::stable_sort(placed.begin(), placed.end(),
                   [](const Placed& a, const Placed& b) { return a.top < b.top; });
  std::vector<TextLine> ordered;
  ordered.reserve(placed.size());
  for (size_t start = 0; start < placed.size();) {
    // A row: the lines whose top lies within half the first one's height.
    size_t end = start + 1;
    const double limit = placed[start].top + std::max(placed[start].height, 0.0) * 0.5;
    while (end < placed.size() && placed[end].top <= limit) ++end;
    std::stable_sort(placed.begin() + static_cast<std::ptrdiff_t>(start),
                     placed.begin() + static_cast<std::ptrdiff_t>(end),
                     [](const Placed& a, const Placed& b) { return a.left < b.left; });
    for (size_t k = start; k < end; ++k) ordered.push_back(std::move(placed[k].line));
    start = end;
  }
  return ordered;
}

PageText ExtractPageText(TPDDocument& doc, int pageNum) {
  TPDTextDevice device;
  PageText text;
  if (!DisplayPage(doc, device, pageNum, 72, 72, 0, false)) return text;
  text.Glyphs = device.TakeGlyphs();
  text.Segments = device.TakeSegments();
  text.PageToDisplay = device.PageToDisplay();
  text.Lines = GroupTextLines(text.Glyphs, text.PageToDisplay);
  return text;
}

std::string ToUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

}  // namespace qp::pdf
