#pragma once
// A cairo font face over the font program of a text face. Small glyphs are
// shown through it as masks rendered once per size and kept, which is far
// cheaper than filling every outline again.

#include <cairo.h>

#include <memory>

#include "pdf/render/text_font_select.h"

namespace qp::pdf {

// A scaled font owned by the caller (cairo reference counting).
struct ScaledFontDeleter {
  void operator()(cairo_scaled_font_t* font) const { cairo_scaled_font_destroy(font); }
};
using TScaledFontPtr = std::unique_ptr<cairo_scaled_font_t, ScaledFontDeleter>;

struct FontFaceDeleter {
  void operator()(cairo_font_face_t* face) const { cairo_font_face_destroy(face); }
};
using TFontFacePtr = std::unique_ptr<cairo_font_face_t, FontFaceDeleter>;

// A face over a private FreeType face of the same program (the embedded
// bytes, copied, or the installed file), unhinted; nullptr when it cannot
// be made. The FreeType face lives as long as cairo keeps the face.
TFontFacePtr CreateCairoGlyphFace(TPDFont& font, const TTextFace& face);

}  // namespace qp::pdf
