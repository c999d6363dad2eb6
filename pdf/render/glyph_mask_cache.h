#pragma once
// Coverage masks of glyphs at quarter-pixel positions. Cairo places each
// glyph mask at a whole pixel, which moves small glyphs by up to half a
// pixel and makes lines of text uneven; these masks are rendered with the
// glyph's origin moved by a fraction of a pixel and kept per glyph and
// fraction.

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace qp::pdf {

struct TGlyphMask {
  // The top-left pixel of the mask, from the pixel that holds the origin
  // (target pixels, y down).
  int left = 0, top = 0;
  int width = 0, height = 0;
  std::vector<uint8_t> coverage;  // width * height, rows top down
};

class TGlyphMaskCache {
 public:
  // Positions per pixel for glyphs of an em of `emPixels`, along the
  // baseline and across it: finer for small glyphs, where a part of a
  // pixel shows.
  static int PhasesAlong(double emPixels);
  static int PhasesAcross(double emPixels);

  // Positions are kept to a quarter of a pixel at most.
  static constexpr int kQuarters = 4;

  // The mask of `glyph` of `scaled` (a FreeType scaled font) with its
  // origin moved right by quartersX and down by quartersY quarters of a
  // pixel; nullptr when FreeType cannot render it as an outline.
  const TGlyphMask* Find(cairo_scaled_font_t* scaled, uint32_t glyph, int quartersX, int quartersY);

  size_t Bytes() const { return bytes_; }
  void Clear();

 private:
  // Null entries remember glyphs that could not be rendered.
  std::unordered_map<uint64_t, std::unique_ptr<TGlyphMask>> masks_;
  size_t bytes_ = 0;
};

}  // namespace qp::pdf
