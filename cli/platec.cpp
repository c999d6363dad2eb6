#include <algorithm>
#include <exception>
#include <ostream>

#include "cli/command.h"
#include "cli/option_values.h"

namespace qp::cli {

namespace {

void PrintOverview(std::ostream& out) {
  out << "platec: the Quarrin Plates compiler without its window\n\n"
         "Usage: platec COMMAND [ARGUMENTS]\n       platec --version\n\n"
         "Every option takes its value as \"--opt value\" or \"--opt=value\"; -o and\n"
         "--output name the output file (\"-o -\": standard output). Exit status: 0 done,\n"
         "1 the work failed, 2 a mistake in the command line.\n\nCommands:\n";
  for (const Command& command : AllCommands()) {
    out << "  " << command.name << std::string(std::max<size_t>(2, 10 - command.name.size()), ' ')
        << command.summary << "\n";
  }
  out << "\nRun 'platec COMMAND --help' for the arguments of a command.\n";
}

}  // namespace

bool TakeFlag(CommandArgs& args, std::string_view flag) {
  const auto removed = std::erase(args, flag);
  return removed > 0;
}

bool WantsHelp(const CommandArgs& args) {
  return std::any_of(args.begin(), args.end(),
                     [](const std::string& a) { return a == "--help" || a == "-h"; });
}

namespace {

// One spelling for every command: "--opt=value" is "--opt value" and
// "--output" is "-o". Everything after "--" is taken as it stands.
CommandArgs Normalised(const CommandArgs& args) {
  CommandArgs result;
  bool literal = false;
  for (const std::string& arg : args) {
    if (literal) {
      result.push_back(arg);
    } else if (arg == "--") {
      literal = true;
    } else if (arg.starts_with("--") && arg.find('=') != std::string::npos) {
      const size_t equals = arg.find('=');
      result.push_back(arg.substr(0, equals) == "--output" ? "-o" : arg.substr(0, equals));
      result.push_back(arg.substr(equals + 1));
    } else {
      result.push_back(arg == "--output" ? "-o" : arg);
    }
  }
  return result;
}

}  // namespace

int RunPlatec(const CommandArgs& given, std::ostream& out, std::ostream& err) {
  const CommandArgs args = Normalised(given);
  if (!args.empty() && (args[0] == "--version" || args[0] == "-V")) {
    out << kPlatecVersion << "\n";
    return 0;
  }
  if (args.empty()) {
    PrintOverview(err);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintOverview(out);
    return 0;
  }
  for (const Command& command : AllCommands()) {
    if (command.name != args[0]) continue;
    CommandArgs rest(args.begin() + 1, args.end());
    if (WantsHelp(rest)) {
      out << command.usage;
      return 0;
    }
    try {
      return command.run(rest, out, err);
    } catch (const UsageError& e) {
      err << "platec " << command.name << ": " << e.what() << "\n";
      // The first line of the command's help is its usage.
      err << command.usage.substr(0, command.usage.find('\n') + 1);
      return 2;
    } catch (const std::exception& e) {
      err << "platec " << command.name << ": " << e.what() << "\n";
      return 1;
    }
  }
  err << "platec: unknown command '" << args[0] << "'\n";
  PrintOverview(err);
  return 2;
}

}  // namespace qp::cli
