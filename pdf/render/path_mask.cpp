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

}  // namespace qp::pdf
