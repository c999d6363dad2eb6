#pragma once
// The batch import: every page of every PDF file of one folder whose name
// starts with a prefix becomes a plate of the current group, through the
// same AddPlate and EditPlate as the plate commands, so each plate can be
// confirmed in the plate editor.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/core/plate_commands.h"
#include "compiler/plate_georef.h"

namespace qp {
class Project;
namespace pdf {
class TPDFDocument;
}
}  // namespace qp

namespace qp::app {

// Opens PDF files, tells their page count and reads their geo-reference.
class PageCountSource {
 public:
  virtual ~PageCountSource() = default;
  // Loads the file at `path` and returns its page count; throws the PDF
  // layer's error when the file cannot be opened.
  virtual int LoadPageCount(const std::string& path) = 0;
  // The corners of `plate` from the geo-reference its chart carries or
  // prints; nothing, with `problem` set, when there is none. Throws when the
  // file cannot be opened.
  virtual std::optional<PlateGeoResult> GeoReference(const PlateRecord& plate,
                                                     std::string* problem) = 0;
};

// Counts pages through the document component; the last file stays loaded
// in it until the next one replaces it.
class DocumentPageCounter final : public PageCountSource {
 public:
  explicit DocumentPageCounter(pdf::TPDFDocument& document) : document_(document) {}
  // An encrypted file that needs a password throws ExPasswordRequired, so
  // that it is never taken for a file without pages.
  int LoadPageCount(const std::string& path) override;
  std::optional<PlateGeoResult> GeoReference(const PlateRecord& plate,
                                             std::string* problem) override;

 private:
  pdf::TPDFDocument& document_;
};

// Called before each listed file is opened: its full path, its 0-based
// position in the listing and the number of files listed.
using ImportProgress = std::function<void(const std::string& path, int index, int count)>;

struct BatchImportSummary {
  bool folderFound = false;
  int filesListed = 0;
  int filesSkipped = 0;  // already a source in the group, with option 0
  int filesOpened = 0;
  int platesGeoReferenced = 0;  // with GeoReferenceImports
};

// Runs the import with the project's settings (FilenameHeader,
// FilenameHeaderPath, ProcessOptions, ConfirmPlateAdd, GeoReferenceImports:
// each plate added or replaced gets the corners its chart gives, and a chart
// without them, or one that fails to give them, is left as it was). A folder
// that does not exist does nothing. Errors end the import at the file that
// raised them; plates added before stay. When the current group is full, the
// import ends with "A group holds at most 500 plates" before the next add.
BatchImportSummary RunBatchImport(Project& project, PlateCommands& plates, PageCountSource& pages,
                                  const ImportProgress& progress = {});

struct DropSummary {
  int files = 0;          // files whose pages became (or rewrote) plates
  int existing = 0;       // already a source in the group, with option 0
  int unsupported = 0;    // not an existing PDF, BMP or JPEG file
  int georeferenced = 0;  // plates given the corners their charts give
};

// Files dropped on the plate list, imported into the current group as the
// batch import does its files (same options; every page of a PDF, one
// plate of a picture), each named after its file. Errors end the import at
// the file that raised them; plates added before stay.
DropSummary ImportDroppedFiles(Project& project, PlateCommands& plates, PageCountSource& pages,
                               const std::vector<std::string>& paths);
// "Added 3 dropped files; 1 already in the group; 2 not a PDF, BMP or JPEG file".
std::string DropSummaryText(const DropSummary& summary);

}  // namespace qp::app
