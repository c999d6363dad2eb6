#pragma once
// Opening a PDF file for the commands of platec, with errors that name the
// file: a folder is called a folder, and a wrong password is told apart from
// a missing one.

#include <string>

namespace qp::pdf {
class TPDFDocument;
class TPDDocument;
}  // namespace qp::pdf

namespace qp::cli {

// Loads `file` into `document`; throws qp::Error("FILE: reason").
void LoadPdfFile(pdf::TPDFDocument& document, const std::string& file, const std::string& password);
void LoadPdfFile(pdf::TPDDocument& document, const std::string& file, const std::string& password);

}  // namespace qp::cli
