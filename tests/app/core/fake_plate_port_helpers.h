#pragma once
// A plate operations port for tests: records messages and replaced lines,
// and answers the editor with a function the test sets.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/core/plate_operations.h"

namespace qp::test {

class FakePlatePort : public app::PlateOperationsPort {
 public:
  std::vector<std::string> messages;
  std::map<int, std::string> replaced_lines;
  std::vector<app::PlateEditorFields> editor_shown;  // the fields as each showing began
  // What the user does in the editor; returns whether it closed with OK.
  std::function<bool(app::PlateEditorFields&)> user = [](app::PlateEditorFields&) { return true; };

  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ReplacePlateLine(int index, const std::string& line) override {
    replaced_lines[index] = line;
  }
  bool ShowEditor(app::PlateEditorFields& fields) override {
    editor_shown.push_back(fields);
    return user(fields);
  }
};

}  // namespace qp::test
