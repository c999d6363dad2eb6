#include <ostream>

#include "cli/argument_reader.h"
#include "cli/command.h"

namespace qp::cli {

int RunVersion(const CommandArgs& args, std::ostream& out, std::ostream&) {
  ArgumentReader(args).Positionals({}, 0);
  out << kPlatecVersion << "\n";
  return 0;
}

}  // namespace qp::cli
