#pragma once
// Shared by the batch import tests: small PDF files of a chosen page count,
// and a recording PlateCommands that keeps the project's plate table as the
// plate operations would (no editor; every plate accepted).

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/core/batch_import.h"
#include "project/project.h"
#include "tests/pdf/core/pdf_template_helpers.h"

namespace qp::test {

// A valid PDF with `pages` empty letter-size pages (0 gives an empty tree).
inline std::string PdfWithPages(int pages) {
  std::string kids;
  std::string objects;
  for (int i = 0; i < pages; ++i) {
    const int number = 3 + i;
    kids += std::to_string(number) + " 0 R ";
    objects += "{{object " + std::to_string(number) +
               " 0}}\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>\nendobj\n";
  }
  return pdf::testing::ExpandPdfTemplate(
      "%PDF-1.4\n{{object 1 0}}\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n"
      "{{object 2 0}}\n<< /Type /Pages /Kids [" +
      kids + "] /Count " + std::to_string(pages) + " >>\nendobj\n" + objects +
      "{{xref}}trailer\n<< /Size " + std::to_string(3 + pages) +
      " /Root 1 0 R >>\n{{startxref}}\n%%EOF\n");
}

// Records every call as a line and applies it to the project: AddPlate
// appends the reset plate (DefaultScaling for a page above 0), EditPlate
// resets the plate or keeps it. "No group selected" is recorded as a call.
class RecordingPlateCommands : public app::PlateCommands {
 public:
  explicit RecordingPlateCommands(Project& project) : project_(project) {}

  std::vector<std::string> calls;

  void AddPlate(const std::string& path, const std::string& name, int page, int pageCount,
                bool show) override {
    calls.push_back("add " + Describe(path, name, page, pageCount, show));
    if (!project_.GroupAt(project_.CurrentGroup)) {
      calls.push_back("message No group selected");
      return;
    }
    PlateRecord plate;
    plate.Name = name;
    plate.SourceFile = path;
    plate.FirstPage = page;
    plate.NumberOfPages = pageCount;
    if (page > 0) plate.Scaling = static_cast<uint8_t>(project_.DefaultScaling);
    project_.AddPlate(plate);
  }

  void EditPlate(const std::string& path, const std::string& name, int page, bool reset, bool show,
                 int index, int pageCount) override {
    calls.push_back(std::string(reset ? "reset " : "keep ") + std::to_string(index) + " " +
                    Describe(path, name, page, pageCount, show));
    if (!reset) return;
    PlateRecord& plate = project_.PlateTable().at(static_cast<size_t>(index));
    const int32_t pages = plate.NumberOfPages;
    plate = PlateRecord{};
    plate.Name = name;
    plate.SourceFile = path;
    plate.FirstPage = page;
    plate.NumberOfPages = pages;
  }

 private:
  static std::string Describe(const std::string& path, const std::string& name, int page,
                              int pageCount, bool show) {
    const size_t slash = path.find_last_of('/');
    return "[" + name + "] " + path.substr(slash + 1) + " p" + std::to_string(page) + "/" +
           std::to_string(pageCount) + (show ? " show" : "");
  }

  Project& project_;
};

// Page counts by file name; a name without an entry cannot be opened.
class FakePageCounts : public app::PageCountSource {
 public:
  std::map<std::string, int> counts;
  std::vector<std::string> opened;

  int LoadPageCount(const std::string& path) override {
    const std::string name = path.substr(path.find_last_of('/') + 1);
    opened.push_back(name);
    const auto it = counts.find(name);
    if (it == counts.end()) throw std::runtime_error("cannot open " + name);
    return it->second;
  }
  // Corners by file name and page; other pages have none.
  std::map<std::pair<std::string, int>, PlateGeoResult> geo;
  std::optional<PlateGeoResult> GeoReference(const PlateRecord& plate,
                                             std::string* problem) override {
    const std::string name = plate.SourceFile.substr(plate.SourceFile.find_last_of('/') + 1);
    const auto it = geo.find({name, plate.FirstPage});
    if (it == geo.end()) {
      *problem = "No geo-reference found on this page";
      return std::nullopt;
    }
    return it->second;
  }
};

}  // namespace qp::test
