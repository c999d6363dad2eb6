#include <array>

#include "cli/command.h"

namespace qp::cli {

// Each command is defined in its own cmd_*.cpp file.
int RunVersion(const CommandArgs& args, std::ostream& out, std::ostream& err);

namespace {

const std::array kCommands = {
    Command{"version", "print the program's version", "Usage: platec version\n", &RunVersion},
};

}  // namespace

std::span<const Command> AllCommands() { return kCommands; }

}  // namespace qp::cli
