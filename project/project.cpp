#include "project/project.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "project/errors.h"
#include "project/ini_file.h"
#include "project/line_texts.h"
#include "project/project_file_check.h"
#include "project/text_encoding.h"

namespace qp {

namespace {

constexpr std::string_view kGeneral = "General";

std::string GroupSection(int number) {
  return "Group" + std::to_string(number);
}

std::string Key(std::string_view prefix, int number) {
  return std::string(prefix) + std::to_string(number);
}

int ClampCount(int32_t count) {
  return std::clamp<int32_t>(count, 0, kMaxPlatesPerGroup);
}

NullProjectView null_view;

}  // namespace

std::string NameField(const std::string& utf8) {
  return Utf8ToWindows1252(utf8, kNameCapacity);
}

std::string GroupIdField(const std::string& utf8) {
  return Utf8ToWindows1252(utf8, kGroupIdCapacity);
}

std::string SourceFileField(const std::string& path) {
  return CutUtf8Bytes(path, kSourceFileCapacity);
}

std::string NormalisedSourcePath(const std::string& path) {
  if (path.empty() || path == kSourceFileNotAssigned) return path;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  return (ec ? std::filesystem::path(path) : absolute).lexically_normal().string();
}

Project::Project(ProjectView* view)
    : view_(view ? view : &null_view), plates_(std::make_unique<PlateArray>()) {}

GroupRecord* Project::GroupAt(int position) {
  if (position < 0 || position >= GroupCount()) return nullptr;
  return &groups_[static_cast<size_t>(position)].record;
}

const GroupRecord* Project::GroupAt(int position) const {
  return const_cast<Project*>(this)->GroupAt(position);
}

void Project::ShowGroupLine(int position, bool replace) {
  GroupRecord& group = groups_[static_cast<size_t>(position)].record;
  if (!group.IsAirport()) group.ID.clear();
  std::string line = GroupLine(group, position);
  if (replace) {
    view_->ReplaceGroupLine(position, line);
  } else {
    view_->AddGroupLine(line);
  }
}

void Project::ReadPlates(const IniFile& file, int section, int count, PlateArray& table) const {
  const std::string name = GroupSection(section);
  for (int i = 0; i < count; ++i) {
    const int m = i + 1;
    PlateRecord& p = table[static_cast<size_t>(i)];
    p.Name = NameField(file.ReadString(name, Key("Plate", m), "No plate name"));
    p.SourceFile =
        SourceFileField(file.ReadString(name, Key("PlateName", m), kSourceFileNotAssigned));
    p.GEOREF = file.ReadBool(name, Key("GEOREF", m), false);
    p.LatTL = file.ReadInteger(name, Key("LatTL", m), 0);
    p.LongTL = file.ReadInteger(name, Key("LongTL", m), 0);
    p.LatBR = file.ReadInteger(name, Key("LatBR", m), 0);
    p.LongBR = file.ReadInteger(name, Key("LongBR", m), 0);
    p.Width = static_cast<uint16_t>(file.ReadInteger(name, Key("Width", m), 0));
    p.Height = static_cast<uint16_t>(file.ReadInteger(name, Key("Height", m), 0));
    p.Scaling = static_cast<uint8_t>(file.ReadInteger(name, Key("Scaling", m), 0));
    p.FirstPage = file.ReadInteger(name, Key("FirstPage", m), 1);
    p.NumberOfPages = file.ReadInteger(name, Key("NumberOfPages", m), 1);
    p.Rotate = static_cast<uint8_t>(file.ReadInteger(name, Key("Rotate", m), 0));
    p.NameFromFilename = file.ReadBool(name, Key("NameFromFilename", m), false);
    p.Clip = file.ReadBool(name, Key("Clip", m), false);
    p.ClipX1 = file.ReadInteger(name, Key("ClipX1", m), 0);
    p.ClipX2 = file.ReadInteger(name, Key("ClipX2", m), 0);
    p.ClipY1 = file.ReadInteger(name, Key("ClipY1", m), 0);
    p.ClipY2 = file.ReadInteger(name, Key("ClipY2", m), 0);
  }
}

void Project::WritePlates(IniFile& file, int section, int count, const PlateArray& table) const {
  const std::string name = GroupSection(section);
  for (int i = 0; i < count; ++i) {
    const int m = i + 1;
    const PlateRecord& p = table[static_cast<size_t>(i)];
    file.WriteString(name, Key("Plate", m), Windows1252ToUtf8(p.Name));
    file.WriteString(name, Key("PlateName", m), p.SourceFile);
    file.WriteBool(name, Key("GEOREF", m), p.GEOREF);
    file.WriteInteger(name, Key("LatTL", m), p.LatTL);
    file.WriteInteger(name, Key("LongTL", m), p.LongTL);
    file.WriteInteger(name, Key("LatBR", m), p.LatBR);
    file.WriteInteger(name, Key("LongBR", m), p.LongBR);
    file.WriteInteger(name, Key("Width", m), p.Width);
    file.WriteInteger(name, Key("Height", m), p.Height);
    file.WriteInteger(name, Key("Scaling", m), p.Scaling);
    file.WriteInteger(name, Key("FirstPage", m), p.FirstPage);
    file.WriteInteger(name, Key("NumberOfPages", m), p.NumberOfPages);
    file.WriteInteger(name, Key("Rotate", m), p.Rotate);
    file.WriteBool(name, Key("NameFromFilename", m), p.NameFromFilename);
    file.WriteBool(name, Key("Clip", m), p.Clip);
    file.WriteInteger(name, Key("ClipX1", m), p.ClipX1);
    file.WriteInteger(name, Key("ClipX2", m), p.ClipX2);
    file.WriteInteger(name, Key("ClipY1", m), p.ClipY1);
    file.WriteInteger(name, Key("ClipY2", m), p.ClipY2);
  }
}

bool Project::RelocationPending() const {
  for (size_t i = 0; i < groups_.size(); ++i) {
    if (groups_[i].section != static_cast<int>(i) + 1) return true;
  }
  return false;
}

void Project::RelocatePlates(IniFile& file) const {
  // Read every moved group first: a group's new section may be the old
  // section of another moved group.
  std::vector<std::pair<int, std::unique_ptr<PlateArray>>> moved;
  for (size_t i = 0; i < groups_.size(); ++i) {
    const GroupSlot& slot = groups_[i];
    if (slot.section == static_cast<int>(i) + 1) continue;
    auto plates = std::make_unique<PlateArray>();
    ReadPlates(file, slot.section, ClampCount(slot.record.Count), *plates);
    moved.emplace_back(static_cast<int>(i), std::move(plates));
  }
  for (const auto& [position, plates] : moved) {
    WritePlates(file, position + 1, ClampCount(GroupAt(position)->Count), *plates);
  }
}

void Project::MarkRelocated() {
  for (size_t i = 0; i < groups_.size(); ++i) groups_[i].section = static_cast<int>(i) + 1;
}

void Project::SaveProject() {
  IniFile file(ProjectFileName);
  file.WriteInteger(kGeneral, "NumberOfGroups", GroupCount());
  file.WriteString(kGeneral, "FileNameHeader", FilenameHeader);
  file.WriteString(kGeneral, "FileNameHeaderPath", FilenameHeaderPath);
  file.WriteInteger(kGeneral, "ProcessOptions", ProcessOptions);
  file.WriteInteger(kGeneral, "DefaultScaling", DefaultScaling);
  file.WriteBool(kGeneral, "ConfirmPlateAdd", ConfirmPlateAdd);
  file.WriteBool(kGeneral, "GeoReferenceCharts", GeoReferenceImports);
  for (int position = 0; position < GroupCount(); ++position) {
    const GroupRecord& group = *GroupAt(position);
    const std::string section = GroupSection(position + 1);
    file.WriteString(section, "ID", Windows1252ToUtf8(group.ID));
    file.WriteString(section, "Name", Windows1252ToUtf8(group.Name));
    file.WriteInteger(section, "Count", group.Count);
    file.WriteInteger(section, "Type", group.Type);
  }
  const bool relocate = RelocationPending();
  if (relocate) RelocatePlates(file);
  file.Commit();
  if (relocate) MarkRelocated();
  ProjectModified = false;
}

void Project::LoadProject() {
  IniFile file(ProjectFileName);
  const int count = std::clamp(file.ReadInteger(kGeneral, "NumberOfGroups", 0), 0, kMaxGroups);
  FilenameHeader = file.ReadString(kGeneral, "FilenameHeader", "");
  FilenameHeaderPath = file.ReadString(kGeneral, "FilenameHeaderPath", "");
  ProcessOptions = static_cast<uint16_t>(file.ReadInteger(kGeneral, "ProcessOptions", 0));
  DefaultScaling = static_cast<uint16_t>(file.ReadInteger(kGeneral, "DefaultScaling", 0));
  ConfirmPlateAdd = file.ReadBool(kGeneral, "ConfirmPlateAdd", false);
  GeoReferenceImports = file.ReadBool(kGeneral, "GeoReferenceCharts", false);

  groups_.clear();
  LoadWarnings.clear();
  view_->ClearGroupLines();
  groups_.reserve(static_cast<size_t>(count));
  for (int position = 0; position < count; ++position) {
    const std::string section = GroupSection(position + 1);
    GroupSlot slot;
    slot.section = position + 1;
    slot.record.Name = NameField(file.ReadString(section, "Name", "No group name"));
    slot.record.ID = GroupIdField(file.ReadString(section, "ID", "No ID"));
    // A group keeps at most 500 plates; a larger "Count" loads the first 500.
    const int32_t stored = file.ReadInteger(section, "Count", 0);
    slot.record.Count = ClampCount(stored);
    if (stored > kMaxPlatesPerGroup) {
      LoadWarnings.push_back("Group " + std::to_string(position + 1) + " (" +
                             Windows1252ToUtf8(slot.record.Name) + ") lists " +
                             std::to_string(stored) + " plates; only the first " +
                             std::to_string(kMaxPlatesPerGroup) + " are loaded");
    }
    slot.record.Type = static_cast<uint8_t>(file.ReadInteger(section, "Type", 0));
    groups_.push_back(std::move(slot));
    ShowGroupLine(position, false);
  }
  ProjectLoaded = true;
}

void Project::SaveGroup(int position) {
  if (!GroupAt(position)) return;
  const GroupSlot& slot = groups_[static_cast<size_t>(position)];
  const int count = ClampCount(slot.record.Count);
  if (count == 0) return;  // no key to write
  IniFile file(ProjectFileName);
  WritePlates(file, slot.section, count, *plates_);
  file.Commit();
}

void Project::LoadGroup(int position) {
  view_->ClearPlateLines();
  if (!GroupAt(position)) return;
  const GroupSlot& slot = groups_[static_cast<size_t>(position)];
  const int count = ClampCount(slot.record.Count);
  if (count == 0) return;
  IniFile file(ProjectFileName);
  ReadPlates(file, slot.section, count, *plates_);
  for (int i = 0; i < count; ++i)
    view_->AddPlateLine(PlateLine((*plates_)[static_cast<size_t>(i)], i));
}

bool Project::FindPlateBySource(const std::string& path) {
  const GroupRecord* group = GroupAt(CurrentGroup);
  if (!group) return false;
  const std::string wanted = Utf8ToUpper(NormalisedSourcePath(path));
  for (int i = 0; i < ClampCount(group->Count); ++i) {
    const std::string& stored = (*plates_)[static_cast<size_t>(i)].SourceFile;
    if (Utf8ToUpper(NormalisedSourcePath(stored)) == wanted) {
      FoundPlate = i;
      return true;
    }
  }
  return false;
}

void Project::FlushPending() {
  if (ProjectModified) SaveProject();
  if (GroupModified) {
    SaveGroup(CurrentGroup);
    GroupModified = false;
  }
}

void Project::SelectGroup(int position) {
  FlushPending();
  CurrentGroup = position;
  LoadGroup(CurrentGroup);
  CurrentPlate = -1;
  ProjectModified = false;
  GroupModified = false;
}

void Project::FlushOnClose() {
  if (ProjectLoaded) FlushPending();
}

void Project::NewProject(const std::string& path) {
  ProjectFileName = path;
  groups_.clear();
  view_->ClearGroupLines();
  view_->ClearPlateLines();
  SaveProject();
  ProjectLoaded = true;
  ProjectModified = true;
  GroupModified = false;
  CurrentGroup = -1;
}

void Project::OpenProject(const std::string& path) {
  // A missing file opens as a new, empty project; any other file that is
  // not a project is refused before the current project is touched.
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) CheckProjectFile(path);
  if (ProjectLoaded) {
    SaveProject();
    if (GroupModified) SaveGroup(CurrentGroup);
  }
  ProjectFileName = path;
  LoadProject();
  view_->ClearPlateLines();
  ProjectModified = false;
  GroupModified = false;
  CurrentGroup = -1;
}

