#pragma once
// A one-page document around objects written by a test, and font creation
// from one of its objects.

#include <memory>
#include <string>

#include "pdf/core/pdf_document.h"
#include "pdf/core/pdf_font.h"
#include "tests/pdf/core/pdf_template_helpers.h"

namespace qp::pdf::testing {

// Objects 1 to 3 are the catalog, the page tree and the page; `objects` adds
// more, written with {{object N 0}} markers.
inline std::unique_ptr<TPDDocument> LoadFontDocument(const std::string& objects) {
  auto document = std::make_unique<TPDDocument>();
  document->LoadDocumentFromBytes(ExpandPdfTemplate(
      "%PDF-1.5\n{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
      "{{object 3 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >> endobj\n" +
      objects + "{{xref}}trailer << /Size 40 /Root 1 0 R >>\n{{startxref}}\n%%EOF\n"));
  return document;
}

inline TPDFontContext FontContext(TPDDocument& document) {
  return TPDFontContext{document.GetBaseDoc(), ""};
}

// The font made from object `number` of `document`.
inline std::unique_ptr<TPDFont> MakeFontFromObject(TPDDocument& document, uint32_t number,
                                                   const std::string& tag = "F1") {
  return TPDFont::MakeFont(FontContext(document), tag, document.GetBaseDoc()->GetObject(number));
}

// A font made from a font dictionary written as object 10 with `extra`
// objects beside it.
inline std::unique_ptr<TPDFont> MakeFontFromText(const std::string& fontDict,
                                                 const std::string& extra,
                                                 std::unique_ptr<TPDDocument>& document) {
  document = LoadFontDocument("{{object 10 0}} " + fontDict + " endobj\n" + extra);
  return MakeFontFromObject(*document, 10);
}

}  // namespace qp::pdf::testing
