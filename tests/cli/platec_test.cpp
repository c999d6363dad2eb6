#include <gtest/gtest.h>

#include <sstream>

#include "cli/command.h"
#include "tests/cli/cli_run_helpers.h"

namespace qp::cli {
namespace {

TEST(Platec, HelpListsEveryCommand) {
  CliRun run = Platec({"--help"});
  EXPECT_EQ(run.status, 0);
  for (const Command& command : AllCommands()) {
    EXPECT_NE(run.out.find(command.name), std::string::npos) << command.name;
  }
}

TEST(Platec, EveryCommandHasHelp) {
  for (const Command& command : AllCommands()) {
    CliRun run = Platec({std::string(command.name), "--help"});
    EXPECT_EQ(run.status, 0) << command.name;
    EXPECT_NE(run.out.find("Usage: platec " + std::string(command.name)), std::string::npos)
        << command.name;
  }
}

TEST(Platec, UnknownCommandFailsOnStderr) {
  CliRun run = Platec({"frobnicate"});
  EXPECT_NE(run.status, 0);
  EXPECT_TRUE(run.out.empty());
  EXPECT_NE(run.err.find("unknown command 'frobnicate'"), std::string::npos);
}

TEST(Platec, NoArgumentsIsAnError) {
  EXPECT_NE(Platec({}).status, 0);
}

}  // namespace
}  // namespace qp::cli
