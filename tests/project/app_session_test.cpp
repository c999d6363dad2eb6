#include "project/app_session.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "project/app_folders.h"
#include "project/atomic_file.h"
#include "project/errors.h"
#include "project/ini_file.h"
#include "tests/project/project_test_helpers.h"

namespace qp {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

struct FolderCase {
  const char* what;
  ApplicationFolderInputs inputs;
  std::string expected;
};

TEST(ApplicationFolder, OverridesAndFallbacks) {
  const FolderCase cases[] = {
      {"portable executable folder",
       {std::nullopt, std::nullopt, "/opt/qp", true, "/x", "/h"},
       "/opt/qp/"},
      {"installed: XDG data home",
       {std::nullopt, std::nullopt, "/usr/bin", false, "/x", "/h"},
       "/x/quarrin-plates/"},
      {"installed, no XDG",
       {std::nullopt, std::nullopt, "/usr/bin", false, std::nullopt, "/h"},
       "/h/.local/share/quarrin-plates/"},
      {"relative XDG is ignored",
       {std::nullopt, std::nullopt, "/usr/bin", false, "rel", "/h/"},
       "/h/.local/share/quarrin-plates/"},
      {"environment overrides",
       {std::nullopt, "/env/home", "/opt/qp", true, "/x", "/h"},
       "/env/home/"},
      {"--home overrides all",
       {"/opt/home/", "/env/home", "/opt/qp", true, "/x", "/h"},
       "/opt/home/"},
  };
  for (const auto& c : cases) EXPECT_EQ(ApplicationFolder(c.inputs), c.expected) << c.what;
}

TEST(ApplicationFolder, ChosenFolderIsMadeOnlyBelowAnExistingOne) {
  TempDir dir;
  ApplicationFolderInputs chosen;
  chosen.home_option = dir.Folder() + "home";
  EnsureApplicationFolder(chosen, dir.Folder() + "home/");
  EXPECT_TRUE(std::filesystem::is_directory(dir.Folder() + "home"));
  EXPECT_THROW(EnsureApplicationFolder(chosen, dir.Folder() + "no/such/home/"), Error);
  EXPECT_FALSE(std::filesystem::exists(dir.Folder() + "no"));
  // The default folder is made with its parents.
  EnsureApplicationFolder(ApplicationFolderInputs{}, dir.Folder() + "data/quarrin-plates/");
  EXPECT_TRUE(std::filesystem::is_directory(dir.Folder() + "data/quarrin-plates"));
}

TEST(ApplicationFolder, TakeHomeOption) {
  std::vector<std::string> args = {"groups", "--home", "/h", "p.zpl"};
  EXPECT_EQ(TakeHomeOption(args), "/h");
  EXPECT_EQ(args, (std::vector<std::string>{"groups", "p.zpl"}));
  args = {"--home=/k", "x"};
  EXPECT_EQ(TakeHomeOption(args), "/k");
  EXPECT_EQ(args, std::vector<std::string>{"x"});
  args = {"x", "--home"};  // no folder after it: left alone
  EXPECT_EQ(TakeHomeOption(args), std::nullopt);
  EXPECT_EQ(args.size(), 2u);
}

TEST(ApplicationSession, FirstStartAndClose) {
  TempDir dir;
  const std::string folder = dir.Folder();
  WriteFile(folder + "Plates", "a file in the way");
  Project project;
  project.CurrentGroup = 4;
  ApplicationSettings settings = StartApplication(folder, project);
  for (const char* name : {"Projects", "Export", "Temp"}) {
    EXPECT_TRUE(std::filesystem::is_directory(folder + name)) << name;
  }
  EXPECT_TRUE(std::filesystem::is_regular_file(folder + "Plates"));
  EXPECT_EQ(project.CurrentGroup, -1);
  EXPECT_EQ(settings.ProjectDIR, folder + "Projects/");
  EXPECT_FALSE(OpenLastProject(settings, project));
  EXPECT_FALSE(project.ProjectLoaded);
  EXPECT_FALSE(std::filesystem::exists(folder + "Setup.ini"));

  EXPECT_TRUE(CloseApplication(folder, settings, project).empty());
  EXPECT_EQ(ReadFile(folder + "Setup.ini"),
            "[Project]\nProjectDIR=" + folder + "Projects/\nLastProject=\n");
}

TEST(ApplicationSession, LastProjectIsReopened) {
  TempDir dir;
  const std::string folder = dir.Folder();
  const std::string project_path = folder + "Projects/demo.zpl";
  std::filesystem::create_directory(folder + "Projects");
  WriteFile(project_path, "[General]\nNumberOfGroups=1\n[Group1]\nName=G\n");
  WriteFile(folder + "Setup.ini",
            "[Project]\nProjectDIR=/stored/dir/\nLastProject=" + project_path + "\n");

  Project project;
  ApplicationSettings settings = StartApplication(folder, project);
  EXPECT_EQ(settings.ProjectDIR, "/stored/dir/");
  ASSERT_TRUE(OpenLastProject(settings, project));
  EXPECT_EQ(project.ProjectFileName, project_path);
  EXPECT_EQ(project.GroupCount(), 1);
  EXPECT_FALSE(project.ProjectModified);

  // Pending changes are written at close.
  project.AddGroup("Added", "LFPG", 0);
  EXPECT_TRUE(CloseApplication(folder, settings, project).empty());
  EXPECT_EQ(IniFile(project_path).ReadString("Group2", "Name", ""), "Added");

  // A deleted last project is ignored; the stored folder stays.
  std::filesystem::remove(project_path);
  Project second;
  settings = StartApplication(folder, second);
  EXPECT_EQ(settings.ProjectDIR, "/stored/dir/");
  EXPECT_FALSE(OpenLastProject(settings, second));
  EXPECT_FALSE(second.ProjectLoaded);
}

TEST(ApplicationSession, FailedSettingsWriteStillSavesTheProject) {
  TempDir dir;
  const std::string folder = dir.Folder();
  Project project;
  project.NewProject(folder + "p.zpl");
  project.AddGroup("Kept", "KSEA", 0);
  ApplicationSettings settings = StartApplication(folder + "missing/", project);
  std::vector<std::string> failures = CloseApplication(folder + "missing/", settings, project);
  EXPECT_EQ(failures,
            std::vector<std::string>{"Unable to write to " + folder + "missing/Setup.ini"});
  EXPECT_EQ(IniFile(folder + "p.zpl").ReadString("Group1", "Name", ""), "Kept");
  EXPECT_FALSE(project.ProjectModified);
}

}  // namespace
}  // namespace qp
