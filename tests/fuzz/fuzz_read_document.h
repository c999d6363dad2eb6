#pragma once
// Loads a document from bytes with repair, as the facade loads, and reads
// what the compiler and the renderer read: the page count and, for every
// page found, its boxes, rotation, resources and contents (each content
// stream decoded). Shared by the document-load fuzz targets.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "pdf/core/pdf_document.h"
#include "pdf/core/pdf_errors.h"

namespace qp::fuzz {

inline void LoadAndReadPages(std::string bytes) {
  using namespace qp::pdf;
  TPDDocument document;
  try {
    // With repair, as the facade loads: damaged tables are the common input.
    document.LoadDocumentFromBytes(std::move(bytes), true);
  } catch (const EPDFEngineError&) {
    return;
  }
  document.GetPageCount();
  TPDPageTree& tree = *document.GetPageTree();
  const size_t found = tree.FoundPages();
  uint8_t buffer[4096];
  for (size_t index = 1; index <= found; ++index) {
    TPDPage* page = tree.GetPage(static_cast<int64_t>(index));
    if (page == nullptr) continue;
    try {
      page->GetPageSize();
      page->Bleedbox();
      page->TrimBox();
      page->Rotate();
    } catch (const ExBadPage&) {
    }
    page->Resource();
    if (TPDContents* contents = page->Contents()) {
      for (size_t i = 0; i < contents->StreamCount(); ++i) {
        TPDStream* stream = contents->GetStream(i);
        try {
          stream->Reset();
          // Decode at most 1 MiB per stream: bombs are the decoders' own fuzz.
          for (int block = 0; block < 256 && stream->Read(buffer, sizeof(buffer)) > 0; ++block) {
          }
        } catch (const EPDFEngineError&) {
        }
      }
    }
  }
}

}  // namespace qp::fuzz
