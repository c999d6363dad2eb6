// What a build must never do to the group files already in the Export
// folder: share them with another build, lose them to a killed build, or let
// two groups overwrite one file.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "compiler/build_driver.h"
#include "compiler/build_lock.h"
#include "compiler/group_file_reader.h"
#include "compiler/plate_error.h"
#include "tests/compiler/build_project_helpers.h"
#include "tests/compiler/pdf_source_helpers.h"

namespace qp {
namespace {

using testing::AddGroupWithPlates;
using testing::BuildFixtureFolder;
using testing::PatternBmp;
using testing::PlateFrom;

// Prints nothing; kills its own process once `kill_after` plates are done,
// or asks for a stop at its first pump.
class QuietStatus : public BuildStatus {
 public:
  std::vector<std::string> lines;
  int kill_after = -1;
  bool stop_at_pump = false;

  void Start(int) override {}
  void AddLine(const std::string& line) override { lines.push_back(line); }
  void PlateDone() override {
    if (++done_ == kill_after) raise(SIGKILL);
  }
  bool StopRequested() const override { return stopped_; }
  void Pump() override { stopped_ = stop_at_pump; }
  void Finish() override {}

 private:
  int done_ = 0;
  bool stopped_ = false;
};

class BuildSafetyTest : public ::testing::Test {
 protected:
  BuildSafetyTest() { project.NewProject(folder.ProjectPath()); }

  std::vector<PlateRecord> Plates(const std::string& prefix, int count, int size) {
    std::vector<PlateRecord> plates;
    for (int i = 0; i < count; ++i) {
      const std::string name = prefix + std::to_string(i) + ".bmp";
      plates.push_back(PlateFrom(name, folder.Source(name, PatternBmp(size, size * 3 / 4, i))));
    }
    return plates;
  }

  // Runs `build` in a child process and returns its wait status.
  template <typename Build>
  static pid_t Spawn(Build build) {
    const pid_t pid = fork();
    if (pid == 0) {
      try {
        build();
      } catch (...) {
        _exit(3);
      }
      _exit(0);
    }
    return pid;
  }

  static int WaitFor(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
  }

  std::vector<std::string> ExportEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Home() / "Export")) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  BuildFixtureFolder folder;
  Project project;
};

