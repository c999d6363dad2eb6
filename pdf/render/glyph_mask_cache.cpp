#include "pdf/render/glyph_mask_cache.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cstring>

namespace qp::pdf {

namespace {

// A glyph larger than this many pixels per side is not kept.
constexpr int kMaxMaskSide = 1024;

// Renders `glyph` with the face set to the scaled font's size and shape.
std::unique_ptr<TGlyphMask> Render(FT_Face face, uint32_t glyph, double dx, double dy) {
  if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | FT_LOAD_NO_AUTOHINT) !=
      0) {
    return nullptr;
  }
  FT_GlyphSlot slot = face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return nullptr;
  // FreeType's y runs up, the target's down.
  FT_Outline_Translate(&slot->outline, static_cast<FT_Pos>(dx * 64), static_cast<FT_Pos>(-dy * 64));
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return nullptr;
  const FT_Bitmap& bitmap = slot->bitmap;
  if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.num_grays != 256) return nullptr;
  auto mask = std::make_unique<TGlyphMask>();
  mask->width = static_cast<int>(bitmap.width);
  mask->height = static_cast<int>(bitmap.rows);
  if (mask->width > kMaxMaskSide || mask->height > kMaxMaskSide) return nullptr;
  mask->left = slot->bitmap_left;
  mask->top = -slot->bitmap_top;
  mask->coverage.resize(static_cast<size_t>(mask->width) * static_cast<size_t>(mask->height));
  if (mask->coverage.empty()) return mask;  // a glyph of no pixels: nothing to copy
  for (int row = 0; row < mask->height; ++row) {
    const unsigned char* from = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
    std::memcpy(mask->coverage.data() + static_cast<size_t>(row) * static_cast<size_t>(mask->width),
                from, static_cast<size_t>(mask->width));
  }
  return mask;
}

}  // namespace

int TGlyphMaskCache::PhasesAlong(double emPixels) {
  if (emPixels < 24) return 4;
  if (emPixels < 48) return 2;
  return 1;
}

int TGlyphMaskCache::PhasesAcross(double emPixels) {
  return emPixels < 8 ? 2 : 1;
}

const TGlyphMask* TGlyphMaskCache::Find(cairo_scaled_font_t* scaled, uint32_t glyph, int quartersX,
                                        int quartersY) {
  const uint64_t key = (uint64_t{glyph} << 8) | (static_cast<uint64_t>(quartersY) << 4) |
                       static_cast<uint64_t>(quartersX);
  auto found = masks_.find(key);
  if (found != masks_.end()) return found->second.get();
  FT_Face face = cairo_ft_scaled_font_lock_face(scaled);
  std::unique_ptr<TGlyphMask> mask;
  if (face) {
    mask = Render(face, glyph, static_cast<double>(quartersX) / kQuarters,
                  static_cast<double>(quartersY) / kQuarters);
    cairo_ft_scaled_font_unlock_face(scaled);
  }
  if (mask) bytes_ += mask->coverage.size() + sizeof(TGlyphMask);
  return masks_.emplace(key, std::move(mask)).first->second.get();
}

void TGlyphMaskCache::Clear() {
  masks_.clear();
  bytes_ = 0;
}

}  // namespace qp::pdf
