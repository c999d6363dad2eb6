#pragma once
// PDF sources: one page of a PDF file rendered at the plate's target width,
// turned as the plate asks, for the editor's preview and for a build.

#include <cstdint>
#include <filesystem>
#include <functional>

#include "compiler/geo_reference.h"
#include "compiler/image_encoder.h"
#include "compiler/plate_raster.h"
#include "pdf/core/pdf_facade.h"

namespace qp {

// Raster size and turn for one page, from its size in pixels (already
// exchanged for a page turned by 90 or 270 degrees) and its own rotation.
struct PdfPageLayout {
  int64_t Width = 0;   // T
  int64_t Height = 0;  // TH
  bool Turn = false;   // false: the page's rotation is left as it is
  pdf::TRotationAngle Angle = pdf::ra0;
};

// T is `targetWidth`, or the page's own width rounded when that is 0. TH
// follows the page's proportions, exchanged when `rotate` is 1 or 2 (a
// quarter turn). The angle turns the page as `rotate` asks, counting the
// page's own rotation of 90 or 270 degrees. Throws PlateError naming
// `source` and the page when the page has no width or height, or when the
// raster would be larger than a plate can be.
PdfPageLayout LayoutPdfPage(const pdf::TPageSize& size, int32_t pageRotation, int targetWidth,
                            int rotate, const std::filesystem::path& source, int page);

// The page's rotation in degrees once the layout has turned it: what
// PreparePdfPage gives the page in the loaded copy.
int32_t PageRotationAfter(const PdfPageLayout& layout, int32_t pageRotation);

// Loads `source` into `document`. Throws PlateError naming the file when it
// does not load, also for an encrypted file whose password is not known.
void LoadPdfSource(pdf::TPDFDocument& document, const std::filesystem::path& source);

// The note of a plate whose page ran out of time, or out of decoded data,
// while it was drawn.
inline constexpr char kDrawingStoppedNote[] =
    "drawing stopped at a page limit (10 seconds, or 1 GiB of decoded data); the plate shows "
    "the page as far as it got";

// Measures page `page` of the loaded document, lays it out and turns it in
// the loaded copy. Facade errors propagate unchanged.
PdfPageLayout PreparePdfPage(pdf::TPDFDocument& document, int page, int targetWidth, int rotate,
                             const std::filesystem::path& source);

struct PreviewPdfResult {
  PlateRaster image;  // T x TH, the page drawn as the build would (before clip enlargement)
  uint16_t PreviewWidth = 0;
  uint16_t PreviewHeight = 0;
  int PreviewPageCount = 0;
};

// Loads `source` into `document` (an unchanged file loaded last keeps its
// document and resource cache), calls `onPageCount(PageCount)` right
// after loading (before the page is measured, so the editor can lower its
// page selector even when the page then fails), then sizes, turns and renders
// page `page` as RasterisePdfPlate does, without the clip enlargement.
// `targetWidth` 0 means the page's own width. Throws PlateError naming the
// file ("Invalid page number (%d)" from the facade for a page above the
// count).
PreviewPdfResult PreviewPdfPage(pdf::TPDFDocument& document, const std::filesystem::path& source,
                                int page, int targetWidth, int rotate,
                                const std::function<void(int pageCount)>& onPageCount = {});

// Renders the page as PreviewPdfPage does, enlarged so that a clip rectangle
// taken in preview pixels comes out at the preview's size, and encodes it
// into the temporary image file `tempFile`. The result carries the build clip
// rectangle in pixels of the enlarged raster.
EncodedImage RasterisePdfPlate(pdf::TPDFDocument& document, const std::filesystem::path& source,
                               int page, int targetWidth, int rotate, bool clip,
                               const ClipRect& rect, const std::filesystem::path& tempFile);

}  // namespace qp