TEST_F(BuildSafetyTest, KilledBuildLeavesThePreviousFileByteForByte) {
  AddGroupWithPlates(project, "Boston", "KBOS", Plates("p", 4, 40));
  QuietStatus first;
  BuildDriver(folder.Home()).BuildGroups(project, BuildRequest{}, first);
  const std::vector<uint8_t> good = testing::ReadBytes(folder.Export("ZGKBOS.ZPG"));

  // The sources change, then the build dies after two of four plates.
  Plates("p", 4, 64);
  const pid_t child = Spawn([&] {
    QuietStatus status;
    status.kill_after = 2;
    BuildDriver(folder.Home()).BuildGroups(project, BuildRequest{}, status);
  });
  const int status = WaitFor(child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  EXPECT_EQ(testing::ReadBytes(folder.Export("ZGKBOS.ZPG")), good);

  // The next build clears what the killed one left and replaces the file.
  QuietStatus again;
  BuildDriver(folder.Home()).BuildGroups(project, BuildRequest{}, again);
  EXPECT_EQ(ExportEntries(), std::vector<std::string>{"ZGKBOS.ZPG"});
  EXPECT_NE(testing::ReadBytes(folder.Export("ZGKBOS.ZPG")), good);
  EXPECT_EQ(PlatesNotWritten(ReadGroupFile(folder.Export("ZGKBOS.ZPG"))), 0u);
}

TEST_F(BuildSafetyTest, ParallelBuildsInOneFolderTakeTurns) {
  AddGroupWithPlates(project, "One", "AAAA", Plates("a", 6, 120));
  AddGroupWithPlates(project, "Two", "BBBB", Plates("b", 6, 90));
  project.FlushPending();
  for (int round = 0; round < 3; ++round) {
    std::vector<pid_t> children;
    for (int group = 0; group < 2; ++group) {
      children.push_back(Spawn([&, group] {
        Project own;
        own.OpenProject(folder.ProjectPath());
        BuildRequest request{BuildScope::bsSelectedGroups, {group}};
        QuietStatus status;
        BuildDriver(folder.Home()).BuildGroups(own, request, status);
      }));
    }
    for (pid_t child : children) EXPECT_EQ(WaitFor(child), 0);
    for (const char* name : {"ZGAAAA.ZPG", "ZGBBBB.ZPG"}) {
      SCOPED_TRACE(name);
      // The reader checks every image block against its plate header.
      const GroupFileContent content = ReadGroupFile(folder.Export(name));
      EXPECT_EQ(PlatesNotWritten(content), 0u);
    }
  }
  EXPECT_EQ(ExportEntries().size(), 2u);
}

TEST_F(BuildSafetyTest, BusyFolderWaitsOrStops) {
  AddGroupWithPlates(project, "One", "AAAA", Plates("a", 1, 20));
  std::optional<BuildLock> held = BuildLock::TryAcquire(folder.Home());
  ASSERT_TRUE(held);
  EXPECT_FALSE(BuildLock::TryAcquire(folder.Home()));

  BuildDriver no_wait(folder.Home());
  no_wait.SetWaitForOtherBuilds(false);
  QuietStatus status;
  EXPECT_THROW(no_wait.BuildGroups(project, BuildRequest{}, status), BuildBusyError);

  // Waiting, then cancelled from the status window: nothing is written.
  QuietStatus cancelled;
  cancelled.stop_at_pump = true;
  BuildDriver(folder.Home()).BuildGroups(project, BuildRequest{}, cancelled);
  EXPECT_EQ(cancelled.lines, std::vector<std::string>{WaitingForBuildLine(folder.Home())});
  EXPECT_FALSE(std::filesystem::exists(folder.Export("ZGAAAA.ZPG")));

  held.reset();
  BuildDriver(folder.Home()).BuildGroups(project, BuildRequest{}, status);
  EXPECT_TRUE(std::filesystem::exists(folder.Export("ZGAAAA.ZPG")));
}

TEST_F(BuildSafetyTest, GroupsThatShareAFileAreRefusedBeforeWriting) {
  const struct {
    const char* what;
    std::string first_id, second_id;  // empty: an information group
    const char* file;
  } cases[] = {
      {"same airport ID", "KBOS", "KBOS", "ZGKBOS.ZPG"},
      {"two information groups", "", "", "ZPINFO.ZPG"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Project p;
    p.NewProject(folder.ProjectPath());
    AddGroupWithPlates(p, "First", c.first_id, Plates("f", 1, 20));
    AddGroupWithPlates(p, "Other", "OTHR", Plates("o", 1, 20));
    AddGroupWithPlates(p, "Second", c.second_id, Plates("s", 1, 20));
    QuietStatus status;
    try {
      BuildDriver(folder.Home()).BuildGroups(p, BuildRequest{}, status);
      ADD_FAILURE() << "built";
    } catch (const PlateError& error) {
      const std::string message = error.what();
      EXPECT_NE(
          message.find("Groups 1 (First) and 3 (Second) would both write " + std::string(c.file)),
          std::string::npos)
          << message;
    }
    EXPECT_TRUE(ExportEntries().empty());
    EXPECT_TRUE(status.lines.empty());
  }
}

// A group of PDF pages with text and paths, pictures and a skipped source.
class ParallelBuildTest : public BuildSafetyTest {
 protected:
  void AddMixedGroup() {
    const std::filesystem::path pdf = folder.Home() / "Sources" / "charts.pdf";
    std::vector<testing::TestPage> pages;
    for (int i = 0; i < 5; ++i) {
      pages.push_back(testing::Page(300 + 20 * i, 400, 90 * (i % 4),
                                    "BT /F1 24 Tf 40 200 Td (PAGE " + std::to_string(i) +
                                        ") Tj ET 0 0 1 RG 5 w 10 10 m 250 350 l S"));
    }
    WriteTestPdf(pdf, pages);
    std::vector<PlateRecord> plates;
    for (int i = 0; i < 5; ++i) {
      PlateRecord plate = PlateFrom("page " + std::to_string(i), pdf.string());
      plate.FirstPage = i + 1;
      plate.Scaling = static_cast<uint8_t>(1 + i % 4);
      plates.push_back(plate);
      const std::vector<PlateRecord> pictures = Plates("pic" + std::to_string(i), 1, 30 + 7 * i);
      plates.push_back(pictures[0]);
    }
    plates.push_back(PlateFrom("notes", folder.Source("notes.txt", {'x'})));
    AddGroupWithPlates(project, "Mixed", "MIXD", plates);
  }

  std::vector<uint8_t> BuildWith(int jobs, QuietStatus& status) {
    BuildDriver driver(folder.Home());
    driver.SetJobs(jobs);
    driver.BuildGroups(project, BuildRequest{}, status);
    return testing::ReadBytes(folder.Export("ZGMIXD.ZPG"));
  }
};

TEST_F(ParallelBuildTest, WorkersWriteTheSameFileAsOneWorker) {
  AddMixedGroup();
  QuietStatus one;
  const std::vector<uint8_t> expected = BuildWith(1, one);
  EXPECT_EQ(PlatesNotWritten(ReadGroupFile(folder.Export("ZGMIXD.ZPG"))), 1u);
  for (int jobs : {2, 4}) {
    QuietStatus many;
    EXPECT_EQ(BuildWith(jobs, many), expected) << jobs << " workers";
    // The same lines, in plate order.
    EXPECT_EQ(many.lines, one.lines);
  }
  // Nothing is left in Temp but the lock.
  std::vector<std::string> temp;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Home() / "Temp")) {
    temp.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(temp, std::vector<std::string>{"build.lock"});
}

TEST_F(ParallelBuildTest, ErrorAndStopInTheMiddleKeepTheOrder) {
  AddMixedGroup();
  project.SelectGroup(0);
  // Plate 4 (0-based 3) loses its source: plates 1 to 3 are written.
  std::filesystem::remove(project.PlateTable()[3].SourceFile);
  QuietStatus status;
  EXPECT_THROW(BuildWith(4, status), PlateError);
  const GroupFileContent failed = ReadGroupFile(folder.Export("ZGMIXD.ZPG"));
  for (size_t i = 0; i < failed.entries.size(); ++i) {
    EXPECT_EQ(failed.entries[i].plate.has_value(), i < 3) << i;
  }

  QuietStatus stopped;
  stopped.stop_at_pump = true;
  BuildWith(4, stopped);
  const GroupFileContent content = ReadGroupFile(folder.Export("ZGMIXD.ZPG"));
  EXPECT_TRUE(content.entries[0].plate);
  EXPECT_EQ(PlatesNotWritten(content), content.entries.size() - 1);
}

}  // namespace
}  // namespace qp
