#include "app/core/batch_import.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "app/core/import_listing.h"
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
  const bool show = project.ConfirmPlateAdd;

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
    if (const std::string problem = UnstorableTextMessage("The plate name", name);
        !problem.empty()) {
      throw Error("Cannot import " + path + ": " + problem);
    }
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
  return summary;
}

}  // namespace qp::app
