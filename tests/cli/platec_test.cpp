#include <gtest/gtest.h>

#include <sstream>

#include "cli/command.h"

namespace qp::cli {
namespace {

struct PlatecRun {
  int status;
  std::string out;
  std::string err;
};

PlatecRun RunCli(const CommandArgs& args) {
  std::ostringstream out, err;
  int status = RunPlatec(args, out, err);
  return {status, out.str(), err.str()};
}

TEST(Platec, HelpListsEveryCommand) {
  PlatecRun run = RunCli({"--help"});
  EXPECT_EQ(run.status, 0);
  for (const Command& command : AllCommands()) {
    EXPECT_NE(run.out.find(command.name), std::string::npos) << command.name;
  }
}

TEST(Platec, EveryCommandHasHelp) {
  for (const Command& command : AllCommands()) {
    PlatecRun run = RunCli({std::string(command.name), "--help"});
    EXPECT_EQ(run.status, 0) << command.name;
    EXPECT_NE(run.out.find("Usage: platec " + std::string(command.name)), std::string::npos)
        << command.name;
  }
}

TEST(Platec, UnknownCommandFailsOnStderr) {
  PlatecRun run = RunCli({"frobnicate"});
  EXPECT_NE(run.status, 0);
  EXPECT_TRUE(run.out.empty());
  EXPECT_NE(run.err.find("unknown command 'frobnicate'"), std::string::npos);
}

TEST(Platec, NoArgumentsIsAnError) {
  EXPECT_NE(RunCli({}).status, 0);
}

}  // namespace
}  // namespace qp::cli
