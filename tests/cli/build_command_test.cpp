#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "cli/command.h"
#include "compiler/build_lock.h"
#include "compiler/group_file_reader.h"
#include "tests/cli/cli_run_helpers.h"
#include "tests/compiler/build_project_helpers.h"

namespace qp::cli {
namespace {

using qp::testing::AddGroupWithPlates;
using qp::testing::BuildFixtureFolder;
using qp::testing::PatternBmp;
using qp::testing::PatternJpeg;
using qp::testing::PlateFrom;

// A project file with an airport group (BMP and JPEG) and an information
// group (one BMP), written to disk.
class BuildCommandTest : public ::testing::Test {
 protected:
  BuildCommandTest() {
    Project project;
    project.NewProject(folder.ProjectPath());
    AddGroupWithPlates(project, "Airport", "ABCD",
                       {PlateFrom("a", folder.Source("a.bmp", PatternBmp(10, 8))),
                        PlateFrom("b", folder.Source("b.jpg", PatternJpeg(16, 9)))});
    AddGroupWithPlates(project, "Info", "",
                       {PlateFrom("c", folder.Source("c.bmp", PatternBmp(4, 4)))});
    project.FlushPending();
  }
  std::string Home() const { return folder.Home().string(); }
  BuildFixtureFolder folder;
};

TEST_F(BuildCommandTest, BuildsAllGroupsAndPrintsProgress) {
  const CliRun run = Platec({"build", folder.ProjectPath(), "--home", Home()});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string airport = folder.Export("ZGABCD.ZPG").string();
  const std::string info = folder.Export("ZPINFO.ZPG").string();
  EXPECT_EQ(run.out,
            "[1/3] a.bmp\n[2/3] b.jpg\nWrote " + airport + "\n[3/3] c.bmp\nWrote " + info + "\n");
  EXPECT_TRUE(run.err.empty());
  EXPECT_EQ(ReadGroupFile(std::filesystem::path(airport)).entries.size(), 2u);
  const CliRun inspect = Platec({"inspect", info});
  EXPECT_EQ(inspect.status, 0) << inspect.err;
}

TEST_F(BuildCommandTest, QuietAndJsonForms) {
  const CliRun quiet = Platec({"build", folder.ProjectPath(), "--home", Home(), "--quiet"});
  ASSERT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_EQ(quiet.out, "");

  const CliRun json = Platec({"build", folder.ProjectPath(), "--home", Home(), "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const std::string airport = folder.Export("ZGABCD.ZPG").string();
  const std::string info = folder.Export("ZPINFO.ZPG").string();
  std::istringstream lines(json.out);
  std::vector<std::string> objects;
  for (std::string line; std::getline(lines, line);) objects.push_back(line);
  ASSERT_EQ(objects.size(), 5u) << json.out;
  // Each plate as written, in the group file's own terms.
  const GroupFileContent content = ReadGroupFile(std::filesystem::path(airport));
  const GroupFilePlate& second = *content.entries.at(1).plate;
  EXPECT_EQ(objects[1], "{\"group\":1,\"file\":\"" + airport +
                            "\",\"plate\":2,\"name\":\"b\",\"source\":\"" +
                            folder.MissingSource("b.jpg") +
                            "\",\"page\":1,\"width\":" + std::to_string(second.ImageWidth) +
                            ",\"height\":" + std::to_string(second.ImageHeight) +
                            ",\"georeferenced\":false,\"corners\":{\"lat_tl\":0,\"long_tl\":0,"
                            "\"lat_br\":0,\"long_br\":0}}");
  EXPECT_EQ(objects[2], "{\"written\":\"" + airport + "\"}");
  EXPECT_EQ(objects[4], "{\"written\":\"" + info + "\"}");
  EXPECT_EQ(Platec({"build", folder.ProjectPath(), "--quiet", "--json"}).status, 2);
}

TEST_F(BuildCommandTest, SelectedGroupsOnly) {
  const CliRun run = Platec({"build", folder.ProjectPath(), "--group", "2", "--home=" + Home()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "[1/1] c.bmp\nWrote " + folder.Export("ZPINFO.ZPG").string() + "\n");
  EXPECT_FALSE(std::filesystem::exists(folder.Export("ZGABCD.ZPG")));
}

TEST_F(BuildCommandTest, HomeFolderGetsItsFixedFolders) {
  const std::string home = (folder.Home() / "fresh").string();
  const CliRun run = Platec({"build", folder.ProjectPath(), "--all", "--home", home});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(home + "/Export/ZGABCD.ZPG"));
  EXPECT_TRUE(std::filesystem::is_directory(home + "/Temp"));

  // A mistyped --home does not grow a tree of folders.
  const std::string deep = (folder.Home() / "no" / "such" / "home").string();
  const CliRun refused = Platec({"build", folder.ProjectPath(), "--all", "--home", deep});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("Cannot create the application folder " + deep), std::string::npos)
      << refused.err;
  EXPECT_FALSE(std::filesystem::exists(folder.Home() / "no"));
}

TEST_F(BuildCommandTest, NotAProjectFileIsRefused) {
  const struct {
    const char* what;
    std::string content;
  } cases[] = {
      {"a PDF", "%PDF-1.4\n1 0 obj\n<<>>\nendobj\n"},
      {"binary bytes", std::string("ab\0\xff\x01[General]", 14)},
      {"an empty file", ""},
      {"text without [General]", "[Group1]\nID=KBOS\n"},
  };
  const std::string path = (folder.Home() / "chart.pdf").string();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    qp::testing::WriteBytes(path, std::vector<uint8_t>(c.content.begin(), c.content.end()));
    for (const CommandArgs& args :
         {CommandArgs{"build", path, "--home", Home()}, CommandArgs{"groups", path},
          CommandArgs{"plates", path, "1"}}) {
      const CliRun run = Platec(args);
      EXPECT_EQ(run.status, 1) << args[0];
      EXPECT_NE(run.err.find(path + " is not a project file"), std::string::npos) << run.err;
    }
    // Untouched: nothing was saved over it.
    EXPECT_EQ(qp::testing::ReadBytes(path),
              std::vector<uint8_t>(c.content.begin(), c.content.end()));
  }
}

TEST_F(BuildCommandTest, NoWaitStopsWhileAnotherBuildHoldsTheFolder) {
  std::filesystem::create_directories(folder.Home() / "Temp");
  std::optional<BuildLock> held = BuildLock::TryAcquire(folder.Home());
  ASSERT_TRUE(held);
  const CliRun run = Platec({"build", folder.ProjectPath(), "--home", Home(), "--no-wait"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Another build in "), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(folder.Export("ZGABCD.ZPG")));
}

TEST_F(BuildCommandTest, FailuresExitNonZeroWithTheirMessage) {
  Project project;
  project.OpenProject(folder.ProjectPath());
  const std::string pdf = folder.Source("chart.pdf", {'%'});
  AddGroupWithPlates(project, "Pdf", "PDFG", {PlateFrom("p", pdf)});
  project.FlushPending();
  const std::string zpl = folder.ProjectPath();

  const struct {
    CommandArgs args;
    int status;
    std::string message;
  } cases[] = {
      {{"build", zpl, "--group", "3", "--home", Home()}, 1, "platec build: " + pdf + ": "},
      {{"build", zpl, "--group", "4", "--home", Home()}, 1, "no group 4 in " + zpl},
      {{"build", zpl, "--group", "0"},
       2,
       "--group takes a whole number from 1 to 2147483647, not \"0\""},
      {{"build", zpl, "--group", "x1"}, 2, "--group takes a whole number from 1"},
      {{"build", zpl, "--group", "4294967297"}, 2, "not \"4294967297\"\nUsage: platec build"},
      {{"build", zpl, "--group"}, 2, "--group needs a group number"},
      {{"build", zpl, "--all", "--group", "1"}, 2, "--all and --group exclude each other"},
      {{"build", zpl, "other.zpl"}, 2, "unexpected argument: other.zpl"},
      {{"build", "--all"}, 2, "no project file given"},
      {{"build", Home() + "/none.zpl", "--home", Home()}, 1, "no such project file"},
  };
  for (const auto& c : cases) {
    const CliRun run = Platec(c.args);
    EXPECT_EQ(run.status, c.status) << c.message;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(folder.Export("ZGABCD.ZPG")));
}

}  // namespace
}  // namespace qp::cli

namespace qp::cli {
namespace {

// The example project builds; every plate of both group files reads back.
TEST(PlatecBuildExample, DemoProjectBuildsAndExtracts) {
  const std::string examples = std::string(QP_SOURCE_DIR) + "/examples";
  std::ifstream in(examples + "/demo.zpl", std::ios::binary);
  std::ostringstream whole;
  whole << in.rdbuf();
  std::string text = std::move(whole).str();
  ASSERT_FALSE(text.empty());
  for (size_t at; (at = text.find("@EXAMPLES@")) != std::string::npos;) {
    text.replace(at, 10, examples);
  }
  qp::testing::ScratchDir dir;
  std::ofstream(dir / "demo.zpl", std::ios::binary) << text;

  const CliRun run = Platec({"build", (dir / "demo.zpl").string(), "--home", dir.path().string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("] lfqv-parking.jpg\n"), std::string::npos) << run.out;
  for (const auto& [file, plates] : {std::pair{"ZGLFQV.ZPG", 7u}, std::pair{"ZPINFO.ZPG", 2u}}) {
    const std::filesystem::path path = dir / "Export" / file;
    const GroupFileContent content = ReadGroupFile(path);
    ASSERT_EQ(content.entries.size(), plates) << file;
    for (const GroupFileEntry& entry : content.entries) EXPECT_TRUE(entry.plate) << file;
    const CliRun extract = Platec({"extract", path.string(), "--out", dir.path().string()});
    EXPECT_EQ(extract.status, 0) << extract.err;
  }
  EXPECT_TRUE(std::filesystem::exists(dir / "ZGLFQV-004.png"));
}

}  // namespace
}  // namespace qp::cli
