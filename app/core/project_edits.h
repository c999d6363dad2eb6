#pragma once
// Undoable edits of the project's groups and plates. Each edit holds the
// state before and after, and puts either back through the project model
// and the lists; the project file follows at the next flush point, as it
// does for any other change. Edits are undone and redone in stack order,
// so the group positions they hold stay valid; a change made outside the
// stack (another project, a batch import) must clear it.

#include <memory>
#include <string>
#include <vector>

#include "project/project.h"
#include "project/project_view.h"

namespace qp::app {

// The lists as the edits see them: the project's lines and the group
// line selection.
class EditView : public ProjectView {
 public:
  // Selecting from here does not count as the user's selection of a group.
  virtual void SelectGroupLine(int position) = 0;
};

class ProjectEdit {
 public:
  virtual ~ProjectEdit() = default;
  // What the Edit menu names: "Undo " + Text().
  virtual std::string Text() const = 0;
  // Throw (leaving the model as it was) when writing pending changes fails.
  virtual void Undo(Project& project, EditView& view) = 0;
  virtual void Redo(Project& project, EditView& view) = 0;
};

// The plates of the current group as they stand.
std::vector<PlateRecord> CurrentPlates(const Project& project);

// Plates of one group replaced as a whole: added, deleted, edited, moved.
// Nothing when `before` and `after` are the same.
std::unique_ptr<ProjectEdit> PlatesEdit(std::string text, int group,
                                        std::vector<PlateRecord> before,
                                        std::vector<PlateRecord> after);
// The group now at `position` (the last) was added.
std::unique_ptr<ProjectEdit> GroupAddedEdit(const Project& project, int position);
// A group with its plates was deleted from `position`.
std::unique_ptr<ProjectEdit> GroupDeletedEdit(int position, GroupRecord record,
                                              std::vector<PlateRecord> plates);

// The record and the batch import fields a group edit changes.
struct GroupProperties {
  GroupRecord record;
  std::string filename_header;
  std::string filename_header_path;
};
GroupProperties PropertiesOf(const Project& project, int position);
std::unique_ptr<ProjectEdit> GroupEditedEdit(int position, GroupProperties before,
                                             GroupProperties after);

}  // namespace qp::app
