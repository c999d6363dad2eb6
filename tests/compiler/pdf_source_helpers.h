#pragma once
// Small PDF files for the compiler tests: pages of a given size and rotation,
// each with a black square in the top-left corner of the unturned page, so
// that a test can see where the page was turned to.

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/pdf/core/pdf_template_helpers.h"

namespace qp::testing {

struct TestPage {
  double Width = 459;   // points: 612 pixels at 96 per inch
  double Height = 594;  // 792 pixels
  int Rotate = 0;
  std::string Extra;  // more content after the corner square
};

inline TestPage Page(double width = 459, double height = 594, int rotate = 0,
                     std::string extra = {}) {
  return TestPage{width, height, rotate, std::move(extra)};
}

inline std::string NumberText(double v) {
  std::string s = std::to_string(v);
  s.erase(s.find_last_not_of('0') + 1);
  if (s.back() == '.') s.pop_back();
  return s;
}

// A PDF with the given pages; the square is a fifth of the page's width.
inline std::string TestPdf(const std::vector<TestPage>& pages) {
  const int first = 3;  // object number of the first page
  std::string kids, objects;
  for (size_t i = 0; i < pages.size(); ++i) {
    const TestPage& p = pages[i];
    const int page = first + 2 * static_cast<int>(i), content = page + 1;
    kids += std::to_string(page) + " 0 R ";
    const double side = p.Width / 5;
    objects += "{{object " + std::to_string(page) + " 0}} << /Type /Page /Parent 2 0 R " +
               "/MediaBox [0 0 " + NumberText(p.Width) + " " + NumberText(p.Height) + "] " +
               (p.Rotate ? "/Rotate " + std::to_string(p.Rotate) + " " : "") + "/Contents " +
               std::to_string(content) + " 0 R >> endobj\n";
    objects += "{{object " + std::to_string(content) + " 0}} << {{streamlen}} >>\nstream\n" +
               "0 0 0 rg 0 " + NumberText(p.Height - side) + " " + NumberText(side) + " " +
               NumberText(side) + " re f\n" + p.Extra + "\nendstream endobj\n";
  }
  return pdf::testing::ExpandPdfTemplate(
      "%PDF-1.4\n{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "{{object 2 0}} << /Type /Pages /Kids [" +
      kids + "] /Count " + std::to_string(pages.size()) + " >> endobj\n" + objects +
      "{{xref}}trailer << /Size " + std::to_string(first + 2 * pages.size()) +
      " /Root 1 0 R >>\n{{startxref}}\n%%EOF\n");
}

inline void WriteTestPdf(const std::filesystem::path& path, const std::vector<TestPage>& pages) {
  std::ofstream(path, std::ios::binary) << TestPdf(pages);
}

}  // namespace qp::testing
