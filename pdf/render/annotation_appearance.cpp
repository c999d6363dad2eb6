#include "pdf/render/annotation_appearance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

#include "pdf/render/unicode_lines.h"

namespace qp::pdf {

namespace {

// Input sizes these appearances follow at most: more points or quads than
// any hand or text selection makes are dropped.
constexpr size_t kMaxPoints = 20000;
constexpr size_t kMaxQuads = 4000;
constexpr size_t kMaxPaths = 1000;
constexpr size_t kMaxTextChars = 8192;
constexpr size_t kMaxLines = 500;
// The content made for one annotation stops growing here.
constexpr size_t kMaxContentBytes = size_t{1} << 22;
constexpr double kKappa = 0.5523;  // Bézier quarter circle

struct Point {
  double x, y;
};

Point operator+(Point a, Point b) {
  return {a.x + b.x, a.y + b.y};
}
Point operator-(Point a, Point b) {
  return {a.x - b.x, a.y - b.y};
}
Point operator*(Point a, double s) {
  return {a.x * s, a.y * s};
}
double Length(Point a) {
  return std::hypot(a.x, a.y);
}
Point Unit(Point a, Point fallback) {
  const double l = Length(a);
  return l > 1e-9 && std::isfinite(l) ? a * (1 / l) : fallback;
}

// Numbers written so that the content lexer reads them back (no exponents).
std::string Num(double v) {
  if (!std::isfinite(v) || std::fabs(v) > 1e7) v = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", v);
  std::string s(text);
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

std::string Pt(Point p) {
  return Num(p.x) + " " + Num(p.y) + " ";
}

// The numbers of an array, up to `limit`; an entry of another kind ends it.
std::vector<double> Numbers(TPDBaseObject* object, TPDObjectResolver* doc, size_t limit) {
  std::vector<double> out;
  object = ResolveObject(object, doc);
  if (!object || !object->IsArray()) return out;
  const auto& array = static_cast<const TPDArray&>(*object);
  for (size_t i = 0; i < array.GetLength() && out.size() < limit; ++i) {
    const TPDBaseObject* e = ResolveObject(array.Get(i), doc);
    if (!e || !e->IsNumber() || !std::isfinite(e->GetNumber())) break;
    out.push_back(e->GetNumber());
  }
  return out;
}

// A colour operator for 1, 3 or 4 components; nothing for any other count
// (an empty array means "no colour").
std::string ColourOp(const std::vector<double>& c, bool stroke) {
  std::string op;
  for (double v : c) op += Num(std::clamp(v, 0.0, 1.0)) + " ";
  switch (c.size()) {
    case 1:
      return op + (stroke ? "G\n" : "g\n");
    case 3:
      return op + (stroke ? "RG\n" : "rg\n");
    case 4:
      return op + (stroke ? "K\n" : "k\n");
    default:
      return {};
  }
}

// The colour under `key`: `fallback` when the key is absent, nothing when
// it is present but describes no colour.
std::string Colour(const TPDDictionary& annot, TPDObjectResolver* doc, const char* key, bool stroke,
                   const std::vector<double>& fallback) {
  TPDBaseObject* value = ResolveObject(annot.LookUp(key), doc);
  if (!value || !value->IsArray()) return ColourOp(fallback, stroke);
  return ColourOp(Numbers(value, doc, 4), stroke);
}

struct Border {
  double width = 1;
  std::string dash;  // a d operator, or nothing for a solid line
};

// The border style: /BS (width and dashes) before the older /Border array.
Border BorderOf(const TPDDictionary& annot, TPDObjectResolver* doc) {
  Border border;
  const TPDBaseObject* bs = ResolveObject(annot.LookUp("BS"), doc);
  std::vector<double> dashes;
  if (bs && bs->IsDict()) {
    const auto& style = static_cast<const TPDDictionary&>(*bs);
    const TPDBaseObject* w = ResolveObject(style.LookUp("W"), doc);
    if (w && w->IsNumber()) border.width = w->GetNumber();
    const TPDBaseObject* s = ResolveObject(style.LookUp("S"), doc);
    if (s && s->IsName("D")) {
      dashes = Numbers(style.LookUp("D"), doc, 16);
      if (!style.LookUp("D")) dashes = {3};
    }
  } else {
    TPDBaseObject* b = ResolveObject(annot.LookUp("Border"), doc);
    if (b && b->IsArray()) {
      const auto& array = static_cast<const TPDArray&>(*b);
      const std::vector<double> values = Numbers(b, doc, 3);
      if (values.size() == 3) border.width = values[2];
      if (array.GetLength() > 3) dashes = Numbers(array.Get(3), doc, 16);
    }
  }
  if (!std::isfinite(border.width) || border.width < 0) border.width = 0;
  border.width = std::min(border.width, 1000.0);
  double total = 0;
  for (double d : dashes) total += d >= 0 ? d : -1e9;
  if (total > 0) {
    border.dash = "[";
    for (double d : dashes) border.dash += Num(d) + " ";
    border.dash += "] 0 d\n";
  }
  return border;
}

bool ReadRect(const TPDDictionary& annot, TPDObjectResolver* doc, double r[4]) {
  const std::vector<double> v = Numbers(annot.LookUp("Rect"), doc, 4);
  if (v.size() < 4) return false;
  r[0] = std::min(v[0], v[2]), r[1] = std::min(v[1], v[3]);
  r[2] = std::max(v[0], v[2]), r[3] = std::max(v[1], v[3]);
  return true;
}

// The Rect less the /RD differences and half the border, for squares and
// circles; false when nothing is left.
bool InnerRect(const TPDDictionary& annot, TPDObjectResolver* doc, double inset, double r[4]) {
  if (!ReadRect(annot, doc, r)) return false;
  const std::vector<double> rd = Numbers(annot.LookUp("RD"), doc, 4);
  if (rd.size() == 4 && std::all_of(rd.begin(), rd.end(), [](double d) { return d >= 0; })) {
    r[0] += rd[0], r[1] += rd[3], r[2] -= rd[2], r[3] -= rd[1];
  }
  r[0] += inset, r[1] += inset, r[2] -= inset, r[3] -= inset;
  return r[2] > r[0] && r[3] > r[1];
}

std::string Ellipse(double x1, double y1, double x2, double y2) {
  const double cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
  const double rx = (x2 - x1) / 2, ry = (y2 - y1) / 2;
  const double kx = rx * kKappa, ky = ry * kKappa;
  return Pt({cx + rx, cy}) + "m\n" + Pt({cx + rx, cy + ky}) + Pt({cx + kx, cy + ry}) +
         Pt({cx, cy + ry}) + "c\n" + Pt({cx - kx, cy + ry}) + Pt({cx - rx, cy + ky}) +
         Pt({cx - rx, cy}) + "c\n" + Pt({cx - rx, cy - ky}) + Pt({cx - kx, cy - ry}) +
         Pt({cx, cy - ry}) + "c\n" + Pt({cx + kx, cy - ry}) + Pt({cx + rx, cy - ky}) +
         Pt({cx + rx, cy}) + "c h\n";
}

// The paint operator for a shape that is filled, stroked or both.
std::string PaintOp(bool fill, bool stroke, bool close) {
  if (fill && stroke) return close ? "b\n" : "B\n";
  if (fill) return "f\n";
  return close ? "s\n" : "S\n";
}

// A line ending at `tip`, pointing along `out` (away from the line).
std::string Ending(std::string_view style, Point tip, Point out, double width, bool fill) {
  const double size = std::max(3.0, 3 * width);
  const Point n{-out.y, out.x};
  if (style == "OpenArrow" || style == "ClosedArrow") {
    const Point back = tip - out * (size * 2 * std::cos(M_PI / 6));
    const Point a = back + n * (size * 2 * std::sin(M_PI / 6));
    const Point b = back - n * (size * 2 * std::sin(M_PI / 6));
    if (style == "OpenArrow") return Pt(a) + "m " + Pt(tip) + "l " + Pt(b) + "l S\n";
    return Pt(a) + "m " + Pt(tip) + "l " + Pt(b) + "l " + PaintOp(fill, true, true);
  }
  if (style == "Butt") return Pt(tip + n * size) + "m " + Pt(tip - n * size) + "l S\n";
  if (style == "Square") {
    const Point c = tip;
    return Pt(c + (out + n) * size) + "m " + Pt(c + (n - out) * size) + "l " +
           Pt(c - (out + n) * size) + "l " + Pt(c + (out - n) * size) + "l " +
           PaintOp(fill, true, true);
  }
  if (style == "Diamond") {
    return Pt(tip + out * size) + "m " + Pt(tip + n * size) + "l " + Pt(tip - out * size) + "l " +
           Pt(tip - n * size) + "l " + PaintOp(fill, true, true);
  }
  if (style == "Circle") {
    std::string e = Ellipse(tip.x - size, tip.y - size, tip.x + size, tip.y + size);
    return e + PaintOp(fill, true, true);
  }
  return {};
}

std::string EndingName(const TPDDictionary& annot, TPDObjectResolver* doc, size_t i) {
  const TPDBaseObject* le = ResolveObject(annot.LookUp("LE"), doc);
  if (!le || !le->IsArray() || static_cast<const TPDArray*>(le)->GetLength() <= i) return {};
  const TPDBaseObject* name = ResolveObject(static_cast<const TPDArray*>(le)->Get(i), doc);
  return name && name->IsName() ? static_cast<const TPDName*>(name)->Value() : std::string();
}

std::string Endings(const TPDDictionary& annot, TPDObjectResolver* doc, Point from, Point start,
                    Point end, Point to, double width, const std::string& interior) {
  std::string out;
  const Point dir = Unit(to - end, {1, 0});
  const Point first = Unit(start - from, {-1, 0});
  const std::string head = EndingName(annot, doc, 0), tail = EndingName(annot, doc, 1);
  if (!head.empty()) out += Ending(head, start, first, width, !interior.empty());
  if (!tail.empty()) out += Ending(tail, to, dir, width, !interior.empty());
  return out.empty() ? out : "[] 0 d\n" + interior + out;
}

std::vector<Point> Points(const std::vector<double>& v) {
  std::vector<Point> points;
  for (size_t i = 0; i + 1 < v.size(); i += 2) points.push_back({v[i], v[i + 1]});
  return points;
}

std::string Ink(const TPDDictionary& annot, TPDObjectResolver* doc) {
  const TPDBaseObject* list = ResolveObject(annot.LookUp("InkList"), doc);
  if (!list || !list->IsArray()) return {};
  const auto& paths = static_cast<const TPDArray&>(*list);
  std::string out;
  size_t budget = kMaxPoints;
  for (size_t i = 0; i < paths.GetLength() && i < kMaxPaths && budget > 0; ++i) {
    const std::vector<Point> points = Points(Numbers(paths.Get(i), doc, budget * 2));
    budget -= std::min(budget, points.size());
    for (size_t p = 0; p < points.size() && out.size() < kMaxContentBytes; ++p) {
      out += Pt(points[p]) + (p ? "l\n" : "m\n");
    }
    if (points.size() == 1) out += Pt(points[0]) + "l\n";
  }
  return out.empty() ? out : "1 J 1 j\n" + out + "S\n";
}

std::string Line(const TPDDictionary& annot, TPDObjectResolver* doc, double width,
                 const std::string& interior) {
  const std::vector<double> l = Numbers(annot.LookUp("L"), doc, 4);
  if (l.size() < 4) return {};
  Point a{l[0], l[1]}, b{l[2], l[3]};
  std::string out;
  // A leader line length moves the line aside, with leader lines to its ends.
  const double ll = annot.GetNumber("LL", 0);
  if (ll != 0 && std::isfinite(ll) && std::fabs(ll) < 1e5) {
    const Point dir = Unit(b - a, {1, 0});
    const Point n{-dir.y, dir.x};
    const double lle = std::clamp(annot.GetNumber("LLE", 0), 0.0, 1e5);
    const Point shift = n * ll, over = n * (ll > 0 ? lle : -lle);
    out +=
        Pt(a) + "m " + Pt(a + shift + over) + "l " + Pt(b) + "m " + Pt(b + shift + over) + "l S\n";
    a = a + shift, b = b + shift;
  }
  out += Pt(a) + "m " + Pt(b) + "l S\n";
  return out + Endings(annot, doc, b, a, a, b, width, interior);
}

std::string Poly(const TPDDictionary& annot, TPDObjectResolver* doc, bool closed, double width,
                 const std::string& interior, bool stroke) {
  const std::vector<Point> v = Points(Numbers(annot.LookUp("Vertices"), doc, kMaxPoints * 2));
  if (v.size() < 2) return {};
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) out += Pt(v[i]) + (i ? "l\n" : "m\n");
  if (closed) return out + PaintOp(!interior.empty(), stroke, true);
  if (!stroke) return {};
  out += "S\n";
  return out + Endings(annot, doc, v[1], v[0], v[v.size() - 2], v.back(), width, interior);
}

// Text markup over each quadrilateral of /QuadPoints (upper left, upper
// right, lower left, lower right, the order writers use).
std::string Markup(const TPDDictionary& annot, TPDObjectResolver* doc, std::string_view type) {
  const std::vector<double> q = Numbers(annot.LookUp("QuadPoints"), doc, kMaxQuads * 8);
  std::string out;
  for (size_t i = 0; i + 8 <= q.size() && out.size() < kMaxContentBytes; i += 8) {
    const Point ul{q[i], q[i + 1]}, ur{q[i + 2], q[i + 3]};
    const Point ll{q[i + 4], q[i + 5]}, lr{q[i + 6], q[i + 7]};
    const double h = Length(ul - ll);
    if (!(h > 0) || h > 1e5) continue;
    const Point along = Unit(lr - ll, {1, 0});
    const Point up = Unit(ul - ll, {-along.y, along.x});
    if (type == "Highlight") {
      // Rounded ends, as a marker pen leaves them.
      const Point e = along * (h / 4);
      out += Pt(ll) + "m " + Pt(lr) + "l " + Pt(lr + e) + Pt(ur + e) + Pt(ur) + "c " + Pt(ul) +
             "l " + Pt(ul - e) + Pt(ll - e) + Pt(ll) + "c f\n";
      continue;
    }
    out += Num(h / 16) + " w\n";
    if (type == "Underline" || type == "StrikeOut") {
      const Point lift = up * (type == "Underline" ? h / 7 : h * 3 / 7);
      out += Pt(ll + lift) + "m " + Pt(lr + lift) + "l S\n";
      continue;
    }
    // Squiggly: a zigzag along the bottom.
    const double length = Length(lr - ll), step = h / 7;
    if (!(length < 1e6)) continue;
    const size_t steps = size_t(std::min(length / step + 1, double(kMaxPoints)));
    for (size_t s = 0; s <= steps; ++s) {
      const double t = std::min(length, s * step);
      out += Pt(ll + along * t + up * (s % 2 ? h / 7 : h / 32)) + (s ? "l\n" : "m\n");
    }
    out += "S\n";
  }
  return out;
}

// Text as WinAnsi bytes: characters outside Latin-1 are left out.
std::string Latin1Bytes(const std::u32string& text) {
  std::string out;
  for (char32_t c : text) {
    if (c == '\r' || c == '\n' || (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c <= 0xFF)) {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// The font size and fill colour that a /DA string sets: the operands before
// Tf and before the last fill colour operator. A size of 0 (fit the box) is
// kept as 0.
struct DefaultAppearance {
  double size = 12;
  std::string colour = "0 g\n";
};

DefaultAppearance ReadDefaultAppearance(const TPDBaseObject* da) {
  DefaultAppearance result;
  if (!da || !da->IsString()) return result;
  std::vector<std::string> words;
  const std::string s = static_cast<const TPDString*>(da)->GetBytes();
  for (size_t i = 0; i < s.size() && words.size() < 64;) {
    const size_t end = std::min(s.find_first_of(" \t\r\n", i), s.size());
    if (end > i) words.push_back(s.substr(i, end - i));
    i = end + 1;
  }
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    char* stop = nullptr;
    if (w == "Tf" && i >= 1) {
      const double v = std::strtod(words[i - 1].c_str(), &stop);
      if (stop && *stop == 0 && v >= 0 && v < 1000) result.size = v;
    }
    const size_t n = w == "g" ? 1 : w == "rg" ? 3 : w == "k" ? 4 : 0;
    if (n && i >= n) {
      std::vector<double> c;
      for (size_t k = i - n; k < i; ++k) c.push_back(std::strtod(words[k].c_str(), &stop));
      result.colour = ColourOp(c, false);
    }
  }
  return result;
}

// Text split at its line breaks (CR, LF or CR LF), at most `maxLines` lines.
template <typename Text>
std::vector<Text> SplitLines(const Text& text, size_t maxLines) {
  std::vector<Text> lines;
  for (size_t start = 0; start <= text.size() && lines.size() < maxLines;) {
    size_t end = text.find_first_of(Text{'\r', '\n'}, start);
    if (end == Text::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return lines;
}

// Text lines split at line breaks, each as a string operand "(...)".
std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  for (const std::string& line : SplitLines(text, kMaxLines)) {
    std::string operand = "(";
    for (char c : line) {
      if (c == '(' || c == ')' || c == '\\') operand += '\\';
      operand += c;
    }
    lines.push_back(operand + ")");
  }
  return lines;
}

// Lines of text (string operands), clipped to the Rect, the first baseline
// at `first` and each further one a leading below, a line moved right by
// its entry of `shifts`. In Helvetica, or in `font` when given.
TAnnotationDrawing TextDrawing(const double r[4], const std::vector<std::string>& lines,
                               const DefaultAppearance& da, Point first,
                               std::unique_ptr<TPDDictionary> font = nullptr,
                               const std::vector<double>& shifts = {}) {
  std::string out = "q " + Pt({r[0], r[1]}) + Num(r[2] - r[0]) + " " + Num(r[3] - r[1]) +
                    " re W n\nBT /F1 " + Num(da.size) + " Tf " + Num(da.size * 1.15) + " TL\n" +
                    da.colour + Pt(first) + "Td\n";
  for (size_t i = 0; i < lines.size(); ++i) {
    const double shift = i < shifts.size() ? shifts[i] : 0;
    if (shift != 0) {
      out += Num(shift) + " 0 Td " + lines[i] + " Tj " + Num(-shift) + " 0 Td T*\n";
    } else {
      out += lines[i] + " Tj T*\n";
    }
  }
  TAnnotationDrawing drawing;
  drawing.Content = out + "ET Q\n";
  if (!font) {
    font = std::make_unique<TPDDictionary>();
    font->Add("Type", std::make_unique<TPDName>("Font"));
    font->Add("Subtype", std::make_unique<TPDName>("Type1"));
    font->Add("BaseFont", std::make_unique<TPDName>("Helvetica"));
    font->Add("Encoding", std::make_unique<TPDName>("WinAnsiEncoding"));
  }
  auto fonts = std::make_unique<TPDDictionary>();
  fonts->Add("F1", std::move(font));
  drawing.Resources = std::make_unique<TPDDictionary>();
  drawing.Resources->Add("Font", std::move(fonts));
  return drawing;
}

// Text with characters beyond Latin-1 drawn with an installed font that has
// them, right-to-left lines ending at `right`; at most `maxLines` lines.
// Nothing for text that Helvetica can show, or when no font has them.
std::optional<TAnnotationDrawing> UnicodeTextDrawing(const double r[4], const std::u32string& text,
                                                     const DefaultAppearance& da, Point first,
                                                     double right, size_t maxLines) {
  if (std::all_of(text.begin(), text.end(), [](char32_t c) { return c <= 0xFF; })) {
    return std::nullopt;
  }
  const std::vector<std::u32string> lines = SplitLines(text, maxLines);
  const double maxWidth = da.size > 0 ? (right - first.x) / da.size : 0;
  std::optional<TUnicodeLines> set =
      SetUnicodeLines(lines, maxLines > 1 ? maxWidth : 1e9, maxLines);
  if (!set) return std::nullopt;
  std::vector<double> shifts;
  for (size_t i = 0; i < set->widths.size(); ++i) {
    shifts.push_back(set->rightToLeft[i] ? std::max(0.0, right - first.x - set->widths[i] * da.size)
                                         : 0.0);
  }
  return TextDrawing(r, set->operands, da, first, std::move(set->font), shifts);
}

// Free text: the /Contents in Helvetica at the size and in the colour of
// /DA, a line per line break, from the top left of the Rect (inside the
// border, which is not drawn) and clipped to it.
std::optional<TAnnotationDrawing> FreeText(const TPDDictionary& annot, TPDObjectResolver* doc) {
  double r[4];
  const TPDBaseObject* contents = ResolveObject(annot.LookUp("Contents"), doc);
  if (!ReadRect(annot, doc, r) || !contents || !contents->IsString()) return std::nullopt;
  const std::u32string chars =
      DecodeTextString(static_cast<const TPDString*>(contents)->GetBytes(), kMaxTextChars);
  DefaultAppearance da = ReadDefaultAppearance(ResolveObject(annot.LookUp("DA"), doc));
  if (da.size == 0) da.size = 12;
  // The text starts inside the border, its first line's ascent below the top.
  const double inset = BorderOf(annot, doc).width;
  const Point first{r[0] + inset, r[3] - inset - 0.8 * da.size};
  if (auto unicode = UnicodeTextDrawing(r, chars, da, first, r[2] - inset, kMaxLines)) {
    return unicode;
  }
  const std::string text = Latin1Bytes(chars);
  if (text.find_first_not_of(" \r\n") == std::string::npos) return std::nullopt;
  return TextDrawing(r, TextLines(text), da, first);
}

// A field's key, its own or the nearest parent's (form fields inherit FT,
// V, DA and Ff).
const TPDBaseObject* FieldValue(const TPDDictionary& field, TPDObjectResolver* doc,
                                const char* key) {
  const TPDDictionary* node = &field;
  for (int depth = 0; node && depth < 32; ++depth) {
    if (const TPDBaseObject* v = ResolveObject(node->LookUp(key), doc)) return v;
    const TPDBaseObject* parent = ResolveObject(node->LookUp("Parent"), doc);
    node = parent && parent->IsDict() ? static_cast<const TPDDictionary*>(parent) : nullptr;
  }
  return nullptr;
}

// A text field's value in Helvetica at the size and colour of its /DA (a
// size of 0 fits the box's height), 2 points in from the left: one line
// centred in the height, or lines from the top for a multi-line field.
// Password fields show nothing.
std::optional<TAnnotationDrawing> TextField(const TPDDictionary& annot, TPDObjectResolver* doc) {
  const TPDBaseObject* type = FieldValue(annot, doc, "FT");
  if (!type || !type->IsName("Tx")) return std::nullopt;
  double r[4];
  const TPDBaseObject* value = FieldValue(annot, doc, "V");
  if (!ReadRect(annot, doc, r) || !value || !value->IsString()) return std::nullopt;
  const TPDBaseObject* ff = FieldValue(annot, doc, "Ff");
  const int flags = ff && ff->IsInteger() ? static_cast<const TPDInteger*>(ff)->Value() : 0;
  constexpr int kMultiline = 1 << 12, kPassword = 1 << 13;
  if (flags & kPassword) return std::nullopt;
  const std::u32string chars =
      DecodeTextString(static_cast<const TPDString*>(value)->GetBytes(), kMaxTextChars);
  constexpr double kPadding = 2;
  const double height = r[3] - r[1];
  DefaultAppearance da = ReadDefaultAppearance(FieldValue(annot, doc, "DA"));
  if (da.size == 0) da.size = std::clamp((height - 2 * kPadding) / 1.15, 4.0, 12.0);
  const bool multiline = (flags & kMultiline) != 0;
  // Helvetica's capitals stand about 0.72 em above the baseline.
  const double baseline =
      multiline ? r[3] - kPadding - 0.8 * da.size : r[1] + (height - 0.72 * da.size) / 2;
  const Point first{r[0] + kPadding, baseline};
  if (auto unicode =
          UnicodeTextDrawing(r, chars, da, first, r[2] - kPadding, multiline ? kMaxLines : 1)) {
    return unicode;
  }
  const std::string text = Latin1Bytes(chars);
  if (text.find_first_not_of(" \r\n") == std::string::npos) return std::nullopt;
  const std::vector<std::string> lines = TextLines(text);
  return TextDrawing(r, multiline ? lines : std::vector<std::string>{lines.front()}, da, first);
}

}  // namespace

std::optional<TAnnotationDrawing> MakeAnnotationDrawing(const TPDDictionary& annot,
                                                        TPDObjectResolver* doc) {
  const TPDBaseObject* subtype = ResolveObject(annot.LookUp("Subtype"), doc);
  if (!subtype || !subtype->IsName()) return std::nullopt;
  const std::string& type = static_cast<const TPDName*>(subtype)->Value();
  std::optional<TAnnotationDrawing> drawing;
  if (type == "FreeText") {
    drawing = FreeText(annot, doc);
  } else if (type == "Widget") {
    drawing = TextField(annot, doc);
  } else {
    const bool markup =
        type == "Highlight" || type == "Underline" || type == "StrikeOut" || type == "Squiggly";
    const std::vector<double> black{0};
    std::string content;
    if (markup) {
      const std::vector<double> yellow{1, 1, 0};
      const std::string colour =
          Colour(annot, doc, "C", type != "Highlight", type == "Highlight" ? yellow : black);
      if (!colour.empty()) content = Markup(annot, doc, type);
      if (!content.empty()) content = colour + content;
    } else {
      const Border border = BorderOf(annot, doc);
      const std::string stroke = border.width > 0 ? Colour(annot, doc, "C", true, black) : "";
      const std::string interior = Colour(annot, doc, "IC", false, {});
      const bool stroked = !stroke.empty();
      if (type == "Ink" && stroked) {
        content = Ink(annot, doc);
      } else if (type == "Line" && stroked) {
        content = Line(annot, doc, border.width, interior);
      } else if (type == "Square" || type == "Circle") {
        double r[4];
        if ((stroked || !interior.empty()) &&
            InnerRect(annot, doc, stroked ? border.width / 2 : 0, r)) {
          content = type == "Square"
                        ? Pt({r[0], r[1]}) + Num(r[2] - r[0]) + " " + Num(r[3] - r[1]) + " re\n"
                        : Ellipse(r[0], r[1], r[2], r[3]);
          content += PaintOp(!interior.empty(), stroked, false);
        }
      } else if (type == "Polygon" || type == "PolyLine") {
        if (stroked || (type == "Polygon" && !interior.empty())) {
          content = Poly(annot, doc, type == "Polygon", border.width, interior, stroked);
        }
      }
      if (!content.empty()) {
        content = Num(border.width) + " w\n" + border.dash + stroke + interior + content;
      }
    }
    if (content.empty()) return std::nullopt;
    drawing.emplace();
    drawing->Content = std::move(content);
    drawing->Multiply = type == "Highlight";
  }
  if (!drawing) return std::nullopt;
  // /CA is the whole annotation's opacity.
  const TPDBaseObject* ca = ResolveObject(annot.LookUp("CA"), doc);
  if (ca && ca->IsNumber() && std::isfinite(ca->GetNumber())) {
    drawing->StrokeOpacity = drawing->FillOpacity = std::clamp(ca->GetNumber(), 0.0, 1.0);
  }
  return drawing;
}

}  // namespace qp::pdf
