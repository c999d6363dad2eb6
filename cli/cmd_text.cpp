#include <climits>
#include <cstdio>
#include <ostream>
#include <string>

#include "cli/argument_reader.h"
#include "cli/command.h"
#include "cli/option_values.h"
#include "cli/pdf_loading.h"
#include "pdf/core/pdf_facade.h"
#include "pdf/render/pdf_text_page.h"
#include "project/errors.h"

namespace qp::cli {

namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.2f", value);
  return text;
}

}  // namespace

int RunText(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  ArgumentReader reader(args);
  const int64_t page = reader.Number("--page", 1, INT32_MAX, 1);
  const bool bbox = reader.Flag("--bbox");
  const std::string password = reader.Value("--password").value_or("");
  const std::string file = reader.Positionals({"FILE.pdf"}, 1)[0];
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
