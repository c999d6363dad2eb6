#include "compiler/graticule_georef.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <vector>

#include "pdf/core/pdf_facade.h"
#include "pdf/render/pdf_text_page.h"

namespace qp {

namespace {

// ---- Label text ----

bool IsDegreeSign(char32_t c) {
  // A glyph of no Unicode value stands where producers draw their own degree
  // sign with a byte their encoding leaves undefined.
  // U+F0B0: a symbol font's degree at B0 in the private use area.
  return c == U'\u00B0' || c == U'\u00BA' || c == U'\u02DA' || c == U'\u2218' || c == U'\uF0B0' ||
         c == pdf::kUnknownGlyph;
}

bool IsMinuteSign(char32_t c) {
  return c == U'\'' || c == U'\u2019' || c == U'\u2032' || c == U'\u00B4' || c == U'\u02B9' ||
         c == U'\u2018';
}

bool IsSecondSign(char32_t c) {
  return c == U'"' || c == U'\u2033' || c == U'\u201D' || c == U'\u02BA';
}

bool IsHemisphere(char32_t c) {
  return c == U'N' || c == U'S' || c == U'E' || c == U'W';
}

// Reads digits (and a decimal part when `fraction`) at `i`; false without
// any, or with more whole digits than `maxDigits`.
bool ReadNumber(std::u32string_view s, size_t& i, int maxDigits, bool fraction, double& value) {
  const size_t start = i;
  value = 0;
  while (i < s.size() && s[i] >= U'0' && s[i] <= U'9') value = value * 10 + (s[i++] - U'0');
  const auto digits = static_cast<int>(i - start);
  if (digits == 0 || digits > maxDigits) return false;
  if (fraction && i + 1 < s.size() && s[i] == U'.' && s[i + 1] >= U'0' && s[i + 1] <= U'9') {
    ++i;
    double scale = 0.1;
    int fractionDigits = 0;
    while (i < s.size() && s[i] >= U'0' && s[i] <= U'9') {
      if (++fractionDigits > 6) return false;
      value += (s[i++] - U'0') * scale;
      scale /= 10;
    }
  }
  return true;
}

// ---- Pairing labels with graticule lines ----

enum class Axis { kVertical, kHorizontal };

struct PlacedLabel {
  GraticuleLabel label;
  Axis axis = Axis::kVertical;  // of the line it labels
  double position = 0;          // the line's x (vertical) or y (horizontal)
};

GraticuleMark MarkOf(const PlacedLabel& p) {
  return {p.label, p.axis == Axis::kVertical, p.position};
}

// Limits, in points or as stated.
constexpr double kMinTick = 1.0;          // shorter segments are no tick
constexpr double kAxisSlope = 0.02;       // across / along: still axis-aligned
constexpr double kReachInSizes = 2.0;     // a tick ends within this many label heights
constexpr double kMinReach = 3.0;         // ... or this many points
constexpr double kInsideTolerance = 0.5;  // a tick may reach this far into the label
constexpr double kSameLine = 1.0;         // labels of one value: lines this close
constexpr double kMaxResidual = 1.0;      // fit residual allowed
constexpr double kScaleTolerance = 0.05;  // longitude against latitude scale
// Labels beyond this many are not paired: a graticule has a handful, and
// each pairing searches the page's lines.
constexpr int kMaxLabels = 1000;

struct Box {
  double x0, y0, x1, y1;
};

// The axis-aligned segments of a page, vertical and horizontal apart, each
// sorted by the coordinate across it.
struct AxisLine {
  double across, lo, hi;
  bool operator<(const AxisLine& o) const { return across < o.across; }
};

struct AxisLines {
  std::vector<AxisLine> vertical, horizontal;
};

AxisLines SortLines(const std::vector<pdf::LineSegment>& segs) {
  AxisLines lines;
  for (const pdf::LineSegment& s : segs) {
    const double dx = std::fabs(s.X1 - s.X0), dy = std::fabs(s.Y1 - s.Y0);
    if (std::max(dx, dy) < kMinTick) continue;
    if (dx <= kAxisSlope * dy) {
      lines.vertical.push_back({(s.X0 + s.X1) / 2, std::min(s.Y0, s.Y1), std::max(s.Y0, s.Y1)});
    } else if (dy <= kAxisSlope * dx) {
      lines.horizontal.push_back({(s.Y0 + s.Y1) / 2, std::min(s.X0, s.X1), std::max(s.X0, s.X1)});
    }
  }
  std::sort(lines.vertical.begin(), lines.vertical.end());
  std::sort(lines.horizontal.begin(), lines.horizontal.end());
  return lines;
}

// The line that `box` (a label of text height `size`) labels: an
// axis-aligned segment whose line crosses the label and that ends beside it,
// the nearest one. Nothing when none does.
std::optional<std::pair<Axis, double>> LabelledLine(const Box& box, double size,
                                                    const AxisLines& lines) {
  const double reach = std::max(kReachInSizes * size, kMinReach);
  double best = INFINITY;
  std::optional<std::pair<Axis, double>> found;
  auto search = [&](const std::vector<AxisLine>& sorted, Axis axis, double acrossLo,
                    double acrossHi, double boxLo, double boxHi) {
    auto it = std::lower_bound(sorted.begin(), sorted.end(), AxisLine{acrossLo, 0, 0});
    for (; it != sorted.end() && it->across <= acrossHi; ++it) {
      double gap;
      if (it->hi <= boxLo + kInsideTolerance) {
        gap = boxLo - it->hi;
      } else if (it->lo >= boxHi - kInsideTolerance) {
        gap = it->lo - boxHi;
      } else {
        continue;  // runs through the label: not its tick
      }
      if (gap > reach || gap >= best) continue;
      best = gap;
      found = std::make_pair(axis, it->across);
    }
  };
  search(lines.vertical, Axis::kVertical, box.x0, box.x1, box.y0, box.y1);
  search(lines.horizontal, Axis::kHorizontal, box.y0, box.y1, box.x0, box.x1);
  return found;
}

Box BoxOf(const pdf::PageText& text, const pdf::TextLine& line, size_t from, size_t to,
          double& size) {
  Box box{INFINITY, INFINITY, -INFINITY, -INFINITY};
  size = 0;
  for (size_t k = from; k < to; ++k) {
    const size_t g = line.Glyphs[k];
    if (g == pdf::TextLine::kNoGlyph || g >= text.Glyphs.size()) continue;
    const pdf::TextGlyph& glyph = text.Glyphs[g];
    box.x0 = std::min(box.x0, glyph.X0), box.y0 = std::min(box.y0, glyph.Y0);
    box.x1 = std::max(box.x1, glyph.X1), box.y1 = std::max(box.y1, glyph.Y1);
    size = std::max(size, glyph.Size);
  }
  return box;
}

// The labels of every line, each with its graticule line when it has one.
std::vector<PlacedLabel> FindLabels(const pdf::PageText& text, int& labelsSeen) {
  std::vector<PlacedLabel> placed;
  labelsSeen = 0;
  const AxisLines lines = SortLines(text.Segments);
  for (const pdf::TextLine& line : text.Lines) {
    // Words: runs between spaces; a label may be split into up to three.
    std::vector<std::pair<size_t, size_t>> words;
    for (size_t i = 0; i < line.Text.size();) {
      while (i < line.Text.size() && line.Text[i] == U' ') ++i;
      const size_t start = i;
      while (i < line.Text.size() && line.Text[i] != U' ') ++i;
      if (i > start) words.emplace_back(start, i);
    }
    for (size_t w = 0; w < words.size();) {
      size_t used = 0;
      for (size_t n = std::min<size_t>(3, words.size() - w); n >= 1 && !used; --n) {
        const size_t from = words[w].first, to = words[w + n - 1].second;
        std::u32string_view view(line.Text);
        const auto label = ParseGraticuleLabel(view.substr(from, to - from));
        if (!label) continue;
        used = n;
        if (++labelsSeen > kMaxLabels) return placed;
        double size = 0;
        const Box box = BoxOf(text, line, from, to, size);
        if (!(box.x1 > box.x0) || !(box.y1 > box.y0)) continue;
        if (auto tick = LabelledLine(box, size, lines)) {
          placed.push_back({*label, tick->first, tick->second});
        }
      }
      w += used ? used : 1;
    }
  }
  return placed;
}

// ---- Fitting ----

struct AxisFit {
  double scale = 0;   // degrees per point
  double offset = 0;  // degrees at coordinate 0
  double meanDegrees = 0;
};

// value = scale * position + offset over the labels of one coordinate;
// nothing, with the reason, when they do not make a consistent graticule.
std::optional<AxisFit> FitAxis(std::vector<PlacedLabel> labels, std::string& why) {
  std::sort(labels.begin(), labels.end(), [](const PlacedLabel& a, const PlacedLabel& b) {
    return a.label.Degrees < b.label.Degrees;
  });
  // One point per distinct value; repeated labels must mark the same line.
  std::vector<std::pair<double, double>> points;  // position, degrees
  for (size_t i = 0; i < labels.size();) {
    size_t j = i;
    double lo = INFINITY, hi = -INFINITY, sum = 0;
    while (j < labels.size() &&
           std::fabs(labels[j].label.Degrees - labels[i].label.Degrees) < 1e-9) {
      lo = std::min(lo, labels[j].position), hi = std::max(hi, labels[j].position);
      sum += labels[j].position;
      ++j;
    }
    if (hi - lo > kSameLine) {
      why = "labels of one value mark different lines";
      return std::nullopt;
    }
    points.emplace_back(sum / static_cast<double>(j - i), labels[i].label.Degrees);
    i = j;
  }
  if (points.size() < 2) {
    why = "fewer than two distinct labels of latitude or of longitude";
    return std::nullopt;
  }
  double mp = 0, md = 0;
  for (const auto& [p, d] : points) mp += p, md += d;
  mp /= static_cast<double>(points.size()), md /= static_cast<double>(points.size());
  double spp = 0, spd = 0;
  for (const auto& [p, d] : points) spp += (p - mp) * (p - mp), spd += (p - mp) * (d - md);
  if (!(spp > 0)) {
    why = "labels of different values mark one line";
    return std::nullopt;
  }
  AxisFit fit;
  fit.scale = spd / spp;
  fit.offset = md - fit.scale * mp;
  fit.meanDegrees = md;
  // Between 1 cm and 10 km per point.
  const double scale = std::fabs(fit.scale);
  if (!std::isfinite(scale) || scale < 1e-7 || scale > 0.1) {
    why = "the labels give an implausible scale";
    return std::nullopt;
  }
  for (const auto& [p, d] : points) {
    if (std::fabs((d - fit.offset) / fit.scale - p) > kMaxResidual) {
      why = "the labels are not evenly spaced";
      return std::nullopt;
    }
  }
  return fit;
}

// The mapping when longitude lines are `lonAxis` lines and latitude lines
// the other ones.
std::optional<AffineGeoMapping> FitCase(const std::vector<PlacedLabel>& all, Axis lonAxis,
                                        std::string& why) {
  const Axis latAxis = lonAxis == Axis::kVertical ? Axis::kHorizontal : Axis::kVertical;
  std::vector<PlacedLabel> lon, lat;
  for (const PlacedLabel& p : all) {
    if (!p.label.IsLatitude && p.axis == lonAxis) lon.push_back(p);
    if (p.label.IsLatitude && p.axis == latAxis) lat.push_back(p);
  }
  const std::optional<AxisFit> lonFit = FitAxis(lon, why);
  if (!lonFit) return std::nullopt;
  const std::optional<AxisFit> latFit = FitAxis(lat, why);
  if (!latFit) return std::nullopt;
  // A minute of longitude is cos(latitude) minutes of latitude on the ground;
  // a chart drawn to one scale shows them so.
  const double cosLat = std::cos(latFit->meanDegrees * M_PI / 180);
  const double ratio = std::fabs(lonFit->scale) * cosLat / std::fabs(latFit->scale);
  if (!(std::fabs(ratio - 1) <= kScaleTolerance)) {
    why = "the spacing of longitude and latitude labels disagree";
    return std::nullopt;
  }
  AffineGeoMapping m;
  if (lonAxis == Axis::kVertical) {
    // Longitude from x, latitude from y: north up or down, never mirrored.
    if (lonFit->scale * latFit->scale < 0) {
      why = "the graticule is mirrored";
      return std::nullopt;
    }
    m.LonX = lonFit->scale, m.Lon0 = lonFit->offset;
    m.LatY = latFit->scale, m.Lat0 = latFit->offset;
  } else {
    // North to the side.
    if (lonFit->scale * latFit->scale > 0) {
      why = "the graticule is mirrored";
      return std::nullopt;
    }
    m.LonY = lonFit->scale, m.Lon0 = lonFit->offset;
    m.LatX = latFit->scale, m.Lat0 = latFit->offset;
  }
  return m;
}

void Tell(std::string* problem, const std::string& detail) {
  if (!problem) return;
  *problem = kNoGeoReferenceMessage;
  if (!detail.empty()) *problem += ": " + detail;
}

}  // namespace

std::optional<GraticuleLabel> ParseGraticuleLabel(std::u32string_view given) {
  std::u32string s;
  for (const char32_t c : given) {
    if (c != U' ' && c != U'\u00A0') s.push_back(c);
  }
  if (s.size() > 24) return std::nullopt;
  size_t i = 0;
  char32_t hemisphere = 0;
  if (i < s.size() && IsHemisphere(s[i])) hemisphere = s[i++];
  double degrees, minutes = 0, seconds = 0;
  if (!ReadNumber(s, i, 3, false, degrees)) return std::nullopt;
  if (i >= s.size() || !IsDegreeSign(s[i])) return std::nullopt;
  ++i;
  size_t before = i;
  if (ReadNumber(s, i, 2, true, minutes)) {
    const bool whole = s.substr(before, i - before).find(U'.') == std::u32string::npos;
    if (i < s.size() && IsMinuteSign(s[i])) {
      ++i;
      before = i;
      if (whole && ReadNumber(s, i, 2, true, seconds)) {
        if (i >= s.size() || !IsSecondSign(s[i])) return std::nullopt;
        ++i;
      } else {
        i = before;
      }
    } else if (!(i < s.size() && IsHemisphere(s[i]) && !hemisphere)) {
      return std::nullopt;  // minutes need their sign unless the letter follows
    }
  }
  if (i < s.size() && IsHemisphere(s[i]) && !hemisphere) hemisphere = s[i++];
  if (i != s.size() || !hemisphere) return std::nullopt;
  if (minutes >= 60 || seconds >= 60) return std::nullopt;
  GraticuleLabel label;
  label.IsLatitude = hemisphere == U'N' || hemisphere == U'S';
  label.Degrees = degrees + minutes / 60 + seconds / 3600;
  if (label.Degrees > (label.IsLatitude ? 90 : 180)) return std::nullopt;
  if (hemisphere == U'S' || hemisphere == U'W') label.Degrees = -label.Degrees;
  return label;
}

std::vector<GraticuleMark> FindGraticuleMarks(const pdf::PageText& text) {
  int seen = 0;
  std::vector<GraticuleMark> marks;
  for (const PlacedLabel& p : FindLabels(text, seen)) marks.push_back(MarkOf(p));
  return marks;
}

std::optional<ChartGeoReference> FindGraticuleGeoReference(const pdf::PageText& text,
                                                           std::string* problem) {
  int seen = 0;
  const std::vector<PlacedLabel> labels = FindLabels(text, seen);
  if (seen == 0) {
    Tell(problem, "");
    return std::nullopt;
  }
  std::string whyUpright, whySide;
  const auto upright = FitCase(labels, Axis::kVertical, whyUpright);
  const auto side = FitCase(labels, Axis::kHorizontal, whySide);
  if (upright && side) {
    Tell(problem, "the labels fit two orientations");
    return std::nullopt;
  }
  if (!upright && !side) {
    // The reason of the orientation that found more of its lines.
    size_t uprightCount = 0;
    for (const PlacedLabel& p : labels) {
      uprightCount += (p.axis == Axis::kVertical) != p.label.IsLatitude ? 1 : 0;
    }
    Tell(problem, uprightCount * 2 >= labels.size() ? whyUpright : whySide);
    return std::nullopt;
  }
  ChartGeoReference found;
  found.Mapping = std::make_shared<AffineGeoMapping>(upright ? *upright : *side);
  found.Origin = "graticule";
  return found;
}

std::optional<ChartGeoReference> FindGraticuleGeoReference(pdf::TPDFDocument& document, int page,
                                                           std::string* problem) {
  pdf::PageText text;
  try {
    pdf::TPDDocument* doc = document.Document();
    if (!doc) {
      Tell(problem, "");
      return std::nullopt;
    }
    text = pdf::ExtractPageText(*doc, page);
  } catch (const std::exception& e) {
    Tell(problem, e.what());
    return std::nullopt;
  }
  return FindGraticuleGeoReference(text, problem);
}

}  // namespace qp
