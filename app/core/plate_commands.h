#pragma once
// The two plate operations that the plate list's commands and the batch
// import share: both move a plate between the group's table and the plate
// editor's fields, showing the editor when asked.

#include <string>

namespace qp::app {

class PlateCommands {
 public:
  virtual ~PlateCommands() = default;

  // Adds a plate to the current group from the reset editor fields (path,
  // name, page); `pageCount` becomes the plate's NumberOfPages. With `show`
  // the editor opens first and Cancel adds nothing.
  virtual void AddPlate(const std::string& path, const std::string& name, int page, int pageCount,
                        bool show) = 0;
  // Rewrites plate `index` of the current group, from the reset editor fields
  // when `reset` is set, else from the plate's own settings. With `show` the
  // editor opens first and Cancel leaves the plate unchanged.
  virtual void EditPlate(const std::string& path, const std::string& name, int page, bool reset,
                         bool show, int index, int pageCount) = 0;
};

}  // namespace qp::app
