#include <charconv>
#include <climits>
#include <exception>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "app/core/batch_import.h"
#include "app/core/plate_operations.h"
#include "cli/command.h"
#include "cli/option_values.h"
#include "cli/project_loading.h"
#include "pdf/core/pdf_facade.h"
#include "project/errors.h"
#include "project/line_texts.h"

namespace qp::cli {
namespace {

constexpr const char* kUsage =
    "Usage: platec import PROJECT.zpl --group N --folder DIR [--prefix P] [--option 0|1|2] "
    "[--scaling 0..4] [--georef | --no-georef]\n";

struct ImportArguments {
  std::string project;
  int group = 0;  // 1-based
  std::string folder;
  std::optional<std::string> prefix;
  std::optional<int> option;
  std::optional<int> scaling;
  std::optional<bool> georef;
};

int WholeNumber(const std::string& option, const std::string& text, int low, int high) {
  return static_cast<int>(WholeNumberOption(option, text, low, high));
}

// False (with a message in `error`) when the arguments do not fit the usage.
bool ParseImportArguments(const CommandArgs& args, ImportArguments& parsed, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool takesValue = arg == "--group" || arg == "--folder" || arg == "--prefix" ||
                            arg == "--option" || arg == "--scaling";
    if (takesValue && i + 1 == args.size()) {
      error = arg + " needs a value";
      return false;
    }
    if (arg == "--group") {
      parsed.group = WholeNumber(arg, args[++i], 1, INT32_MAX);
    } else if (arg == "--folder") {
      parsed.folder = args[++i];
    } else if (arg == "--prefix") {
      parsed.prefix = args[++i];
    } else if (arg == "--option") {
      parsed.option = WholeNumber(arg, args[++i], 0, 2);
    } else if (arg == "--scaling") {
      parsed.scaling = WholeNumber(arg, args[++i], 0, 4);
    } else if (arg == "--georef" || arg == "--no-georef") {
      parsed.georef = arg == "--georef";
    } else if (arg.starts_with("-") || !parsed.project.empty()) {
      error = "unexpected argument: " + arg;
      return false;
    } else {
      parsed.project = arg;
    }
  }
  if (parsed.project.empty()) {
    error = "no project file given";
  } else if (parsed.group == 0) {
    error = "no group given (--group N)";
  } else if (parsed.folder.empty()) {
    error = "no folder given (--folder DIR)";
  }
  return error.empty();
}

// No plate editor here: every plate takes the values the import gives it.
// Messages go to the error stream.
class HeadlessPort : public app::PlateOperationsPort {
 public:
  explicit HeadlessPort(std::ostream& err) : err_(err) {}
  void ShowMessage(const std::string& text) override { err_ << text << "\n"; }
  void ReplacePlateLine(int, const std::string&) override {}
  bool ShowEditor(app::PlateEditorFields&) override { return true; }

 private:
  std::ostream& err_;
};

// Runs the plate operations without the editor and prints each plate added
// or replaced as the plate list shows it.
class ReportingPlateCommands : public app::PlateCommands {
 public:
  ReportingPlateCommands(app::PlateCommands& inner, Project& project, std::ostream& out)
      : inner_(inner), project_(project), out_(out) {}

  int added = 0;
  int replaced = 0;

  void AddPlate(const std::string& path, const std::string& name, int page, int pageCount,
                bool) override {
    const int before = CurrentCount();
    inner_.AddPlate(path, name, page, pageCount, false);
    if (CurrentCount() <= before) return;
    ++added;
    out_ << "added: " << PlateLine(project_.PlateTable()[static_cast<size_t>(before)], before)
         << "\n";
  }

  void EditPlate(const std::string& path, const std::string& name, int page, bool reset, bool,
                 int index, int pageCount) override {
    inner_.EditPlate(path, name, page, reset, false, index, pageCount);
    if (index < 0 || index >= CurrentCount()) return;
    ++replaced;
    out_ << "replaced: " << PlateLine(project_.PlateTable()[static_cast<size_t>(index)], index)
         << "\n";
  }

 private:
  int CurrentCount() const {
    const GroupRecord* group = project_.GroupAt(project_.CurrentGroup);
    return group ? group->Count : 0;
  }

  app::PlateCommands& inner_;
  Project& project_;
  std::ostream& out_;
};

}  // namespace

int RunImport(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  ImportArguments parsed;
  if (std::string error; !ParseImportArguments(args, parsed, error)) {
    err << "platec import: " << error << "\n" << kUsage;
    return 2;
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(parsed.folder, ec)) {
    throw Error("no such folder: " + parsed.folder);
  }

  Project project;
  LoadProjectFile(parsed.project, project, err);
  if (parsed.group > project.GroupCount()) {
    throw Error("no group " + std::to_string(parsed.group) + " in " + parsed.project + " (it has " +
                std::to_string(project.GroupCount()) + ")");
  }
  project.SelectGroup(parsed.group - 1);
  // As the dialog's fields do: the settings change without marking the
  // project modified, and reach the file with the next SaveProject.
  project.FilenameHeaderPath = NormalisedSourcePath(parsed.folder);
  if (parsed.prefix) project.FilenameHeader = *parsed.prefix;
  if (parsed.option) project.ProcessOptions = static_cast<uint16_t>(*parsed.option);
  if (parsed.scaling) project.DefaultScaling = static_cast<uint16_t>(*parsed.scaling);
  if (parsed.georef) project.GeoReferenceImports = *parsed.georef;

  HeadlessPort port(err);
  app::PlateOperations operations(project, port);
  ReportingPlateCommands reporting(operations, project, out);
  pdf::TPDFDocument document;
  app::DocumentPageCounter pages(document);
  app::BatchImportSummary summary;
  try {
    summary = app::RunBatchImport(project, reporting, pages);
  } catch (const std::exception&) {
    // The plates added before the failing file are kept, as the desktop
    // application keeps them until its next flush point.
    try {
      project.FlushPending();
    } catch (const std::exception& flush_error) {
      err << "platec import: " << flush_error.what() << "\n";
    }
    throw;
  }
  project.FlushPending();
  out << summary.filesListed << " files found, " << summary.filesSkipped << " skipped, "
      << reporting.added << " plates added, " << reporting.replaced << " replaced";
  if (project.GeoReferenceImports) out << ", " << summary.platesGeoReferenced << " geo-referenced";
  out << "\n";
  return 0;
}

}  // namespace qp::cli