void Project::AddGroup(const std::string& name, const std::string& id, uint8_t type) {
  GroupSlot slot;
  slot.record.Name = NameField(name);
  slot.record.ID = GroupIdField(id);
  slot.record.Type = type;
  // A section no other group's plates occupy, even while sections wait to
  // be moved down after a deletion.
  slot.section = GroupCount() + 1;
  for (const GroupSlot& other : groups_) slot.section = std::max(slot.section, other.section + 1);
  groups_.push_back(std::move(slot));
  ShowGroupLine(GroupCount() - 1, false);
  ProjectModified = true;
}

void Project::InsertGroup(int position, const GroupRecord& record) {
  position = std::clamp(position, 0, GroupCount());
  GroupSlot slot;
  slot.record = record;
  slot.record.Count = ClampCount(record.Count);
  slot.section = GroupCount() + 1;
  for (const GroupSlot& other : groups_) slot.section = std::max(slot.section, other.section + 1);
  groups_.insert(groups_.begin() + position, std::move(slot));
  if (CurrentGroup >= position) ++CurrentGroup;
  // The list has no insert: a line is added at the end and every line from
  // `position` on is rewritten.
  ShowGroupLine(GroupCount() - 1, false);
  for (int i = position; i < GroupCount() - 1; ++i) ShowGroupLine(i, true);
  ProjectModified = true;
}

bool Project::DeleteCurrentGroup() {
  if (!ProjectLoaded || !GroupAt(CurrentGroup)) return false;
  const int position = CurrentGroup;
  groups_.erase(groups_.begin() + position);
  view_->RemoveGroupLine(position);
  // The groups after it move up one number; their lines say so.
  for (int i = position; i < GroupCount(); ++i) ShowGroupLine(i, true);
  view_->ClearPlateLines();
  CurrentGroup = -1;
  GroupModified = false;
  ProjectModified = true;
  return true;
}

int Project::AddPlate(const PlateRecord& plate) {
  GroupRecord* group = GroupAt(CurrentGroup);
  if (!group) return -1;
  if (group->Count >= kMaxPlatesPerGroup) throw Error("A group holds at most 500 plates");
  const int index = group->Count;
  PlateRecord& entry = (*plates_)[static_cast<size_t>(index)];
  entry = plate;
  entry.Name = plate.Name.substr(0, kNameCapacity);
  entry.SourceFile = SourceFileField(plate.SourceFile);
  ++group->Count;
  view_->AddPlateLine(PlateLine(entry, index));
  ShowGroupLine(CurrentGroup, true);
  ProjectModified = true;
  GroupModified = true;
  return index;
}

}  // namespace qp
