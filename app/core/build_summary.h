#pragma once
// What a build wrote, in one sentence for the status bar: "Built 53 plates
// of KBOS into ZGKBOS.ZPG; 2 skipped (unsupported type); cancelled after 19
// of 62". BuildTally sits between the build driver and the status window,
// passing every call on and counting as it goes.

#include <string>
#include <vector>

#include "compiler/build_port.h"

namespace qp::app {

enum class BuildEnding { kCompleted, kCancelled, kFailed };

struct BuildCounts {
  struct GroupFile {
    std::string group;  // the group's ID, or its name when it has none
    std::string file;   // the group file's name, without its folder
    int plates = 0;     // plates appended to it
  };
  std::vector<GroupFile> files;  // in the order they were written
  int skipped = 0;               // plates of a source type that is not built
  int done = 0;                  // plates written or skipped
  int total = 0;                 // plates the build set out to do
  BuildEnding ending = BuildEnding::kCompleted;
  std::string error;  // the failure's message, with kFailed
};

std::string BuildSummaryText(const BuildCounts& counts);

class BuildTally : public BuildStatus {
 public:
  // `inner` (the status window) and `project` must outlive the tally.
  BuildTally(BuildStatus& inner, const Project& project) : inner_(inner), project_(project) {}

  void Start(int plates_to_build) override;
  void AddLine(const std::string& line) override { inner_.AddLine(line); }
  void PlateDone() override;
  bool StopRequested() const override { return inner_.StopRequested(); }
  void Pump() override { inner_.Pump(); }
  // Adds the summary as the window's last line, then hides it.
  void Finish() override;
  void PlateWritten(const WrittenPlate& plate) override;
  void GroupFileWritten(const std::string& path) override;

  // The counts so far; a build that ended short of its total without a stop
  // request counts as failed.
  BuildCounts Counts() const;

 private:
  BuildCounts::GroupFile& FileEntry(const std::string& path, int group);

  BuildStatus& inner_;
  const Project& project_;
  BuildCounts counts_;
};

}  // namespace qp::app
