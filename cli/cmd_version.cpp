#include <ostream>

#include "cli/command.h"

namespace qp::cli {

int RunVersion(const CommandArgs&, std::ostream& out, std::ostream&) {
  out << kPlatecVersion << "\n";
  return 0;
}

}  // namespace qp::cli
