#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

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
  EXPECT_EQ(Platec({}).status, 2);
}

TEST(Platec, VersionAnswersAsOptionAndCommand) {
  for (const CommandArgs& args : {CommandArgs{"--version"}, CommandArgs{"version"}}) {
    const CliRun run = Platec(args);
    EXPECT_EQ(run.status, 0) << args[0];
    EXPECT_EQ(run.out, std::string(kPlatecVersion) + "\n") << args[0];
  }
  EXPECT_EQ(Platec({"version", "extra"}).status, 2);
}

// Every command: an unknown option and a missing argument are usage errors
// (status 2) with a sentence naming the problem before the usage line; a file
// that does not exist fails the work (status 1) with its path in the message.
TEST(Platec, EveryCommandReportsMistakesTheSameWay) {
  const std::string missing = "/nonexistent/quarrin/missing-file";
  const std::string output = (std::filesystem::temp_directory_path() / "qp-cli-out").string();
  const std::map<std::string_view, CommandArgs> missingFile = {
      {"groups", {missing}},
      {"plates", {missing, "--group", "1"}},
      {"build", {missing}},
      {"inspect", {missing}},
      {"extract", {missing, "-o", output}},
      {"pdfinfo", {missing}},
      {"render", {missing, "-o", output}},
      {"preview", {missing, "--group", "1", "--plate", "1", "-o", output}},
      {"show", {missing, "1"}},
      {"text", {missing}},
      {"georef", {missing}},
      {"import",
       {missing, "--group", "1", "--folder", std::filesystem::temp_directory_path().string()}},
  };
  for (const Command& command : AllCommands()) {
    const std::string name(command.name);
    const std::string usage = "Usage: platec " + name;
    const CliRun unknown = Platec({name, "--bogus"});
    EXPECT_EQ(unknown.status, 2) << name;
    EXPECT_NE(unknown.err.find("platec " + name + ": "), std::string::npos) << name << unknown.err;
    EXPECT_NE(unknown.err.find("--bogus"), std::string::npos) << name << unknown.err;
    EXPECT_NE(unknown.err.find(usage), std::string::npos) << name << unknown.err;
    if (name == "version") continue;

    const CliRun bare = Platec({name});
    EXPECT_EQ(bare.status, 2) << name;
    EXPECT_EQ(bare.err.find("platec " + name + ": "), 0U) << name << bare.err;

    const auto row = missingFile.find(command.name);
    ASSERT_NE(row, missingFile.end()) << "no row for " << name;
    CommandArgs args{name};
    args.insert(args.end(), row->second.begin(), row->second.end());
    const CliRun absent = Platec(args);
    EXPECT_EQ(absent.status, 1) << name << absent.err;
    EXPECT_NE(absent.err.find(missing), std::string::npos) << name << absent.err;
    EXPECT_EQ(absent.err.find("Usage:"), std::string::npos) << name << absent.err;
  }
}

}  // namespace
}  // namespace qp::cli
