#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/build_progress.h"
#include "cli/command.h"
#include "cli/option_values.h"
#include "cli/project_loading.h"
#include "compiler/build_driver.h"
#include "compiler/plate_workers.h"
#include "project/app_folders.h"
#include "project/errors.h"

namespace qp::cli {
namespace {

constexpr const char* kUsage =
    "Usage: platec build PROJECT.zpl [--all | --group N ...] [--home DIR] [--jobs N] "
    "[--no-wait] [--quiet | --json]\n";

// Far more workers than any machine has cores gains nothing.
constexpr int kMaxJobs = 256;

struct BuildArguments {
  std::string project;
  bool all = false;
  std::vector<int> groups;  // 1-based, as given
  bool no_wait = false;     // stop when another build holds the folder
  int jobs = 0;             // plates rendered at once; 0: one per core
  bool quiet = false;
  bool json = false;
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
      parsed.groups.push_back(static_cast<int>(WholeNumberOption(arg, args[++i], 1, INT32_MAX)));
    } else if (arg == "--jobs") {
      if (i + 1 == args.size()) {
        error = "--jobs needs a number of workers";
        return false;
      }
      parsed.jobs = static_cast<int>(WholeNumberOption(arg, args[++i], 1, kMaxJobs));
    } else if (arg == "--quiet" || arg == "-q") {
      parsed.quiet = true;
    } else if (arg == "--json") {
      parsed.json = true;
    } else if (arg == "--no-wait") {
      parsed.no_wait = true;
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
  if (parsed.quiet && parsed.json) {
    error = "--quiet and --json exclude each other";
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
  LoadProjectFile(parsed.project, project, err);
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

  const ApplicationFolderInputs inputs = ApplicationFolderInputs::FromProcess(home);
  const std::string folder = ApplicationFolder(inputs);
  EnsureApplicationFolder(inputs, folder);
  CreateFixedFolders(folder);
  const ProgressForm form = parsed.json                                   ? ProgressForm::kJson
                            : parsed.quiet                                ? ProgressForm::kQuiet
                            : &out == &std::cout && isatty(STDOUT_FILENO) ? ProgressForm::kTerminal
                                                                          : ProgressForm::kLines;
  PrintingStatus status(form, out, err);
  BuildDriver driver(folder);
  driver.SetWaitForOtherBuilds(!parsed.no_wait);
  driver.SetJobs(BuildWorkerCount(parsed.jobs));
  driver.BuildGroups(project, request, status);
  return 0;
}

}  // namespace qp::cli
