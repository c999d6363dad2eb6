#pragma once
// Picture sources (BMP and JPEG files): loading for the editor's preview and
// rasterising for a build, at the picture's own size and unturned.

#include <cstdint>
#include <filesystem>

#include "compiler/geo_reference.h"
#include "compiler/image_encoder.h"
#include "compiler/plate_raster.h"

namespace qp {

enum class SourceKind { Pdf, Bmp, Jpeg, Unsupported };

// By the extension of the file name, from its last "." on, in any case.
SourceKind SourceKindOf(const std::filesystem::path& source);

// Decodes a BMP or JPEG file. Throws PlateError naming the file and the
// problem: missing, unreadable, truncated, corrupt or of another type.
PlateRaster LoadPicture(const std::filesystem::path& source);

struct PreviewPictureResult {
  PlateRaster image;
  uint16_t PreviewWidth = 0;
  uint16_t PreviewHeight = 0;
  int PreviewPageCount = 1;
};

PreviewPictureResult PreviewPicture(const std::filesystem::path& source);

// Decodes the picture and encodes it into the temporary image file `tempFile`,
// clipped to (ClipX1, ClipY1)-(ClipX2, ClipY2) when `clip` is set and the
// rectangle applies. The result carries the build clip rectangle.
EncodedImage RasterisePicturePlate(const std::filesystem::path& source, bool clip,
                                   const ClipRect& rect, const std::filesystem::path& tempFile);

}  // namespace qp
