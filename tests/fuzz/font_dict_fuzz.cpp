// Builds a small document around fuzzed objects (written with the {{object
// N 0}} and {{streamlen}} markers of the test template), makes a font from
// every dictionary among objects 4 to 40, and reads the shown text that
// follows the "%%TEXT" line through GetNextChar and GetCharWidth.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/core/pdf_document.h"
#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_font.h"
#include "pdf/core/pdf_font_cache.h"
#include "tests/pdf/core/pdf_template_helpers.h"

namespace {

void ReadText(qp::pdf::TPDFont& font, std::string_view text) {
  qp::pdf::TPDCharInfo info;
  size_t index = 1;
  for (int steps = 0; index <= text.size() && steps < 100000; ++steps) {
    font.GetNextChar(text, index, info);
    if (info.Processed < 1) break;
    index += static_cast<size_t>(info.Processed);
  }
  for (unsigned code = 0; code < 300; ++code) font.GetCharWidth(static_cast<uint16_t>(code));
  font.GetCharWidth(0xFFFF);
}

// The template writes an xref entry for every number up to the highest
// object: keep object numbers small so the harness itself stays cheap.
bool ObjectNumbersSmall(std::string_view objects) {
  // Read each tag as the template does ("object-10 0" scans as a huge
  // unsigned number), so that no table of billions of rows gets written.
  for (size_t open = objects.find("{{"); open != std::string_view::npos;
       open = objects.find("{{", open + 2)) {
    const size_t close = objects.find("}}", open);
    if (close == std::string_view::npos) return true;
    const std::string tag(objects.substr(open + 2, close - open - 2));
    unsigned number = 0;
    unsigned generation = 0;
    if (std::sscanf(tag.c_str(), "object %u %u", &number, &generation) == 2 && number > 40) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qp::pdf;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find("\n%%TEXT\n");
  const std::string objects(input.substr(0, split));
  const std::string_view text =
      split == std::string_view::npos ? std::string_view() : input.substr(split + 8);

  if (!ObjectNumbersSmall(objects)) return 0;
  TPDDocument document;
  try {
    document.LoadDocumentFromBytes(qp::pdf::testing::ExpandPdfTemplate(
        "%PDF-1.5\n{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
        "{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
        "{{object 3 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 9 9] >> endobj\n" +
        objects + "\n{{xref}}trailer << /Size 41 /Root 1 0 R >>\n{{startxref}}\n%%EOF\n"));
  } catch (const std::exception&) {
    return 0;
  }
  TPDBaseDoc* base = document.GetBaseDoc();
  TPDDocFontCache cache(TPDFontContext{base, ""});
  for (uint32_t n = 4; n <= 40; ++n) {
    TPDBaseObject* object = base->GetObject(n);
    if (!object || !object->IsDict()) continue;
    // As a font dictionary, and as a resource dictionary naming fonts.
    if (std::unique_ptr<TPDFont> font = TPDFont::MakeFont(cache.Context(), "F", object)) {
      ReadText(*font, text);
      if (auto processor = font->GetFontProcessor()) processor->IsOpen();
      if (font->GetToUnicode()) font->GetToUnicode()->LookupCode(1);
    }
    TPDResourceFonts fonts(static_cast<TPDDictionary*>(object), cache);
    for (const auto& entry : fonts.Fonts()) ReadText(*entry.second, text);
  }
  return 0;
}
