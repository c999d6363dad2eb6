#pragma once
// A device that paints nothing: it records what a page shows as text (each
// glyph's Unicode value, origin and box) and its straight line segments
// (stroked, or thin filled rectangles), all in the page's default user space (PDF points before the
// page's /Rotate). Text extraction and the graticule finder read pages
// through it.

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "pdf/render/pdf_export_device.h"

namespace qp::pdf {

// The value given to a glyph whose font tells no Unicode value.
inline constexpr char32_t kUnknownGlyph = U'\uFFFD';

struct TextGlyph {
  char32_t Unicode = kUnknownGlyph;
  double X = 0, Y = 0;                    // origin on the baseline
  double DirX = 1, DirY = 0;              // unit vector along the baseline
  double Size = 0;                        // the font size on the page (em height)
  double Advance = 0;                     // along the baseline, to the next glyph
  double X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;  // box, from descent to ascent
};

struct LineSegment {
  double X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
};

class TPDTextDevice final : public TPDExportDevice {
 public:
  // What one page may record; the rest is dropped (a page of a million
  // glyphs is no chart).
  static constexpr size_t kMaxGlyphs = 1'000'000;
  static constexpr size_t kMaxSegments = 2'000'000;

  void StartPage(int nPage, const TPDState& state) override;
  // Filled rectangles no wider than this (points) count as lines.
  static constexpr double kThinRule = 1.0;

  void Stroke(const TPDState& state) override;
  void Fill(const TPDState& state) override;
  void EvenOddFill(const TPDState& state) override { Fill(state); }
  void DrawFormXObject(const TPDState& state, const TPDForm& form) override;
  void DrawChar(const TPDState& state, double x, double y, double dx, double dy, uint16_t code,
                std::string_view charName, uint32_t rawCode) override;
  void Type3Char(const TPDState& state, double x, double y, double dx, double dy, uint16_t code,
                 std::string_view charName, uint32_t rawCode) override {
    DrawChar(state, x, y, dx, dy, code, charName, rawCode);
  }
  // Type 3 glyph procedures are not run: their drawings are no text.
  bool BeginType3Char(const TPDState& /*state*/) override { return false; }

  const std::vector<TextGlyph>& Glyphs() const { return glyphs_; }
  const std::vector<LineSegment>& Segments() const { return segments_; }
  std::vector<TextGlyph> TakeGlyphs() { return std::move(glyphs_); }
  std::vector<LineSegment> TakeSegments() { return std::move(segments_); }
  // Page space to the displayed page in points, y down (the page's /Rotate
  // and box origin applied).
  const TPDMatrix& PageToDisplay() const { return page_to_display_; }

 private:
  void AddSegment(const TPDMatrix& m, double x0, double y0, double x1, double y1);
  char32_t UnicodeOf(const std::shared_ptr<TPDFont>& font, uint16_t code, std::string_view charName,
                     uint32_t rawCode);
  // User space of `state` to page space.
  TPDMatrix UserToPage(const TPDState& state) const;

  TPDMatrix device_to_page_;
  TPDMatrix page_to_display_;
  std::vector<TextGlyph> glyphs_;
  std::vector<LineSegment> segments_;
  // Unicode values already found, by font and code; the font is kept alive
  // so that its address names no other font later.
  struct KnownFont {
    std::shared_ptr<TPDFont> font;
    std::unordered_map<uint32_t, char32_t> codes;
  };
  std::unordered_map<const TPDFont*, KnownFont> unicode_cache_;
};

}  // namespace qp::pdf
