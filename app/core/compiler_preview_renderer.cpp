#include "app/core/compiler_preview_renderer.h"

#include <utility>

#include "compiler/chart_georef.h"
#include "compiler/pdf_source.h"
#include "compiler/picture_source.h"

namespace qp::app {

PreviewRaster CompilerPreviewRenderer::RenderPdfPage(
    const std::string& path, int page, int targetWidth, int rotate,
    const std::function<void(int pageCount)>& onPageCount) {
  PreviewPdfResult result = PreviewPdfPage(document_, path, page, targetWidth, rotate, onPageCount);
  return {std::move(result.image), result.PreviewWidth, result.PreviewHeight,
          result.PreviewPageCount};
}

PreviewRaster CompilerPreviewRenderer::LoadPicture(const std::string& path) {
  PreviewPictureResult result = PreviewPicture(path);
  return {std::move(result.image), result.PreviewWidth, result.PreviewHeight,
          result.PreviewPageCount};
}

std::optional<PlateGeoResult> CompilerPreviewRenderer::GeoReferencePdfPage(const PlateRecord& plate,
                                                                           std::string* problem) {
  return GeoReferencePlate(document_, plate, FindChartGeoReference, problem);
}

}  // namespace qp::app
