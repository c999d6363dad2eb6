#include <climits>
#include <cstdio>
#include <ostream>
#include <string>

#include "cli/command.h"
#include "cli/option_values.h"
#include "cli/pdf_loading.h"
#include "pdf/core/pdf_facade.h"
#include "pdf/render/pdf_text_page.h"
#include "project/errors.h"

namespace qp::cli {

namespace {

constexpr std::string_view kUsage =
    "Usage: platec text FILE.pdf [--page N] [--bbox] [--password P]\n";

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.2f", value);
  return text;
}

}  // namespace

int RunText(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  std::string file, password;
  int64_t page = 1;
  bool bbox = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--page" && hasValue) {
      page = WholeNumberOption(a, args[++i], 1, INT32_MAX);
    } else if (a == "--bbox") {
      bbox = true;
    } else if (a == "--password" && hasValue) {
      password = args[++i];
    } else if (file.empty() && a.rfind("-", 0) != 0) {
      file = a;
    } else {
      err << kUsage;
      return 2;
    }
  }
  if (file.empty()) {
    err << kUsage;
    return 2;
  }
  pdf::TPDFDocument document;
  LoadPdfFile(document, file, password);
  if (document.WasRepaired()) err << "platec text: " << file << ": " << kRepairedNote << "\n";
  const int32_t count = document.GetPageCount();
  if (page > count) {
    throw Error(file + ": no page " + std::to_string(page) + " (the file has " +
                std::to_string(count) + (count == 1 ? " page)" : " pages)"));
  }
  pdf::PageText text;
  try {
    text = pdf::ExtractPageText(*document.Document(), static_cast<int>(page));
  } catch (const std::exception& e) {
    throw Error(file + ", page " + std::to_string(page) + ": " + e.what());
  }
  for (const pdf::TextLine& line : text.Lines) {
    if (bbox) {
      out << Number(line.X0) << " " << Number(line.Y0) << " " << Number(line.X1) << " "
          << Number(line.Y1) << "\t";
    }
    out << pdf::ToUtf8(line.Text) << "\n";
  }
  return 0;
}

}  // namespace qp::cli
