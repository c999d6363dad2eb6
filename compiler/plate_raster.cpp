#include "compiler/plate_raster.h"

#include <cairo.h>

#include <cstring>
#include <string>

#include "compiler/plate_error.h"

namespace qp {

void PlateRaster::CheckSize(int64_t width, int64_t height) {
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
    throw PlateError("image size " + std::to_string(width) + " x " + std::to_string(height) +
                     " is outside 1 to " + std::to_string(kMaxSide) + " pixels per side");
  }
  if (width * height > kMaxPixels) {
    throw PlateError("image size " + std::to_string(width) + " x " + std::to_string(height) +
                     " is too large");
  }
}

PlateRaster::PlateRaster(int width, int height) {
  CheckSize(width, height);
  stride_ = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width);
  width_ = width;
  height_ = height;
  size_t bytes = size_t(stride_) * size_t(height);
  data_ = std::make_unique_for_overwrite<uint8_t[]>(bytes);
  std::memset(data_.get(), 0xFF, bytes);
}

}  // namespace qp
