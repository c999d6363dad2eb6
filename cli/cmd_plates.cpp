#include <charconv>
#include <cstdint>
#include <ostream>

#include "cli/command.h"
#include "cli/option_values.h"
#include "cli/project_loading.h"
#include "project/errors.h"

namespace qp::cli {

namespace {

// Prints the plate list's lines as LoadGroup makes them.
class PlateLinePrinter : public NullProjectView {
 public:
  explicit PlateLinePrinter(std::ostream& out) : out_(out) {}
  void AddPlateLine(const std::string& line) override { out_ << line << "\n"; }

 private:
  std::ostream& out_;
};

}  // namespace

int RunPlates(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) {
    err << "Usage: platec plates PROJECT.zpl N\n";
    return 2;
  }
  const int number = static_cast<int>(WholeNumberOption("the group number", args[1], 1, INT32_MAX));
  PlateLinePrinter printer(out);
  Project project(&printer);
  LoadProjectFile(args[0], project);
  if (number > project.GroupCount()) {
    throw Error("the project has " + std::to_string(project.GroupCount()) + " groups, not " +
                std::to_string(number));
  }
  project.LoadGroup(number - 1);
  return 0;
}

}  // namespace qp::cli
