#include "app/core/project_edits.h"

#include <algorithm>
#include <cstddef>
#include <tuple>
#include <utility>

#include "project/errors.h"
#include "project/line_texts.h"

namespace qp::app {
namespace {

auto Fields(const PlateRecord& p) {
  return std::tie(p.Name, p.SourceFile, p.FirstPage, p.NumberOfPages, p.Scaling, p.Rotate, p.GEOREF,
                  p.NameFromFilename, p.Clip, p.LatTL, p.LongTL, p.LatBR, p.LongBR, p.ClipX1,
                  p.ClipY1, p.ClipX2, p.ClipY2, p.Width, p.Height);
}

bool SamePlates(const std::vector<PlateRecord>& a, const std::vector<PlateRecord>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fields(a[i]) != Fields(b[i])) return false;
  }
  return true;
}

// The group an edit acts on; an edit whose group has gone (a change made
// outside the stack) is refused before anything changes.
GroupRecord& GroupOf(Project& project, int position) {
  GroupRecord* group = project.GroupAt(position);
  if (!group) throw Error("The project has changed: this step cannot be undone or redone");
  return *group;
}

void ShowGroupLine(Project& project, EditView& view, int position) {
  GroupRecord& group = *project.GroupAt(position);
  if (!group.IsAirport()) group.ID.clear();
  view.ReplaceGroupLine(position, GroupLine(group, position));
}

// Makes `position` the current group (writing what is pending first, which
// may throw) and gives it `plates`, to be written at the next flush point.
void PutPlates(Project& project, EditView& view, int position,
               const std::vector<PlateRecord>& plates) {
  GroupOf(project, position);
  if (project.CurrentGroup != position) {
    project.SelectGroup(position);
    view.SelectGroupLine(position);
  }
  GroupRecord& group = *project.GroupAt(position);
  PlateArray& table = project.PlateTable();
  for (size_t i = 0; i < plates.size() && i < table.size(); ++i) table[i] = plates[i];
  group.Count = static_cast<int32_t>(std::min(plates.size(), table.size()));
  view.ClearPlateLines();
  for (int i = 0; i < group.Count; ++i) view.AddPlateLine(PlateLine(table[size_t(i)], i));
  ShowGroupLine(project, view, position);
  project.CurrentPlate = -1;
  project.ProjectModified = true;
  project.GroupModified = true;
}

class PlatesChange : public ProjectEdit {
 public:
  PlatesChange(std::string text, int group, std::vector<PlateRecord> before,
               std::vector<PlateRecord> after)
      : text_(std::move(text)),
        group_(group),
        before_(std::move(before)),
        after_(std::move(after)) {}
  std::string Text() const override { return text_; }
  void Undo(Project& project, EditView& view) override {
    PutPlates(project, view, group_, before_);
  }
  void Redo(Project& project, EditView& view) override { PutPlates(project, view, group_, after_); }

 private:
  std::string text_;
  int group_;
  std::vector<PlateRecord> before_;
  std::vector<PlateRecord> after_;
};

// A group at `position` with its plates: present after Redo of an
// addition and after Undo of a deletion.
class GroupPresence : public ProjectEdit {
 public:
  GroupPresence(bool added, int position, GroupRecord record, std::vector<PlateRecord> plates)
      : added_(added),
        position_(position),
        record_(std::move(record)),
        plates_(std::move(plates)) {}
  std::string Text() const override { return added_ ? "add group" : "delete group"; }
  void Undo(Project& project, EditView& view) override {
    if (added_) {
      Remove(project, view);
    } else {
      Restore(project, view);
    }
  }
  void Redo(Project& project, EditView& view) override {
    if (added_) {
      Restore(project, view);
    } else {
      Remove(project, view);
    }
  }

