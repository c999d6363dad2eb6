#include "pdf/render/path_mask.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>

namespace qp::pdf {

namespace {

// FreeType libraries are not shared between threads: each thread that fills
// paths has its own.
FT_Library ThreadLibrary() {
  struct Holder {
    FT_Library library = nullptr;
    Holder() {
      if (FT_Init_FreeType(&library) != 0) library = nullptr;
    }
    ~Holder() {
      if (library) FT_Done_FreeType(library);
    }
  };
  thread_local Holder holder;
  return holder.library;
}

}  // namespace

void TPathMask::Reset() {
  points_.clear();
  tags_.clear();
  contour_ends_.clear();
}

void TPathMask::Add(double x, double y, char tag) {
  if (points_.empty()) {
    left_ = right_ = x;
    top_ = bottom_ = y;
  } else {
    left_ = std::min(left_, x), right_ = std::max(right_, x);
    top_ = std::min(top_, y), bottom_ = std::max(bottom_, y);
  }
  points_.push_back({x, y});
  tags_.push_back(tag);
  if (!contour_ends_.empty()) contour_ends_.back() = static_cast<short>(points_.size() - 1);
}

void TPathMask::MoveTo(double x, double y) {
  contour_ends_.push_back(0);
  Add(x, y, FT_CURVE_TAG_ON);
}

void TPathMask::LineTo(double x, double y) {
  if (contour_ends_.empty()) MoveTo(x, y);
  Add(x, y, FT_CURVE_TAG_ON);
}

void TPathMask::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
  if (contour_ends_.empty()) MoveTo(x1, y1);
  Add(x1, y1, FT_CURVE_TAG_CUBIC);
  Add(x2, y2, FT_CURVE_TAG_CUBIC);
  Add(x3, y3, FT_CURVE_TAG_ON);
}

cairo_surface_t* TPathMask::Render(int x0, int y0, int x1, int y1, bool evenOdd) {
  if (points_.empty() || points_.size() > kMaxPoints || x1 <= x0 || y1 <= y0) return nullptr;
  if (left_ < x0 - kMaxReach || right_ > x1 + kMaxReach || top_ < y0 - kMaxReach ||
      bottom_ > y1 + kMaxReach) {
    return nullptr;
  }
  FT_Library library = ThreadLibrary();
  if (!library) return nullptr;
  // 26.6 fixed point with y up from the box's bottom edge, as FreeType's
  // bitmaps count rows.
  vectors_.resize(points_.size());
  for (size_t i = 0; i < points_.size(); ++i) {
    vectors_[i].x = std::lrint((points_[i].x - x0) * 64);
    vectors_[i].y = std::lrint((y1 - points_[i].y) * 64);
  }
  FT_Outline outline{};
  outline.n_points = static_cast<short>(points_.size());
  outline.n_contours = static_cast<short>(contour_ends_.size());
  outline.points = vectors_.data();
  outline.tags = tags_.data();
  outline.contours = contour_ends_.data();
  outline.flags = evenOdd ? FT_OUTLINE_EVEN_ODD_FILL : FT_OUTLINE_NONE;

  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, x1 - x0, y1 - y0);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  cairo_surface_flush(surface);
  FT_Bitmap bitmap{};
  bitmap.rows = static_cast<unsigned>(y1 - y0);
  bitmap.width = static_cast<unsigned>(x1 - x0);
  bitmap.pitch = cairo_image_surface_get_stride(surface);
  bitmap.buffer = cairo_image_surface_get_data(surface);
  bitmap.num_grays = 256;
  bitmap.pixel_mode = FT_PIXEL_MODE_GRAY;
  FT_Raster_Params params{};
  params.target = &bitmap;
  params.flags = FT_RASTER_FLAG_AA;
  if (FT_Outline_Render(library, &outline, &params) != 0) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  cairo_surface_mark_dirty(surface);
  return surface;
}

namespace {

// Each of the two bytes of `lanes` (bits 0-7 and 16-23) times a / 255,
// rounded as pixman does.
inline uint32_t MultiplyLanes(uint32_t lanes, uint32_t a) {
  const uint32_t t = lanes * a + 0x00800080u;
  return ((((t >> 8) & 0x00FF00FFu) + t) >> 8) & 0x00FF00FFu;
}

// The two lanes added, each held at 255.
inline uint32_t AddLanes(uint32_t x, uint32_t y) {
  uint32_t t = x + y;
  t |= 0x10000100u - ((t >> 8) & 0x00FF00FFu);
  return t & 0x00FF00FFu;
}

}  // namespace

void TPathMask::Blend(cairo_surface_t* target, cairo_surface_t* mask, int x, int y, const Box& box,
                      uint32_t argb) {
  // Within the box, the mask and the target.
  const int left = std::max({box.x0, x, 0}), top = std::max({box.y0, y, 0});
  const int right = std::min(
      {box.x1, x + cairo_image_surface_get_width(mask), cairo_image_surface_get_width(target)});
  const int bottom = std::min(
      {box.y1, y + cairo_image_surface_get_height(mask), cairo_image_surface_get_height(target)});
  if (right <= left || bottom <= top) return;
  uint8_t* pixels = cairo_image_surface_get_data(target);
  const int stride = cairo_image_surface_get_stride(target);
  const uint8_t* coverage = cairo_image_surface_get_data(mask);
  const int maskStride = cairo_image_surface_get_stride(mask);
  const uint32_t colour = argb | 0xFF000000u;
  const uint32_t colourRB = colour & 0x00FF00FFu, colourAG = (colour >> 8) & 0x00FF00FFu;
  for (int row = top; row < bottom; ++row) {
    auto* out = reinterpret_cast<uint32_t*>(pixels + static_cast<ptrdiff_t>(row) * stride);
    const uint8_t* m = coverage + static_cast<ptrdiff_t>(row - y) * maskStride - x;
    for (int col = left; col < right; ++col) {
      const uint32_t a = m[col];
      if (a == 0) continue;
      if (a == 255) {
        out[col] = colour;
        continue;
      }
      // colour * a + pixel * (255 - a), channel by channel, in two lanes at
      // a time.
      const uint32_t d = out[col];
      const uint32_t rb =
          AddLanes(MultiplyLanes(colourRB, a), MultiplyLanes(d & 0x00FF00FFu, 255 - a));
      const uint32_t ag =
          AddLanes(MultiplyLanes(colourAG, a), MultiplyLanes((d >> 8) & 0x00FF00FFu, 255 - a));
      out[col] = rb | (ag << 8);
    }
  }
}

}  // namespace qp::pdf
