#pragma once
// The commands of platec: each is a function from its arguments to an exit
// status, writing its results to `out` and its errors to `err`.

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qp::cli {

using CommandArgs = std::vector<std::string>;

inline constexpr const char* kPlatecVersion = "platec " QP_VERSION;
using CommandFunction = int (*)(const CommandArgs& args, std::ostream& out, std::ostream& err);

struct Command {
  std::string_view name;
  std::string_view summary;  // one line for `platec --help`
  std::string_view usage;    // the text of `platec NAME --help`
  CommandFunction run;
};

// Every command, in the order that `platec --help` lists them.
std::span<const Command> AllCommands();

// Runs platec with its command line (argv[0] excluded).
int RunPlatec(const CommandArgs& args, std::ostream& out, std::ostream& err);

// The note that pdfinfo and render write to standard error for a file whose
// cross-reference had to be rebuilt.
inline constexpr std::string_view kRepairedNote = "damaged file repaired (cross-reference rebuilt)";

// Removes every `flag` from `args`; true when there was one.
bool TakeFlag(CommandArgs& args, std::string_view flag);

// True when args holds "--help" or "-h".
bool WantsHelp(const CommandArgs& args);

}  // namespace qp::cli
