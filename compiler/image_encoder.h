#pragma once
// The plate image encoder: cuts out the clip rectangle, maps every pixel to
// the plate palette and run-length encodes the rows into an image block
// (u16 width, u16 height, u32 data length, the rows) in the temporary file.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "compiler/geo_reference.h"
#include "compiler/plate_raster.h"

namespace qp {

// What the encoder leaves for the plate header and the corner recalculation.
struct EncodedImage {
  uint16_t RasterWidth = 0;  // raster size before clipping
  uint16_t RasterHeight = 0;
  uint16_t ImageWidth = 0;  // size of the encoded image
  uint16_t ImageHeight = 0;
  bool Clipped = false;  // the clip rectangle was valid and applied
  ClipRect Clip;         // the build clip rectangle as requested
  uint32_t DataLength = 0;
  std::string Note;  // what the renderer had to say about the page, if anything
};

// True when a clip rectangle applies to a raster of the given size: the flag
// is set, the rectangle is non-empty and lies inside the raster (the right
// column and bottom row excluded), and Left and Top are not negative.
bool ClipApplies(bool clip, const ClipRect& rect, int rasterWidth, int rasterHeight);

// Appends the encoded form of one row of indices to `out`.
void EncodeRow(std::span<const uint8_t> row, std::vector<uint8_t>& out);

// Palette indices of the width x height part of `raster` whose top-left pixel
// is (left, top), row-major, through the exact fast matcher.
std::vector<uint8_t> PalettiseRaster(const PlateRaster& raster, int left, int top, int width,
                                     int height);

// Writes an image block of the given indices to `path` (created or truncated)
// and returns its DataLength.
uint32_t WriteImageBlock(std::span<const uint8_t> indices, uint16_t width, uint16_t height,
                         const std::filesystem::path& path);

// Encodes the raster, clipped when the clip applies, into `tempFile`.
EncodedImage EncodePlateImage(const PlateRaster& raster, bool clip, const ClipRect& rect,
                              const std::filesystem::path& tempFile);

// The temporary image file inside a Temp folder: "EXP.TMP".
std::filesystem::path TempImagePath(const std::filesystem::path& tempFolder);
// The temporary image file of one build: "EXP" and the process number, so
// that no two programs building at once share one.
std::filesystem::path BuildTempImagePath(const std::filesystem::path& tempFolder);

}  // namespace qp
