// Loads a document from arbitrary bytes and renders every page found at a
// small width: the interpreter and the raster device must complete every
// page whatever the content.
#include <cairo.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "pdf/core/pdf_document.h"
#include "pdf/core/pdf_errors.h"
#include "pdf/render/pdf_render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qp::pdf;
  TPDDocument document;
  try {
    // With repair, as the facade loads: damaged tables are the common input.
    document.LoadDocumentFromBytes(std::string(reinterpret_cast<const char*>(data), size), true);
  } catch (const EPDFEngineError&) {
    return 0;
  }
  document.GetPageCount();
  const size_t found = document.GetPageTree()->FoundPages();
  constexpr int kWidth = 48, kHeight = 64;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  for (size_t page = 1; page <= found && page <= 8; ++page) {
    try {
      RenderToCanvas(document, cr, static_cast<int>(page), kWidth, kHeight, 72, 72, 0, true, false);
    } catch (const std::exception&) {
      // Bad pages (a non-integer /Rotate, a page the tree cannot give) end
      // their own rendering.
    }
    // Cairo must never be left in an error state by a page.
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) __builtin_trap();
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return 0;
}
