#pragma once
// A BMP decoder for every variant Windows programs read: core and info
// headers (V3 to V5), 1, 4, 8, 16, 24 and 32 bits per pixel, RLE4, RLE8 and
// BITFIELDS, bottom-up and top-down rows.

#include <cstdint>
#include <span>

#include "compiler/plate_raster.h"

namespace qp {

// Decodes a BMP file held in memory. Throws PlateError with the problem
// (no file name) for a truncated, corrupt or unsupported file, or for an
// image of more than `maxPixels` pixels.
PlateRaster DecodeBmp(std::span<const uint8_t> bytes, int64_t maxPixels = PlateRaster::kMaxPixels);

}  // namespace qp
