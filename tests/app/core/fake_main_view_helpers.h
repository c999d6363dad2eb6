#pragma once
// A MainView that keeps the lists as plain vectors, records the messages and
// answers the dialogs from queues the test fills.

#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/core/main_view.h"

namespace qp::test {

class FakeMainView : public app::MainView {
 public:
  std::vector<std::string> groups;
  std::vector<std::string> plates;
  std::set<int> selected_plates;
  int selected_group = -1;
  int focused_plate = -1;
  std::vector<std::string> messages;
  std::string status;                                    // the status bar's text
  std::vector<std::unique_ptr<app::ProjectEdit>> edits;  // recorded for Undo, oldest first
  std::vector<std::string> recent;                       // the "Recent projects" menu
  std::string active_project = "No project loaded";

  std::deque<std::optional<std::string>> new_project_answers;
  std::deque<std::optional<std::string>> open_project_answers;
  std::deque<app::GroupNameFields> group_editor_answers;
  std::vector<app::GroupNameFields> group_editor_shown;
  std::vector<std::string> dialog_folders;

  void AddGroupLine(const std::string& line) override { groups.push_back(line); }
  void ReplaceGroupLine(int position, const std::string& line) override {
    groups.at(static_cast<size_t>(position)) = line;
  }
  void RemoveGroupLine(int position) override {
    groups.erase(groups.begin() + position);
    if (selected_group == position) selected_group = -1;
  }
  void ClearGroupLines() override {
    groups.clear();
    selected_group = -1;
  }
  void AddPlateLine(const std::string& line) override { plates.push_back(line); }
  void ClearPlateLines() override {
    plates.clear();
    selected_plates.clear();
    focused_plate = -1;
  }

  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowStatus(const std::string& text) override { status = text; }
  void RecordEdit(std::unique_ptr<app::ProjectEdit> edit) override {
    edits.push_back(std::move(edit));
  }
  void ClearEdits() override { edits.clear(); }
  void ShowRecentProjects(const std::vector<std::string>& paths) override { recent = paths; }
  void ShowActiveProject(const std::string& text) override { active_project = text; }
  std::optional<std::string> ChooseNewProjectFile(const std::string& folder) override {
    dialog_folders.push_back(folder);
    return Next(new_project_answers);
  }
  std::optional<std::string> ChooseProjectToOpen(const std::string& folder) override {
    dialog_folders.push_back(folder);
    return Next(open_project_answers);
  }
  app::GroupNameFields EditGroupName(const app::GroupNameFields& initial) override {
    group_editor_shown.push_back(initial);
    if (group_editor_answers.empty()) return initial;
    app::GroupNameFields answer = group_editor_answers.front();
    group_editor_answers.pop_front();
    return answer;
  }

  int SelectedGroupLine() const override { return selected_group; }
  void SelectGroupLine(int position) override { selected_group = position; }
  int PlateLineCount() const override { return static_cast<int>(plates.size()); }
  std::string PlateLineText(int index) const override {
    return plates.at(static_cast<size_t>(index));
  }
  void ReplacePlateLine(int index, const std::string& line) override {
    plates.at(static_cast<size_t>(index)) = line;
  }
  bool PlateLineSelected(int index) const override { return selected_plates.count(index) > 0; }
  void SetPlateLineSelected(int index, bool selected) override {
    if (selected) {
      selected_plates.insert(index);
    } else {
      selected_plates.erase(index);
    }
  }
  int FocusedPlateLine() const override { return focused_plate; }

 private:
  static std::optional<std::string> Next(std::deque<std::optional<std::string>>& answers) {
    if (answers.empty()) return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace qp::test
