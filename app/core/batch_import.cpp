#include "app/core/batch_import.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "app/core/import_listing.h"
#include "compiler/picture_source.h"
#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_facade.h"
#include "project/errors.h"
#include "project/project.h"
#include "project/text_encoding.h"

namespace qp::app {
namespace {

enum ProcessOption { poSkipExisting = 0, poReplaceKeep = 1, poReplaceReset = 2 };

void ThrowWhenGroupFull(const Project& project) {
  const GroupRecord* group = project.GroupAt(project.CurrentGroup);
  if (group && group->Count >= kMaxPlatesPerGroup) {
    throw Error("A group holds at most " + std::to_string(kMaxPlatesPerGroup) + " plates");
  }
}

// Every page of one file as a plate of the current group, by the import
// options: added, or an existing plate of the same source rewritten.
void ImportPages(Project& project, PlateCommands& plates, const std::string& path,
                 const std::string& name, int pageCount) {
  const int option = project.ProcessOptions;
  const bool show = project.ConfirmPlateAdd;
  for (int page = 1; page <= pageCount; ++page) {
    if (option == poReplaceKeep && project.FindPlateBySource(path)) {
      plates.EditPlate(path, name, page, false, show, project.FoundPlate, pageCount);
    } else if (option == poReplaceReset && project.FindPlateBySource(path)) {
      plates.EditPlate(path, name, page, true, show, project.FoundPlate, pageCount);
    } else {
      ThrowWhenGroupFull(project);
      plates.AddPlate(path, name, page, pageCount, show);
    }
  }
}

void RefuseUnstorableName(const std::string& path, const std::string& name) {
  if (const std::string problem = UnstorableTextMessage("The plate name", name); !problem.empty()) {
    throw Error("Cannot import " + path + ": " + problem);
  }
}

}  // namespace

int DocumentPageCounter::LoadPageCount(const std::string& path) {
  if (!document_.LoadFromFile(path)) throw pdf::ExPasswordRequired();
  return document_.GetPageCount();
}

BatchImportSummary RunBatchImport(Project& project, PlateCommands& plates, PageCountSource& pages,
                                  const ImportProgress& progress) {
  BatchImportSummary summary;
  std::error_code ec;
  if (project.FilenameHeaderPath.empty() ||
      !std::filesystem::is_directory(project.FilenameHeaderPath, ec)) {
    return summary;
  }
  summary.folderFound = true;
  // The settings are read once, before any plate editor opens.
  const std::string folder = ImportFolderPath(project.FilenameHeaderPath);
  const std::string prefix = project.FilenameHeader;
  const int option = project.ProcessOptions;

  const std::vector<std::string> files = ListImportFiles(folder, prefix);
  summary.filesListed = static_cast<int>(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string path = folder + files[i];
    if (option == poSkipExisting && project.FindPlateBySource(path)) {
      ++summary.filesSkipped;
      continue;
    }
    if (progress) progress(path, static_cast<int>(i), summary.filesListed);
    const int pageCount = pages.LoadPageCount(path);
    ++summary.filesOpened;
    const std::string name = PlateNameFromFile(files[i], prefix);
    RefuseUnstorableName(path, name);
    ImportPages(project, plates, path, name, pageCount);
  }
  return summary;
}

DropSummary ImportDroppedFiles(Project& project, PlateCommands& plates, PageCountSource& pages,
                               const std::vector<std::string>& paths) {
  DropSummary summary;
  for (const std::string& dropped : paths) {
    const std::string path = NormalisedSourcePath(dropped);
    std::error_code ec;
    const SourceKind kind = SourceKindOf(path);
    if (kind == SourceKind::Unsupported || !std::filesystem::is_regular_file(path, ec)) {
      ++summary.unsupported;
      continue;
    }
    if (project.ProcessOptions == poSkipExisting && project.FindPlateBySource(path)) {
      ++summary.existing;
      continue;
    }
    const int pageCount = kind == SourceKind::Pdf ? pages.LoadPageCount(path) : 1;
    const std::string file = std::filesystem::path(path).filename().string();
    const std::string name = PlateNameFromFile(file, "");
    RefuseUnstorableName(path, name);
    ImportPages(project, plates, path, name, pageCount);
    ++summary.files;
  }
  return summary;
}

std::string DropSummaryText(const DropSummary& summary) {
  std::string text = "Added " + std::to_string(summary.files) +
                     (summary.files == 1 ? " dropped file" : " dropped files");
  if (summary.existing > 0) {
    text += "; " + std::to_string(summary.existing) + " already in the group";
  }
  if (summary.unsupported > 0) {
    text += "; " + std::to_string(summary.unsupported) + " not a PDF, BMP or JPEG file";
  }
  return text;
}

}  // namespace qp::app
