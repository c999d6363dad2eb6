#include "compiler/build_driver.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>
#include <vector>

#include "compiler/build_lock.h"
#include "compiler/group_file_writer.h"
#include "compiler/pdf_source.h"
#include "compiler/picture_source.h"
#include "compiler/plate_error.h"
#include "compiler/plate_workers.h"
#include "project/text_encoding.h"

namespace qp {
namespace {

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int TargetWidthFor(uint8_t scaling) {
  switch (scaling) {
    case sc1024:
      return 1024;
    case sc800:
      return 800;
    case sc640:
      return 640;
    case sc320:
      return 320;
    default:
      return 0;
  }
}

std::string ProgressLine(int number, int total, const PlateRecord& plate) {
  std::string line = "[" + std::to_string(number) + "/" + std::to_string(total) + "] " +
                     FileNameOf(plate.SourceFile);
  // Plates from the pages of one PDF file differ only by their page.
  if (SourceKindOf(plate.SourceFile) == SourceKind::Pdf) {
    line += ", page " + std::to_string(plate.FirstPage);
  }
  return line;
}

std::string SkippedLine(const std::string& source_file) {
  return "Skipped " + FileNameOf(source_file) + ": unsupported source file type";
}

BuildDriver::BuildDriver(const std::filesystem::path& application_folder)
    : application_folder_(application_folder),
      export_folder_(application_folder / "Export"),
      temp_folder_(application_folder / "Temp") {}

namespace {

// Refuses, before anything is written, a build in which two groups would
// write the same file: the second would silently replace the first.
void CheckDistinctGroupFiles(const Project& project, const std::vector<int>& groups) {
  std::map<std::filesystem::path, int> first_group_of;
  for (int g : groups) {
    const GroupRecord& group = *project.GroupAt(g);
    const std::filesystem::path name = GroupFileName(group);
    const auto [it, added] = first_group_of.emplace(name, g);
    if (added) continue;
    const GroupRecord& other = *project.GroupAt(it->second);
    throw PlateError("Groups " + std::to_string(it->second + 1) + " (" +
                     Windows1252ToUtf8(other.Name) + ") and " + std::to_string(g + 1) + " (" +
                     Windows1252ToUtf8(group.Name) + ") would both write " + name.string() +
                     "; nothing was built");
  }
}

void RemoveLeftoverReplacements(const std::filesystem::path& folder) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (IsLeftoverReplacementName(entry.path().filename().string())) {
      std::error_code ignored;
      std::filesystem::remove(entry.path(), ignored);
    }
  }
}

// Removes the build's temporary image file however the build ends.
class TemporaryImageFile {
 public:
  explicit TemporaryImageFile(std::filesystem::path path) : path_(std::move(path)) {}
  ~TemporaryImageFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  TemporaryImageFile(const TemporaryImageFile&) = delete;
  TemporaryImageFile& operator=(const TemporaryImageFile&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace

std::optional<BuildLock> BuildDriver::LockFolder(BuildStatus& status) const {
  if (!wait_for_other_builds_) return AcquireBuildLock(application_folder_, {});
  bool told = false;
  return AcquireBuildLock(application_folder_, [&] {
    if (!told) {
      status.AddLine(WaitingForBuildLine(application_folder_));
      told = true;
    }
    status.Pump();
    if (status.StopRequested()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return true;
  });
}

void BuildDriver::BuildGroups(Project& project, const BuildRequest& request, BuildStatus& status) {
  if (project.ProjectLoaded) {
    project.FlushPending();
    project.ProjectModified = false;
    project.GroupModified = false;
  }
  const std::vector<int> groups =
      project.ProjectLoaded ? request.Groups(project) : std::vector<int>{};
  plates_to_build_ = project.ProjectLoaded ? request.PlateCount(project) : 0;
  plates_reported_ = 0;
  status.Start(plates_to_build_);
  if (groups.empty()) {
    status.Finish();
    return;
  }
  // Local to this call: a second build started while this one pumps events
  // gets its own.
  pdf::TPDFDocument document;
  try {
    // Held until the build ends: another program building into the same
    // folder waits, so group files and temporary files are never shared.
    const std::optional<BuildLock> lock = LockFolder(status);
    if (!lock) {
      status.Finish();
      return;
    }
    CheckDistinctGroupFiles(project, groups);
    RemoveLeftoverReplacements(export_folder_);
    const TemporaryImageFile temp_image(BuildTempImagePath(temp_folder_));
    temp_image_ = temp_image.Path();
    for (int g : groups) {
      // The status window pumps events between plates; a group that has
      // gone meanwhile is passed over.
      if (!project.GroupAt(g)) continue;
      project.CurrentGroup = g;
      project.CurrentPlate = -1;
      project.LoadGroup(g);
      // Copies, so that nothing done while events are pumped can change the
      // group or its plates under the build.
      const GroupRecord group = *project.GroupAt(g);
      const auto count = static_cast<size_t>(std::clamp(group.Count, 0, kMaxPlatesPerGroup));
      const std::vector<PlateRecord> plates(project.PlateTable().begin(),
                                            project.PlateTable().begin() + count);
      current_group_ = g;
      if (!BuildGroup(group, plates, document, status)) break;
    }
  } catch (...) {
    status.Finish();
    throw;
  }
  status.Finish();
}

bool BuildDriver::BuildGroup(const GroupRecord& group, std::span<const PlateRecord> plates,
                             pdf::TPDFDocument& document, BuildStatus& status) {
  GroupFileWriter writer = OpenGroupFile(export_folder_, group, plates);
  bool stopped = false;
  try {
    stopped = jobs_ > 1 && plates.size() > 1 ? AppendPlatesInParallel(writer, plates, status)
                                             : AppendPlates(writer, plates, document, status);
    writer.Close();
  } catch (...) {
    try {
      writer.CloseAfterFailure();
    } catch (...) {
      // The first error is the one to report.
    }
    throw;
  }
  status.GroupFileWritten(writer.Path().string());
  return !stopped;
}

bool BuildDriver::AppendPlates(GroupFileWriter& writer, std::span<const PlateRecord> plates,
                               pdf::TPDFDocument& document, BuildStatus& status) {
  for (size_t p = 0; p < plates.size(); ++p) {
    const PlateRecord& plate = plates[p];
    status.AddLine(ProgressLine(++plates_reported_, plates_to_build_, plate));
    status.Pump();
    AppendOutcome(writer, p, plate, RasterisePlate(plate, document, temp_image_), temp_image_,
                  status);
    status.PlateDone();
    status.Pump();
    if (status.StopRequested()) return true;
  }
  return false;
}

bool BuildDriver::AppendPlatesInParallel(GroupFileWriter& writer,
                                         std::span<const PlateRecord> plates, BuildStatus& status) {
  PlateWorkers workers(
      jobs_, plates.size(), temp_folder_, temp_image_.stem().string(),
      [plates](size_t p, pdf::TPDFDocument& document, const std::filesystem::path& temp_file) {
        return RasterisePlate(plates[p], document, temp_file);
      });
  for (size_t p = 0; p < plates.size(); ++p) {
    std::optional<PlateOutcome> outcome;
    // The window keeps painting while the plate in order is still rendering.
    while (!(outcome = workers.Take(p, std::chrono::milliseconds(50)))) status.Pump();
    const PlateRecord& plate = plates[p];
    status.AddLine(ProgressLine(++plates_reported_, plates_to_build_, plate));
    const TemporaryImageFile taken(outcome->TempFile);
    if (outcome->error) std::rethrow_exception(outcome->error);
    AppendOutcome(writer, p, plate, outcome->image, taken.Path(), status);
    status.PlateDone();
    status.Pump();
    // Plates already rendering finish in the workers; none is appended.
    if (status.StopRequested()) return true;
  }
  return false;
}

std::optional<EncodedImage> BuildDriver::RasterisePlate(const PlateRecord& plate,
                                                        pdf::TPDFDocument& document,
                                                        const std::filesystem::path& temp_file) {
  const std::filesystem::path source(plate.SourceFile);
  const ClipRect rect{plate.ClipX1, plate.ClipY1, plate.ClipX2, plate.ClipY2};
  switch (SourceKindOf(source)) {
    case SourceKind::Pdf:
      return RasterisePdfPlate(document, source, plate.FirstPage, TargetWidthFor(plate.Scaling),
                               plate.Rotate, plate.Clip, rect, temp_file);
    case SourceKind::Bmp:
    case SourceKind::Jpeg:
      return RasterisePicturePlate(source, plate.Clip, rect, temp_file);
    case SourceKind::Unsupported:
      break;
  }
  return std::nullopt;
}

void BuildDriver::AppendOutcome(GroupFileWriter& writer, size_t index, const PlateRecord& plate,
                                const std::optional<EncodedImage>& image,
                                const std::filesystem::path& temp_file, BuildStatus& status) {
  if (image) {
    writer.AppendPlate(static_cast<int>(index), plate, *image, temp_file);
    if (!image->Note.empty()) {
      status.AddLine(plate.SourceFile + ", page " + std::to_string(plate.FirstPage) + ": " +
                     image->Note);
    }
    const PlateCorners corners = PlateHeaderCorners(plate, *image);
    WrittenPlate written;
    written.group = current_group_;
    written.file = writer.Path().string();
    written.plate = static_cast<int>(index);
    written.record = &plate;
    written.width = image->ImageWidth;
    written.height = image->ImageHeight;
    written.LatTL = corners.LatTL;
    written.LongTL = corners.LongTL;
    written.LatBR = corners.LatBR;
    written.LongBR = corners.LongBR;
    status.PlateWritten(written);
  } else {
    // No image to append: the entry keeps offset 0, which readers take as
    // an absent plate.
    status.AddLine(SkippedLine(plate.SourceFile));
  }
}

}  // namespace qp
