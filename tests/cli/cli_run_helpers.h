#pragma once
// Runs platec in process and keeps what it printed.

#include <sstream>
#include <string>

#include "cli/command.h"

namespace qp::cli {

struct CliRun {
  int status;
  std::string out;
  std::string err;
};

inline CliRun Platec(const CommandArgs& args) {
  std::ostringstream out, err;
  const int status = RunPlatec(args, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace qp::cli
