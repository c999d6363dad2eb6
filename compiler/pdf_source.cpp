#include "compiler/pdf_source.h"

#include <cmath>
#include <exception>
#include <string>

#include "compiler/plate_error.h"
#include "compiler/raster_geometry.h"
#include "pdf/core/pdf_errors.h"
#include "pdf/render/render_to_dc.h"

namespace qp {

namespace {

// Rotation choices after a page's own quarter turn: the page already stands
// on its side, so each choice turns it a quarter less to the right.
constexpr int kChoiceOnTurnedPage[] = {1, 3, 0, 2};
constexpr pdf::TRotationAngle kAngleOfChoice[] = {pdf::ra0, pdf::raACW90, pdf::raCW90,
                                                  pdf::raCW180};

[[noreturn]] void ThrowForPage(const std::filesystem::path& source, int page,
                               const std::string& problem) {
  throw PlateError(source.string() + ", page " + std::to_string(page) + ": " + problem);
}

// Runs `step`, giving any failure that does not yet name the file the file's name.
template <typename Step>
auto NamingFile(const std::filesystem::path& source, Step&& step) -> decltype(step()) {
  try {
    return step();
  } catch (const PlateError&) {
    throw;
  } catch (const std::exception& e) {
    throw PlateError(source.string() + ": " + e.what());
  }
}

PlateRaster NewRaster(int64_t width, int64_t height, const std::filesystem::path& source,
                      int page) {
  try {
    PlateRaster::CheckSize(width, height);
  } catch (const PlateError& e) {
    ThrowForPage(source, page, e.what());
  }
  return PlateRaster(static_cast<int>(width), static_cast<int>(height));
}

// False when the page ran out of time and was drawn only in part. Plates
// keep a few grey levels of the palette, so paths are anti-aliased with the
// coarser, faster 4 x 4 samples per pixel.
bool RenderPage(pdf::TPDFDocument& document, PlateRaster& raster, int page,
                const std::filesystem::path& source, double yStretch = 1.0) {
  if (!document.IsLoaded()) return true;
  document.SetFastAntiAliasing(true);
  document.SetTargetsWhite(true);  // a new raster is white
  return NamingFile(source, [&] {
    return pdf::RenderToDC(
        document, raster.Data(), raster.Stride(), static_cast<uint32_t>(raster.Width()),
        static_cast<uint32_t>(raster.Height()), page, 72.0, 72.0, 0, true, false, yStretch);
  });
}

}  // namespace

PdfPageLayout LayoutPdfPage(const pdf::TPageSize& size, int32_t pageRotation, int targetWidth,
                            int rotate, const std::filesystem::path& source, int page) {
  const double w = size.Width, h = size.Height;
  if (!(std::isfinite(w) && std::isfinite(h) && w > 0 && h > 0)) {
    ThrowForPage(source, page, "the page has a width or height of 0");
  }
  PdfPageLayout layout;
  if (rotate >= 0 && rotate <= 3) {
    // A rotation stated as -90 or 450 stands the page on its side as 270 or
    // 90 do (its size comes exchanged): it takes the same choices.
    const int64_t own = ((int64_t{pageRotation} % 360) + 360) % 360;
    const int choice = own == 90 || own == 270 ? kChoiceOnTurnedPage[rotate] : rotate;
    layout.Turn = true;
    layout.Angle = kAngleOfChoice[choice];
  }
  const double t = targetWidth == 0 ? RoundHalfEven(w) : static_cast<double>(targetWidth);
  const bool quarterTurn = rotate == 1 || rotate == 2;
  const double th = quarterTurn ? RoundHalfEven(t * (w / h)) : RoundHalfEven(h * (t / w));
  // Bounds before the conversion to integers: a huge page or a sliver would
  // otherwise overflow.
  const double limit = PlateRaster::kMaxSide;
  if (!(t >= 1 && t <= limit && th >= 1 && th <= limit)) {
    ThrowForPage(source, page,
                 "the page cannot be drawn at " + std::to_string(std::llround(std::fmin(t, 1e9))) +
                     " x " + std::to_string(std::llround(std::fmin(th, 1e9))) + " pixels");
  }
  layout.Width = static_cast<int64_t>(t);
  layout.Height = static_cast<int64_t>(th);
  return layout;
}

int32_t PageRotationAfter(const PdfPageLayout& layout, int32_t pageRotation) {
  if (!layout.Turn) return pageRotation;
  switch (layout.Angle) {
    case pdf::raCW90:
    case pdf::raACW270:
      return 90;
    case pdf::raCW180:
    case pdf::raACW180:
      return 180;
    case pdf::raCW270:
    case pdf::raACW90:
      return 270;
    case pdf::ra0:
      break;
  }
  return 0;
}

void LoadPdfSource(pdf::TPDFDocument& document, const std::filesystem::path& source) {
  NamingFile(source, [&] {
    // Without its password an encrypted file loads nothing; measuring the
    // empty document would give a page of no size, so say what is wrong.
    if (!document.LoadFromFile(source.string())) throw pdf::ExPasswordRequired();
  });
}

PdfPageLayout PreparePdfPage(pdf::TPDFDocument& document, int page, int targetWidth, int rotate,
                             const std::filesystem::path& source) {
  const pdf::TPageSize size = document.GetPageSize(page, pdf::muPixels);
  const int32_t pageRotation = document.GetPageRotate(page);
  const PdfPageLayout layout = LayoutPdfPage(size, pageRotation, targetWidth, rotate, source, page);
  if (layout.Turn) document.RotatePages(std::to_string(page), layout.Angle);
  return layout;
}

PreviewPdfResult PreviewPdfPage(pdf::TPDFDocument& document, const std::filesystem::path& source,
                                int page, int targetWidth, int rotate,
                                const std::function<void(int pageCount)>& onPageCount) {
  LoadPdfSource(document, source);
  PreviewPdfResult result;
  result.PreviewPageCount = document.GetPageCount();
  if (onPageCount) onPageCount(result.PreviewPageCount);
  const PdfPageLayout layout = NamingFile(
      source, [&] { return PreparePdfPage(document, page, targetWidth, rotate, source); });
  result.image = NewRaster(layout.Width, layout.Height, source, page);
  result.PreviewWidth = static_cast<uint16_t>(layout.Width);
  result.PreviewHeight = static_cast<uint16_t>(layout.Height);
  RenderPage(document, result.image, page, source);
  return result;
}

EncodedImage RasterisePdfPlate(pdf::TPDFDocument& document, const std::filesystem::path& source,
                               int page, int targetWidth, int rotate, bool clip,
                               const ClipRect& rect, const std::filesystem::path& tempFile) {
  LoadPdfSource(document, source);
  const PdfPageLayout layout = NamingFile(
      source, [&] { return PreparePdfPage(document, page, targetWidth, rotate, source); });
  const ClipEnlargement enlarged = EnlargeForClip(layout.Width, layout.Height, clip, rect);
  PlateRaster raster = NewRaster(enlarged.Width, enlarged.Height, source, page);
  const bool complete = RenderPage(document, raster, page, source, enlarged.YStretch);
  EncodedImage image = EncodePlateImage(raster, clip, enlarged.Clip, tempFile);
  if (!complete) image.Note = kDrawingStoppedNote;
  return image;
}

}  // namespace qp
