#pragma once
// The seam between the main window's two build commands and the build
// driver: the presenter hands a GroupBuilder the project, which groups to
// build and the status window's port. The driver implements GroupBuilder;
// the status window implements BuildStatus.

#include <string>
#include <vector>

#include "project/project.h"

namespace qp::app {

enum class BuildScope {
  bsSelectedGroups,  // "&Build project (Build only selected groups)"
  bsAllGroups,       // "B&uild project (Build all groups in project)"
};

struct BuildRequest {
  BuildScope scope = BuildScope::bsAllGroups;
  // Positions of the selected group lines, ascending (at most one, since the
  // group list selects one line); used in bsSelectedGroups.
  std::vector<int> selected_groups;

  // The group positions to build, ascending.
  std::vector<int> Groups(const Project& project) const;
  // The number of plates in those groups, for the progress bar.
  int PlateCount(const Project& project) const;
};

// The status window as the build sees it. Every call runs on the
// user-interface thread.
class BuildStatus {
 public:
  virtual ~BuildStatus() = default;
  // Empties the list, sets the progress to 0 of `plates_to_build`, clears
  // the stop request and shows the window without making it modal.
  virtual void Start(int plates_to_build) = 0;
  // Appends a line such as "Processing chart.pdf".
  virtual void AddLine(const std::string& line) = 0;
  // One more plate appended to its group file.
  virtual void PlateDone() = 0;
  // True once the user has clicked "Cancel" since Start.
  virtual bool StopRequested() const = 0;
  // Handles the pending events of the windows once.
  virtual void Pump() = 0;
  // Hides the window.
  virtual void Finish() = 0;
};

class GroupBuilder {
 public:
  virtual ~GroupBuilder() = default;
  // Writes pending changes, then builds the requested groups into their
  // group files, reporting through `status`. Returns when done or
  // cancelled; throws qp::Error (or another std::exception) when a step
  // fails.
  virtual void BuildGroups(Project& project, const BuildRequest& request, BuildStatus& status) = 0;
};

}  // namespace qp::app
