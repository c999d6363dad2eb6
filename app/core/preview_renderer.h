#pragma once
// What the plate editor's preview asks of the compiler: a PDF page rendered
// at the plate's target width and rotation, or a picture at its own size,
// and the geo-reference a chart carries.
// The application uses the compiler's preview operations; tests fake them.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "compiler/plate_georef.h"
#include "compiler/plate_raster.h"

namespace qp::app {

struct PreviewRaster {
  PlateRaster image;
  int width = 0;  // PreviewWidth, PreviewHeight
  int height = 0;
  int page_count = 1;  // PreviewPageCount
};

class PreviewRenderer {
 public:
  virtual ~PreviewRenderer() = default;

  // Loads the PDF file, calls `onPageCount` with its page count, then
  // renders `page`. Throws the PDF layer's error when the file cannot be
  // opened or the page cannot be rendered (also for a page above the count).
  virtual PreviewRaster RenderPdfPage(const std::string& path, int page, int targetWidth,
                                      int rotate,
                                      const std::function<void(int pageCount)>& onPageCount) = 0;
  // Decodes a BMP or JPEG file; throws when it cannot.
  virtual PreviewRaster LoadPicture(const std::string& path) = 0;
  // Reads the geo-reference that the chart of a PDF plate carries or prints
  // and gives the plate's corners; nothing, with `problem` set, when there
  // is none. Throws when the file cannot be opened.
  virtual std::optional<PlateGeoResult> GeoReferencePdfPage(const PlateRecord& plate,
                                                            std::string* problem) = 0;
};

}  // namespace qp::app
