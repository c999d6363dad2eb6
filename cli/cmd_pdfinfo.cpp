#include <cstdio>
#include <ostream>
#include <string>

#include "cli/argument_reader.h"
#include "cli/command.h"
#include "cli/json_text.h"
#include "cli/pdf_loading.h"
#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_facade.h"

namespace qp::cli {

namespace {

std::string Number(double value) {
  char text[64];
  std::snprintf(text, sizeof(text), "%g", value);
  return text;
}

std::string Box(const pdf::TPDRect* rect) {
  if (rect == nullptr) return "none";
  return "[" + Number(rect->Left()) + " " + Number(rect->Top()) + " " + Number(rect->Right()) +
         " " + Number(rect->Bottom()) + "]";
}

std::string BoxJson(const pdf::TPDRect* rect) {
  if (rect == nullptr) return "null";
  return JsonArray()
      .Add(Number(rect->Left()))
      .Add(Number(rect->Top()))
      .Add(Number(rect->Right()))
      .Add(Number(rect->Bottom()))
      .Text();
}

// The same facts as the text form; a page the tree lacks is null.
std::string PdfinfoJson(pdf::TPDFDocument& document, const std::string& file) {
  const int32_t count = document.GetPageCount();
  pdf::TPDPageTree* tree = document.Document()->GetPageTree();
  const auto found = static_cast<int64_t>(tree->FoundPages());
  JsonArray pages;
  for (int32_t pageNo = 1; pageNo <= count && pageNo <= found; ++pageNo) {
    pdf::TPDPage* page = tree->GetPage(pageNo);
    if (page == nullptr) {
      pages.Add("null");
      continue;
    }
    const pdf::TPageSize points = document.GetPageSize(pageNo, pdf::muPoints);
    const pdf::TPageSize pixels = document.GetPageSize(pageNo, pdf::muPixels);
    pages.Add(JsonObject()
                  .Add("number", int64_t{pageNo})
                  .AddRaw("media", BoxJson(page->Mediabox()))
                  .AddRaw("crop", BoxJson(page->Cropbox()))
                  .Add("rotate", int64_t{page->Rotate()})
                  .Add("width_pt", double{points.Width})
                  .Add("height_pt", double{points.Height})
                  .Add("width_px", double{pixels.Width})
                  .Add("height_px", double{pixels.Height})
                  .Text());
  }
  return JsonObject()
      .Add("file", file)
      .Add("pages", int64_t{count})
      .Add("encrypted", document.IsEncrypted())
      .AddRaw("page_list", pages.Text())
      .Text();
}

}  // namespace

int RunPdfinfo(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  ArgumentReader reader(args);
  const std::string password = reader.Value("--password").value_or("");
  const bool json = reader.Flag("--json");
  const std::string file = reader.Positionals({"FILE.pdf"}, 1)[0];
  pdf::TPDFDocument document;
  LoadPdfFile(document, file, password);
  if (document.WasRepaired()) err << "platec pdfinfo: " << file << ": " << kRepairedNote << "\n";
  const int32_t count = document.GetPageCount();
  if (json) {
    out << PdfinfoJson(document, file) << "\n";
    return 0;
  }
  out << "Pages: " << count << "\n";
  out << "Encrypted: " << (document.IsEncrypted() ? "yes" : "no") << "\n";
  pdf::TPDPageTree* tree = document.Document()->GetPageTree();
  // "Count" may promise more pages than the tree holds (even billions): list
  // the pages found and name the rest once.
  const auto found = static_cast<int64_t>(tree->FoundPages());
  for (int32_t pageNo = 1; pageNo <= count; ++pageNo) {
    pdf::TPDPage* page = tree->GetPage(pageNo);
    if (page == nullptr) {
      if (pageNo > found) {
        out << "Pages " << pageNo << " to " << count << ": missing\n";
        break;
      }
      out << "Page " << pageNo << ": missing\n";
      continue;
    }
    const pdf::TPageSize points = document.GetPageSize(pageNo, pdf::muPoints);
    const pdf::TPageSize pixels = document.GetPageSize(pageNo, pdf::muPixels);
    out << "Page " << pageNo << ": media " << Box(page->Mediabox()) << " crop "
        << Box(page->Cropbox()) << " rotate " << page->Rotate() << " size " << Number(points.Width)
        << " x " << Number(points.Height) << " pt, " << Number(pixels.Width) << " x "
        << Number(pixels.Height) << " px\n";
  }
  return 0;
}

}  // namespace qp::cli
