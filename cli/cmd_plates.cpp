#include <charconv>
#include <cstdint>
#include <ostream>

#include "cli/argument_reader.h"
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
  ArgumentReader reader(args);
  const bool json = reader.Flag("--json");
  const std::optional<std::string> group = reader.Value("--group");
  CommandArgs rest = reader.Positionals({"PROJECT.zpl", "group number"}, group ? 1 : 2);
  if (group) {
    if (rest.size() == 2) throw UsageError("the group is given twice");
    rest.push_back(*group);
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