 private:
  void Remove(Project& project, EditView& view) {
    GroupOf(project, position_);
    project.FlushPending();
    const int current = project.CurrentGroup;
    if (current != position_) {
      project.CurrentGroup = position_;
      project.LoadGroup(position_);
    }
    // The group's plates as they are now come back with it.
    record_ = *project.GroupAt(position_);
    plates_ = CurrentPlates(project);
    project.DeleteCurrentGroup();
    project.CurrentPlate = -1;
    if (current == position_ || current < 0) {
      view.SelectGroupLine(-1);
      return;
    }
    // Another group was current: it stays so.
    project.CurrentGroup = current > position_ ? current - 1 : current;
    project.LoadGroup(project.CurrentGroup);
    view.SelectGroupLine(project.CurrentGroup);
  }
  void Restore(Project& project, EditView& view) {
    if (position_ > project.GroupCount()) GroupOf(project, position_);
    GroupRecord record = record_;
    record.Count = 0;
    if (added_ && plates_.empty()) {
      // As when it was added: the current group stays current.
      project.InsertGroup(position_, record);
      return;
    }
    project.FlushPending();
    project.InsertGroup(position_, record);
    project.CurrentGroup = position_;
    view.SelectGroupLine(position_);
    PutPlates(project, view, position_, plates_);
  }

  bool added_;
  int position_;
  GroupRecord record_;
  std::vector<PlateRecord> plates_;
};

class GroupChange : public ProjectEdit {
 public:
  GroupChange(int position, GroupProperties before, GroupProperties after)
      : position_(position), before_(std::move(before)), after_(std::move(after)) {}
  std::string Text() const override { return "edit group"; }
  void Undo(Project& project, EditView& view) override { Put(project, view, before_); }
  void Redo(Project& project, EditView& view) override { Put(project, view, after_); }

 private:
  void Put(Project& project, EditView& view, const GroupProperties& properties) {
    GroupRecord& group = GroupOf(project, position_);
    const int32_t count = group.Count;
    group = properties.record;
    group.Count = count;
    project.FilenameHeader = properties.filename_header;
    project.FilenameHeaderPath = properties.filename_header_path;
    ShowGroupLine(project, view, position_);
    project.ProjectModified = true;
  }

  int position_;
  GroupProperties before_;
  GroupProperties after_;
};

}  // namespace

std::vector<PlateRecord> CurrentPlates(const Project& project) {
  const GroupRecord* group = project.GroupAt(project.CurrentGroup);
  if (!group) return {};
  const PlateArray& table = project.PlateTable();
  const auto count = static_cast<size_t>(std::clamp(group->Count, 0, kMaxPlatesPerGroup));
  return {table.begin(), table.begin() + static_cast<std::ptrdiff_t>(count)};
}

std::unique_ptr<ProjectEdit> PlatesEdit(std::string text, int group,
                                        std::vector<PlateRecord> before,
                                        std::vector<PlateRecord> after) {
  if (group < 0 || SamePlates(before, after)) return nullptr;
  return std::make_unique<PlatesChange>(std::move(text), group, std::move(before),
                                        std::move(after));
}

std::unique_ptr<ProjectEdit> GroupAddedEdit(const Project& project, int position) {
  const GroupRecord* group = project.GroupAt(position);
  if (!group) return nullptr;
  return std::make_unique<GroupPresence>(true, position, *group, std::vector<PlateRecord>{});
}

std::unique_ptr<ProjectEdit> GroupDeletedEdit(int position, GroupRecord record,
                                              std::vector<PlateRecord> plates) {
  return std::make_unique<GroupPresence>(false, position, std::move(record), std::move(plates));
}

GroupProperties PropertiesOf(const Project& project, int position) {
  GroupProperties properties;
  if (const GroupRecord* group = project.GroupAt(position)) properties.record = *group;
  properties.filename_header = project.FilenameHeader;
  properties.filename_header_path = project.FilenameHeaderPath;
  return properties;
}

std::unique_ptr<ProjectEdit> GroupEditedEdit(int position, GroupProperties before,
                                             GroupProperties after) {
  return std::make_unique<GroupChange>(position, std::move(before), std::move(after));
}

}  // namespace qp::app
