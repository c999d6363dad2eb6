#pragma once
// JPEG decoding at full size through libjpeg: grayscale, RGB/YCbCr and
// CMYK/YCCK (Adobe files store CMYK inverted).

#include <cstdint>
#include <span>

#include "compiler/plate_raster.h"

namespace qp {

// Decodes a JPEG file held in memory. Throws PlateError with the problem (no
// file name) for a truncated, corrupt or unsupported file, or for an image of
// more than `maxPixels` pixels.
PlateRaster DecodeJpeg(std::span<const uint8_t> bytes, int64_t maxPixels = PlateRaster::kMaxPixels);

}  // namespace qp
