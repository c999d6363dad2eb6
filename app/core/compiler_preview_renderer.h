#pragma once
// The preview renderer of the application: the compiler's preview
// operations over the one PDF document object of the program.

#include "app/core/preview_renderer.h"
#include "pdf/core/pdf_facade.h"

namespace qp::app {

class CompilerPreviewRenderer : public PreviewRenderer {
 public:
  // `document` must outlive the renderer; each preview loads into it (a file
  // unchanged since the last preview keeps its document and resource cache).
  explicit CompilerPreviewRenderer(pdf::TPDFDocument& document) : document_(document) {}

  PreviewRaster RenderPdfPage(const std::string& path, int page, int targetWidth, int rotate,
                              const std::function<void(int pageCount)>& onPageCount) override;
  PreviewRaster LoadPicture(const std::string& path) override;
  std::optional<PlateGeoResult> GeoReferencePdfPage(const PlateRecord& plate,
                                                    std::string* problem) override;

 private:
  pdf::TPDFDocument& document_;
};

}  // namespace qp::app
