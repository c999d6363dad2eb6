#include "pdf/render/pdf_text_device.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "pdf/core/pdf_cmap.h"
#include "pdf/core/pdf_font.h"
#include "pdf/render/pdf_content_stream.h"
#include "pdf/render/text_font_select.h"

namespace qp::pdf {

namespace {

void Apply(const TPDMatrix& m, double x, double y, double& outX, double& outY) {
  outX = m.M11 * x + m.M21 * y + m.Dx;
  outY = m.M12 * x + m.M22 * y + m.Dy;
}

bool Finite(double a, double b, double c, double d) {
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

bool Usable(char32_t u) {
  return u >= 0x20 && u <= 0x10FFFF && !(u >= 0xD800 && u <= 0xDFFF) && u != 0xFFFE && u != 0xFFFF;
}

// The number of a glyph name of one or two letters and decimal digits
// ("a46", "g65"), 0 for any other name or a number over 255.
char32_t NumberedName(std::string_view name) {
  size_t letters = 0;
  while (letters < name.size() && std::isalpha(static_cast<unsigned char>(name[letters]))) {
    ++letters;
  }
  if (letters == 0 || letters > 2 || name.size() == letters || name.size() > letters + 3) return 0;
  char32_t value = 0;
  for (size_t i = letters; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
    value = value * 10 + static_cast<char32_t>(name[i] - '0');
  }
  return value <= 0xFF ? value : 0;
}

}  // namespace

void TPDTextDevice::StartPage(int /*nPage*/, const TPDState& state) {
  // The page's CTM maps page space to the displayed page at the state's
  // resolution, y up; PageToDisplay is in points, y down.
  device_to_page_ = state.CTM.GetInverse();
  const double sx = state.hDPI > 0 ? 72 / state.hDPI : 1;
  const double sy = state.vDPI > 0 ? 72 / state.vDPI : 1;
  const TPDMatrix& c = state.CTM;
  page_to_display_ = TPDMatrix(c.M11 * sx, -c.M12 * sy, c.M21 * sx, -c.M22 * sy, c.Dx * sx,
                               (state.PageHeight - c.Dy) * sy);
  glyphs_.clear();
  segments_.clear();
}

TPDMatrix TPDTextDevice::UserToPage(const TPDState& state) const {
  return device_to_page_.PreMultiply(state.CTM);
}

void TPDTextDevice::AddSegment(const TPDMatrix& m, double x0, double y0, double x1, double y1) {
  if (segments_.size() >= kMaxSegments) return;
  LineSegment seg;
  Apply(m, x0, y0, seg.X0, seg.Y0);
  Apply(m, x1, y1, seg.X1, seg.Y1);
  if (!Finite(seg.X0, seg.Y0, seg.X1, seg.Y1)) return;
  if (seg.X0 == seg.X1 && seg.Y0 == seg.Y1) return;
  segments_.push_back(seg);
}

void TPDTextDevice::Stroke(const TPDState& state) {
  const TPDMatrix m = UserToPage(state);
  for (size_t s = 0; s < state.Path.SubPathCount(); ++s) {
    const TPDSubPath& sub = *state.Path.SubPath(s);
    // Points of a curve (its control points, then its end) carry the curve
    // flag on the control points: a straight piece joins two points that
    // are neither. Closing a subpath added its closing line already.
    for (size_t i = 1; i < sub.PointCount(); ++i) {
      if (sub.Curve(i) || sub.Curve(i - 1)) continue;
      AddSegment(m, sub.X(i - 1), sub.Y(i - 1), sub.X(i), sub.Y(i));
    }
  }
}

void TPDTextDevice::Fill(const TPDState& state) {
  // Some producers draw rules as thin filled rectangles: their centre line
  // is kept as a segment.
  const TPDMatrix m = UserToPage(state);
  for (size_t s = 0; s < state.Path.SubPathCount(); ++s) {
    const TPDSubPath& sub = *state.Path.SubPath(s);
    const size_t n = sub.PointCount();
    if (n < 4 || n > 5) continue;
    double px[5], py[5];
    bool straight = true;
    for (size_t i = 0; i < n; ++i) {
      straight = straight && !sub.Curve(i);
      Apply(m, sub.X(i), sub.Y(i), px[i], py[i]);
    }
    if (!straight || (n == 5 && (px[4] != px[0] || py[4] != py[0]))) continue;
    const double x0 = std::min({px[0], px[1], px[2], px[3]});
    const double x1 = std::max({px[0], px[1], px[2], px[3]});
    const double y0 = std::min({py[0], py[1], py[2], py[3]});
    const double y1 = std::max({py[0], py[1], py[2], py[3]});
    // Axis-aligned: every corner on the box's edges.
    bool box = true;
    for (size_t i = 0; i < 4; ++i) {
      box = box && (px[i] == x0 || px[i] == x1) && (py[i] == y0 || py[i] == y1);
    }
    if (!box) continue;
    const TPDMatrix identity;
    if (x1 - x0 <= kThinRule && y1 - y0 > x1 - x0) {
      AddSegment(identity, (x0 + x1) / 2, y0, (x0 + x1) / 2, y1);
    } else if (y1 - y0 <= kThinRule && x1 - x0 > y1 - y0) {
      AddSegment(identity, x0, (y0 + y1) / 2, x1, (y0 + y1) / 2);
    }
  }
}

void TPDTextDevice::DrawFormXObject(const TPDState& state, const TPDForm& form) {
  TPDState formState = state;
  formState.ConcatCTM(form.GetMatrix());
  form.Display(*this, formState);
}

char32_t TPDTextDevice::UnicodeOf(const std::shared_ptr<TPDFont>& shared, uint16_t code,
                                  std::string_view charName, uint32_t rawCode) {
  const TPDFont& font = *shared;
  KnownFont& entry = unicode_cache_[&font];
  if (!entry.font) entry.font = shared;
  auto& known = entry.codes;
  if (auto it = known.find(rawCode); it != known.end()) return it->second;
  char32_t unicode = 0;
  if (const TPDCMapParser* map = font.GetToUnicode()) {
    const int32_t mapped = map->LookupCode(static_cast<int32_t>(rawCode));
    if (mapped > 0) unicode = static_cast<char32_t>(mapped);
  }
  if (!Usable(unicode) && !charName.empty()) unicode = UnicodeOfName(charName);
  if (!Usable(unicode) && !font.IsCIDFont() && rawCode <= 0xFF) {
    const auto& simple = static_cast<const TPD8bitFont&>(font);
    unicode = UnicodeOfName(simple.GlyphNameAt(static_cast<uint8_t>(rawCode)));
  }
  // Type 3 fonts of TeX and others name their glyphs by code ("a46"): the
  // code is then the character, when it is a printable one.
  if (!Usable(unicode) && font.FontType() == Type3 && !font.IsCIDFont() && rawCode <= 0xFF) {
    const std::string_view name =
        static_cast<const TPD8bitFont&>(font).GlyphNameAt(static_cast<uint8_t>(rawCode));
    if (const char32_t numbered = NumberedName(name); numbered >= 0x21 && numbered != 0x7F) {
      unicode = numbered;
    }
  }
  // A CID font without ToUnicode reads Unicode values from its collection's
  // table; the code is otherwise a glyph index and tells nothing.
  if (!Usable(unicode) && font.IsCIDFont()) {
    const auto& cidFont = static_cast<const TPDCIDFont&>(font);
    const TPDCMap* cmap = cidFont.CMap();
    if (cmap && cmap->HasUnicodeTable()) {
      // Without a program the font read the code as Unicode already; with
      // one, the code is the CID unless a CIDToGIDMap made it a glyph index.
      if (!cidFont.HasFontProgramRef()) {
        unicode = code;
      } else if (cidFont.GetCIDToGID().empty()) {
        unicode = cmap->UnicodeOf(code);
      }
    }
  }
  if (!Usable(unicode)) unicode = kUnknownGlyph;
  known.emplace(rawCode, unicode);
  return unicode;
}

void TPDTextDevice::DrawChar(const TPDState& state, double x, double y, double dx, double dy,
                             uint16_t code, std::string_view charName, uint32_t rawCode) {
  if (!state.Font || glyphs_.size() >= kMaxGlyphs) return;
  const TPDFont& font = *state.Font;
  // Text space to page space.
  const TPDMatrix m = UserToPage(state).PreMultiply(state.TextMatrix);
  const double size = state.FontSize;
  const double baseY = y + state.Rise;
  TextGlyph g;
  Apply(m, x, baseY, g.X, g.Y);
  double ex, ey, ux, uy;
  Apply(m, x + dx, baseY + dy, ex, ey);
  Apply(m, x, baseY + size, ux, uy);
  if (!Finite(g.X, g.Y, ex, ey) || !std::isfinite(ux) || !std::isfinite(uy)) return;
  g.Size = std::hypot(ux - g.X, uy - g.Y);
  g.Advance = std::hypot(ex - g.X, ey - g.Y);
  // The baseline direction: the text matrix's x axis (a glyph of no advance
  // still has one).
  double bx, by;
  Apply(m, x + 1, baseY, bx, by);
  const double len = std::hypot(bx - g.X, by - g.Y);
  if (!(len > 0) || !std::isfinite(len)) return;
  g.DirX = (bx - g.X) / len;
  g.DirY = (by - g.Y) / len;
  g.Unicode = UnicodeOf(state.Font, code, charName, rawCode);
  // The box: the advance along the baseline, descent to ascent across it.
  const double ascent = std::clamp(font.Ascent(), 0.5, 1.2);
  const double descent = std::clamp(font.Descent(), -0.5, 0.0);
  const double width = std::max(dx, 0.0);
  double xs[4], ys[4];
  Apply(m, x, baseY + descent * size, xs[0], ys[0]);
  Apply(m, x + width, baseY + descent * size, xs[1], ys[1]);
  Apply(m, x, baseY + ascent * size, xs[2], ys[2]);
  Apply(m, x + width, baseY + ascent * size, xs[3], ys[3]);
  g.X0 = *std::min_element(xs, xs + 4);
  g.X1 = *std::max_element(xs, xs + 4);
  g.Y0 = *std::min_element(ys, ys + 4);
  g.Y1 = *std::max_element(ys, ys + 4);
  glyphs_.push_back(g);
}

}  // namespace qp::pdf
