#include <charconv>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/project_loading.h"
#include "compiler/build_driver.h"
#include "project/app_folders.h"
#include "project/errors.h"

namespace qp::cli {
namespace {

constexpr const char* kUsage =
    "Usage: platec build PROJECT.zpl [--all | --group N ...] [--home DIR]\n";

// Prints the status window's lines as they come; nothing can ask for a stop.
class PrintingStatus : public BuildStatus {
 public:
  explicit PrintingStatus(std::ostream& out) : out_(out) {}
  void Start(int) override {}
  void AddLine(const std::string& line) override { out_ << line << std::endl; }
  void PlateDone() override {}
  bool StopRequested() const override { return false; }
  void Pump() override {}
  void Finish() override {}
  void GroupFileWritten(const std::string& path) override { out_ << "Wrote " << path << std::endl; }

 private:
  std::ostream& out_;
};

struct BuildArguments {
  std::string project;
  bool all = false;
  std::vector<int> groups;  // 1-based, as given
};

// False (with a message in `error`) when the arguments do not fit the usage.
bool ParseBuildArguments(const CommandArgs& args, BuildArguments& parsed, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--all") {
      parsed.all = true;
    } else if (arg == "--group") {
      if (i + 1 == args.size()) {
        error = "--group needs a group number";
        return false;
      }
      const std::string& text = args[++i];
      int n = 0;
      const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
      if (ec != std::errc() || end != text.data() + text.size() || n < 1) {
        error = "not a group number: " + text;
        return false;
      }
      parsed.groups.push_back(n);
    } else if (arg.starts_with("-") || !parsed.project.empty()) {
      error = "unexpected argument: " + arg;
      return false;
    } else {
      parsed.project = arg;
    }
  }
  if (parsed.project.empty()) {
    error = "no project file given";
    return false;
  }
  if (parsed.all && !parsed.groups.empty()) {
    error = "--all and --group exclude each other";
    return false;
  }
  return true;
}

}  // namespace

int RunBuild(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  CommandArgs rest = args;
  const std::optional<std::string> home = TakeHomeOption(rest);
  BuildArguments parsed;
  if (std::string error; !ParseBuildArguments(rest, parsed, error)) {
    err << "platec build: " << error << "\n" << kUsage;
    return 2;
  }

  Project project;
  LoadProjectFile(parsed.project, project);
  BuildRequest request;
  if (!parsed.groups.empty()) {
    request.scope = BuildScope::bsSelectedGroups;
    for (int n : parsed.groups) {
      if (n > project.GroupCount()) {
        throw Error("no group " + std::to_string(n) + " in " + parsed.project + " (it has " +
                    std::to_string(project.GroupCount()) + ")");
      }
      request.selected_groups.push_back(n - 1);
    }
  }

  const std::string folder = ApplicationFolder(ApplicationFolderInputs::FromProcess(home));
  std::error_code ignored;  // a folder that cannot be made shows up when a file is written
  std::filesystem::create_directories(folder, ignored);
  CreateFixedFolders(folder);
  PrintingStatus status(out);
  BuildDriver(folder).BuildGroups(project, request, status);
  return 0;
}

}  // namespace qp::cli
