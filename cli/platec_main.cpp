#include <iostream>

#include "cli/command.h"

int main(int argc, char** argv) {
  qp::cli::CommandArgs args(argv + 1, argv + argc);
  return qp::cli::RunPlatec(args, std::cout, std::cerr);
}
