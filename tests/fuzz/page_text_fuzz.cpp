// Loads a document from arbitrary bytes and reads the text of every page
// found: glyphs, line segments, lines in reading order, and the graticule
// geo-reference over them, whatever the content.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "compiler/graticule_georef.h"
#include "pdf/core/pdf_document.h"
#include "pdf/core/pdf_errors.h"
#include "pdf/render/pdf_text_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qp::pdf;
  TPDDocument document;
  try {
    document.LoadDocumentFromBytes(std::string(reinterpret_cast<const char*>(data), size), true);
  } catch (const EPDFEngineError&) {
    return 0;
  }
  document.GetPageCount();
  const size_t found = document.GetPageTree()->FoundPages();
  for (size_t page = 1; page <= found && page <= 8; ++page) {
    try {
      const PageText text = ExtractPageText(document, static_cast<int>(page));
      for (const TextLine& line : text.Lines) {
        if (line.Text.size() != line.Glyphs.size()) __builtin_trap();
        ToUtf8(line.Text);
      }
      std::string problem;
      qp::FindGraticuleGeoReference(text, &problem);
    } catch (const std::exception&) {
      // A page the tree cannot give ends its own reading.
    }
  }
  return 0;
}
