#pragma once
// The project model: the complete group list, the plates of the current
// group in the PlateTable, the state flags, and the operations that move
// data between the model and the project file.
//
// Every file operation opens the project file by name, reads or writes, and
// releases it; a write replaces the file atomically. A failed write throws
// WriteError ("Unable to write to PATH") and leaves the flags as they were.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "project/project_view.h"
#include "project/records.h"

namespace qp {

class IniFile;

// Upper bound on "NumberOfGroups", so that a damaged file cannot make the
// model allocate without end.
inline constexpr int kMaxGroups = 10000;

using PlateArray = std::array<PlateRecord, kMaxPlatesPerGroup>;

class Project {
 public:
  // The view must outlive the project; nullptr shows nothing.
  explicit Project(ProjectView* view = nullptr);

  // State, read and set by the windows, the batch import and the build.
  std::string ProjectFileName;  // full path of the open project file; empty when none
  bool ProjectLoaded = false;
  bool ProjectModified = false;
  bool GroupModified = false;
  int32_t CurrentGroup = -1;
  int32_t CurrentPlate = -1;
  int32_t FoundPlate = -1;
  // Batch import settings (UTF-8 text).
  std::string FilenameHeader;
  std::string FilenameHeaderPath;
  uint16_t ProcessOptions = 0;
  uint16_t DefaultScaling = 0;
  bool ConfirmPlateAdd = false;
  // The batch import reads the geo-reference of charts that carry or print one.
  bool GeoReferenceImports = false;
  // What LoadProject had to leave out ("Group 2 (KBOS) lists 612 plates;
  // only the first 500 are loaded"), one sentence each.
  std::vector<std::string> LoadWarnings;

  int32_t GroupCount() const { return static_cast<int32_t>(groups_.size()); }
  // The group at a 0-based position, or nullptr when there is none.
  GroupRecord* GroupAt(int position);
  const GroupRecord* GroupAt(int position) const;

  // The plates of the current group: entries 0 to Count - 1 are valid.
  PlateArray& PlateTable() { return *plates_; }
  const PlateArray& PlateTable() const { return *plates_; }

  // File operations.
  void SaveProject();
  void LoadProject();
  void SaveGroup(int position);
  void LoadGroup(int position);
  // Finds the first plate of the current group whose source equals `path`
  // ignoring letter case; sets FoundPlate and returns true when found.
  bool FindPlateBySource(const std::string& path);

  // Flush points: pending changes are written, SaveProject before SaveGroup.
  // Selecting a group makes it current and loads its plates.
  void SelectGroup(int position);
  // Before a build: writes what is pending and clears both flags.
  void FlushPending();
  // When the main window closes (does nothing without a loaded project).
  void FlushOnClose();

  // Project commands.
  // Starts an empty project in `path`, keeping the import settings; the
  // project that was open is not written.
  void NewProject(const std::string& path);
  // Writes the open project (SaveProject always, SaveGroup when pending) and
  // loads the one in `path`.
  void OpenProject(const std::string& path);

  // Group and plate commands. Names come from the user interface as UTF-8
  // and are cut to their capacity.
  void AddGroup(const std::string& name, const std::string& id, uint8_t type);
  // Deletes the current group; false when there is none. The plates of the
  // groups after it stay with them: their sections are moved down when the
  // project is next written.
  bool DeleteCurrentGroup();
  // Puts a group (Windows-1252 record, as stored) back at `position`
  // (0..GroupCount()); its plates go to a section of their own when the
  // group's plates are next written. The current group is not changed.
  void InsertGroup(int position, const GroupRecord& record);
  // Appends a plate (Windows-1252 name, source path bytes) to the current
  // group and returns its index. Throws Error("A group holds at most 500
  // plates") when the group is full, or when no group is current, changing
  // nothing.
  int AddPlate(const PlateRecord& plate);

 private:
  struct GroupSlot {
    GroupRecord record;
    // Section of the project file that holds the group's plates. It differs
    // from position + 1 only after a group before it was deleted, until
    // its plates have been moved down.
    int section = 0;
  };

  bool RelocationPending() const;
  // Moves the plates of every group whose section is not position + 1 into
  // section position + 1, within the given file's text.
  void RelocatePlates(IniFile& file) const;
  void MarkRelocated();
  void ShowGroupLine(int position, bool replace);
  void ReadPlates(const IniFile& file, int section, int count, PlateArray& table) const;
  void WritePlates(IniFile& file, int section, int count, const PlateArray& table) const;

  ProjectView* view_;
  std::vector<GroupSlot> groups_;
  std::unique_ptr<PlateArray> plates_;
};

// Conversions of text from the user interface into record fields.
std::string NameField(const std::string& utf8);        // Windows-1252, 63 characters
std::string GroupIdField(const std::string& utf8);     // Windows-1252, 6 characters
std::string SourceFileField(const std::string& path);  // bytes, 255 at most
// What a plate without a source file holds.
inline constexpr const char* kSourceFileNotAssigned = "Source file not assigned";
// A source path as plates store it: absolute (against the working folder)
// and without "." and ".." steps, so a project builds from any folder and
// two spellings of one file compare equal. Empty and kSourceFileNotAssigned
// stay as they are.
std::string NormalisedSourcePath(const std::string& path);

}  // namespace qp
