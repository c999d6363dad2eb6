#pragma once
// What a build needs from its caller: which groups to build (BuildRequest)
// and the status window as the build sees it (BuildStatus). The desktop
// application's status window and the command line both implement
// BuildStatus; GroupBuilder is the seam the main window's build commands call.

#include <cstdint>
#include <string>
#include <vector>

#include "project/project.h"

namespace qp {

enum class BuildScope {
  bsSelectedGroups,  // "&Build project (Build only selected groups)"
  bsAllGroups,       // "B&uild project (Build all groups in project)"
};

struct BuildRequest {
  BuildScope scope = BuildScope::bsAllGroups;
  // Positions of the selected group lines (the group list selects at most
  // one); used in bsSelectedGroups.
  std::vector<int> selected_groups;

  // The group positions to build, ascending, each an existing group.
  std::vector<int> Groups(const Project& project) const;
  // The number of plates in those groups, for the progress bar.
  int PlateCount(const Project& project) const;
};

// A plate that a build has appended to its group file.
struct WrittenPlate {
  int group = 0;     // position of the group in the project, from 0
  std::string file;  // the group file
  int plate = 0;     // position of the plate in the group, from 0
  const PlateRecord* record = nullptr;
  int width = 0;  // the image as encoded
  int height = 0;
  int32_t LatTL = 0, LongTL = 0, LatBR = 0, LongBR = 0;  // as in the plate header
};

// Every call runs on the thread of the build.
class BuildStatus {
 public:
  virtual ~BuildStatus() = default;
  // Empties the list, sets the progress to 0 of `plates_to_build`, clears
  // the stop request and shows the window without making it modal.
  virtual void Start(int plates_to_build) = 0;
  // Appends a line such as "[3/53] chart.pdf, page 2".
  virtual void AddLine(const std::string& line) = 0;
  // One more plate done (appended to its group file, or skipped).
  virtual void PlateDone() = 0;
  // True once the user has asked to stop since Start.
  virtual bool StopRequested() const = 0;
  // Handles the pending events of the windows once.
  virtual void Pump() = 0;
  // Hides the window.
  virtual void Finish() = 0;
  // A plate has been appended to its group file.
  virtual void PlateWritten(const WrittenPlate& /*plate*/) {}
  // A group file has been written and closed (also after a stop request).
  virtual void GroupFileWritten(const std::string& /*path*/) {}
};

class GroupBuilder {
 public:
  virtual ~GroupBuilder() = default;
  // Writes pending changes, then builds the requested groups into their
  // group files, reporting through `status`. Returns when done or
  // stopped; throws qp::Error, qp::PlateError (or another std::exception)
  // when a step fails, after hiding the status window.
  virtual void BuildGroups(Project& project, const BuildRequest& request, BuildStatus& status) = 0;
};

}  // namespace qp
