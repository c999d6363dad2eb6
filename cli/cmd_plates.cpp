#include <charconv>
#include <cstdint>
#include <ostream>

#include "cli/command.h"
#include "cli/json_text.h"
#include "cli/option_values.h"
#include "cli/project_json.h"
#include "cli/project_loading.h"
#include "project/errors.h"

namespace qp::cli {

namespace {

// Prints the plate list's lines as LoadGroup makes them.
class PlateLinePrinter : public NullProjectView {
 public:
  explicit PlateLinePrinter(std::ostream* out) : out_(out) {}
  void AddPlateLine(const std::string& line) override {
    if (out_) *out_ << line << "\n";
  }

 private:
  std::ostream* out_;  // null: the lines are not wanted
};

}  // namespace

int RunPlates(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  // The group as "--group N" or, as before, a second argument.
  CommandArgs rest;
  std::string group;
  bool json = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
    } else if (args[i] == "--group" && i + 1 < args.size()) {
      if (!group.empty()) throw UsageError("the group is given twice");
      group = args[++i];
    } else {
      rest.push_back(args[i]);
    }
  }
  if (!group.empty()) rest.push_back(group);
  if (rest.size() != 2) {
    err << "Usage: platec plates PROJECT.zpl --group N [--json]\n";
    return 2;
  }
  const int number = static_cast<int>(WholeNumberOption("the group number", rest[1], 1, INT32_MAX));
  PlateLinePrinter printer(json ? nullptr : &out);
  Project project(&printer);
  LoadProjectFile(rest[0], project, err);
  if (number > project.GroupCount()) {
    throw Error("the project has " + std::to_string(project.GroupCount()) + " groups, not " +
                std::to_string(number));
  }
  project.LoadGroup(number - 1);
  if (json) {
    JsonArray plates;
    const int count = project.GroupAt(number - 1)->Count;
    for (int i = 0; i < count; ++i) {
      plates.Add(PlateJson(project.PlateTable()[static_cast<size_t>(i)], i));
    }
    out << plates.Text() << "\n";
  }
  return 0;
}

}  // namespace qp::cli
