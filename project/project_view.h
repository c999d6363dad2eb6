#pragma once
// What the project model asks of the windows that show it: the lines of the
// group list and of the plate list. Lines are UTF-8. The GUI binds it to its
// list widgets; platec and tests use their own.

#include <string>

namespace qp {

class ProjectView {
 public:
  virtual ~ProjectView() = default;

  virtual void AddGroupLine(const std::string& line) = 0;
  virtual void ReplaceGroupLine(int position, const std::string& line) = 0;
  virtual void RemoveGroupLine(int position) = 0;
  virtual void ClearGroupLines() = 0;

  virtual void AddPlateLine(const std::string& line) = 0;
  virtual void ClearPlateLines() = 0;
};

// A view that shows nothing.
class NullProjectView : public ProjectView {
 public:
  void AddGroupLine(const std::string&) override {}
  void ReplaceGroupLine(int, const std::string&) override {}
  void RemoveGroupLine(int) override {}
  void ClearGroupLines() override {}
  void AddPlateLine(const std::string&) override {}
  void ClearPlateLines() override {}
};

}  // namespace qp
