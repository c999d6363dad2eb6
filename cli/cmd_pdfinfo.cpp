#include <cstdio>
#include <ostream>
#include <string>

#include "cli/command.h"
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

}  // namespace

int RunPdfinfo(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  std::string file;
  std::string password;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--password" && i + 1 < args.size()) {
      password = args[++i];
    } else if (file.empty() && args[i].rfind("--", 0) != 0) {
      file = args[i];
    } else {
      err << "Usage: platec pdfinfo FILE.pdf [--password P]\n";
      return 2;
    }
  }
  if (file.empty()) {
    err << "Usage: platec pdfinfo FILE.pdf [--password P]\n";
    return 2;
  }
  pdf::TPDFDocument document;
  document.SetPassword(password);
  if (!document.LoadFromFile(file)) {
    err << "platec pdfinfo: " << pdf::ExPasswordRequired().what() << "\n";
    return 1;
  }
  const int32_t count = document.GetPageCount();
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
  if (document.WasRepaired()) err << "platec pdfinfo: " << file << ": " << kRepairedNote << "\n";
  return 0;
}

}  // namespace qp::cli
