#include "app/core/batch_import.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "app/core/import_listing.h"
#include "compiler/chart_georef.h"
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

// Gives plate `index` of the current group the corners its chart gives, and
// the rotation that puts north up; a chart without them is left as it was.
void GeoReferencePlate(Project& project, int index, PageCountSource& pages,
                       BatchImportSummary& summary) {
  const GroupRecord* group = project.GroupAt(project.CurrentGroup);
  if (!group || index < 0 || index >= group->Count) return;
  PlateRecord& plate = project.PlateTable()[static_cast<size_t>(index)];
  std::optional<PlateGeoResult> found;
  try {
    std::string problem;
    found = pages.GeoReference(plate, &problem);
  } catch (const std::exception&) {
    // The plate was added; a page whose geo-reference cannot be read keeps
    // the corners it had, as a chart without one does.
    return;
  }
  if (!found) return;
  plate.LatTL = found->Corners.LatTL;
  plate.LongTL = found->Corners.LongTL;
  plate.LatBR = found->Corners.LatBR;
  plate.LongBR = found->Corners.LongBR;
  plate.Rotate = found->Rotate;
  plate.GEOREF = true;
  project.GroupModified = true;
  ++summary.platesGeoReferenced;
}

int CurrentPlateCount(const Project& project) {
  const GroupRecord* group = project.GroupAt(project.CurrentGroup);
  return group ? group->Count : 0;
}

// Every page of one file as a plate of the current group, by the import
// options: added, or an existing plate of the same source rewritten; with
// GeoReferenceImports each such plate takes the corners its chart gives.
void ImportPages(Project& project, PlateCommands& plates, PageCountSource& pages,
                 const std::string& path, const std::string& name, int pageCount,
                 BatchImportSummary& summary) {
  const int option = project.ProcessOptions;
  const bool show = project.ConfirmPlateAdd;
  const bool georef = project.GeoReferenceImports;
  for (int page = 1; page <= pageCount; ++page) {
    int changed = -1;  // the plate added or replaced
    if (option == poReplaceKeep && project.FindPlateBySource(path)) {
      changed = project.FoundPlate;
      plates.EditPlate(path, name, page, false, show, changed, pageCount);
    } else if (option == poReplaceReset && project.FindPlateBySource(path)) {
      changed = project.FoundPlate;
      plates.EditPlate(path, name, page, true, show, changed, pageCount);
    } else {
      ThrowWhenGroupFull(project);
      const int before = CurrentPlateCount(project);
      plates.AddPlate(path, name, page, pageCount, show);
      if (CurrentPlateCount(project) > before) changed = before;
    }
    if (georef && changed >= 0) GeoReferencePlate(project, changed, pages, summary);
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

std::optional<PlateGeoResult> DocumentPageCounter::GeoReference(const PlateRecord& plate,
                                                                std::string* problem) {
  return qp::GeoReferencePlate(document_, plate, FindChartGeoReference, problem);
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
    ImportPages(project, plates, pages, path, name, pageCount, summary);
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
    BatchImportSummary counts;
    ImportPages(project, plates, pages, path, name, pageCount, counts);
    summary.georeferenced += counts.platesGeoReferenced;
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
  if (summary.georeferenced > 0) {
    text +=
        "; " + std::to_string(summary.georeferenced) + " plates geo-referenced from their charts";
  }
  if (summary.unsupported > 0) {
    text += "; " + std::to_string(summary.unsupported) + " not a PDF, BMP or JPEG file";
  }
  return text;
}

}  // namespace qp::app
