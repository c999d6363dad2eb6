#pragma once
// The build driver: turns the requested groups of the open project into
// group files, plate by plate, reporting through a BuildStatus.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "compiler/build_lock.h"
#include "compiler/build_port.h"
#include "compiler/image_encoder.h"

namespace qp {

namespace pdf {
class TPDFDocument;
}

class GroupFileWriter;

// Target width in pixels for a plate's `Scaling`: 0 (the page's own width),
// 1024, 800, 640 or 320; any other value builds at the page's own width.
int TargetWidthFor(uint8_t scaling);

// The status line for the plate numbered `number` of the `total` plates of a
// build: "[3/53] lfqv-charts.pdf, page 2" (no page for a picture).
std::string ProgressLine(int number, int total, const PlateRecord& plate);
// The status line for a plate whose source type cannot be built.
std::string SkippedLine(const std::string& source_file);

class BuildDriver : public GroupBuilder {
 public:
  // Group files go to Export and the temporary image to Temp inside
  // `application_folder`; both folders must exist.
  explicit BuildDriver(const std::filesystem::path& application_folder);

  // When another build holds the application folder: wait for it (the
  // default, with a status line, pumping events, a stop request ending the
  // wait) or throw BuildBusyError at once.
  void SetWaitForOtherBuilds(bool wait) { wait_for_other_builds_ = wait; }

  // Plates of a group rendered at once, each by a worker with its own
  // document (1, the default, renders on the calling thread). The group
  // file is the same byte for byte whatever the number.
  void SetJobs(int jobs) { jobs_ = jobs < 1 ? 1 : jobs; }

  // 1. Writes pending changes (project, then the current group's plates).
  // 2. Starts the status window, takes the application folder's build lock
  //    and refuses groups that would write the same group file.
  // 3. For each requested group: makes it current and loads its plates
  //    from the project file, writes its group file plate by plate
  //    ("[N/TOTAL] NAME, page P" line, pump, rasterise and append, pump, stop
  //    check), closes it. Each group file is written under a temporary
  //    name and renamed over the old one when its group ends.
  // 4. Finishes the status window.
  // A plate whose source type is not supported is skipped with a status
  // line, leaving its directory entry at offset 0. When a step fails, the
  // group file in progress is cut back to its last completed plate and
  // closed, the window is finished and the error is rethrown unchanged.
  void BuildGroups(Project& project, const BuildRequest& request, BuildStatus& status) override;

 private:
  // Builds one group; false when a stop was requested.
  // `document` is the build's one PDF document: every PDF plate loads its
  // file into it afresh.
  bool BuildGroup(const GroupRecord& group, std::span<const PlateRecord> plates,
                  pdf::TPDFDocument& document, BuildStatus& status);
  // Appends the plates in order on this thread; true when a stop was
  // requested.
  bool AppendPlates(GroupFileWriter& writer, std::span<const PlateRecord> plates,
                    pdf::TPDFDocument& document, BuildStatus& status);
  // The same with the plates rendered by workers.
  bool AppendPlatesInParallel(GroupFileWriter& writer, std::span<const PlateRecord> plates,
                              BuildStatus& status);
  // The plate's image encoded into `temp_file`; nothing for a source type
  // that is not built.
  static std::optional<EncodedImage> RasterisePlate(const PlateRecord& plate,
                                                    pdf::TPDFDocument& document,
                                                    const std::filesystem::path& temp_file);
  void AppendOutcome(GroupFileWriter& writer, size_t index, const PlateRecord& plate,
                     const std::optional<EncodedImage>& image,
                     const std::filesystem::path& temp_file, BuildStatus& status);

  std::optional<BuildLock> LockFolder(BuildStatus& status) const;

  std::filesystem::path application_folder_;
  std::filesystem::path export_folder_;
  std::filesystem::path temp_folder_;
  std::filesystem::path temp_image_;  // this build's temporary image file
  bool wait_for_other_builds_ = true;
  int jobs_ = 1;
  int plates_to_build_ = 0;  // of the whole build, for the progress lines
  int plates_reported_ = 0;
  int current_group_ = 0;  // position of the group being built
};

}  // namespace qp
