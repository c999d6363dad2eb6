#include "project/ini_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "project/atomic_file.h"
#include "project/errors.h"
#include "tests/project/project_test_helpers.h"

namespace qp {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

struct ReadCase {
  const char* what;
  std::string content;
  std::string section;
  std::string key;
  std::string expected;  // "<default>" when the default is expected
};

TEST(IniFile, ReadsToleratingDamage) {
  const ReadCase cases[] = {
      {"plain", "[General]\nName=abc\n", "General", "Name", "abc"},
      {"case of section and key", "[gEnErAl]\nNAME=abc\n", "General", "name", "abc"},
      {"lookup spelling", "[General]\nFileNameHeader=x\n", "General", "FilenameHeader", "x"},
      {"CR LF", "[General]\r\nName=abc\r\nOther=1\r\n", "General", "Name", "abc"},
      {"lone CR", "[General]\rName=abc\rOther=1", "General", "Name", "abc"},
      {"byte-order mark", "\xEF\xBB\xBF[General]\nName=abc\n", "General", "Name", "abc"},
      {"no final line end", "[General]\nName=abc", "General", "Name", "abc"},
      {"spaces around key", "[ General ]\n  Name \t=abc\n", "General", "Name", "abc"},
      {"value kept as written", "[General]\nName= a b \n", "General", "Name", " a b "},
      {"empty value", "[General]\nName=\n", "General", "Name", ""},
      {"first duplicate key wins", "[General]\nName=one\nname=two\n", "General", "Name", "one"},
      {"first duplicate section wins", "[General]\nA=1\n[GENERAL]\nName=two\n", "General", "Name",
       "<default>"},
      {"garbage lines", "junk\n[General]\n\x01\x02noise\n;comment\nName=abc\n=x\n", "General",
       "Name", "abc"},
      {"NUL bytes", std::string("[General]\nName=a\0b\n", 18), "General", "Name",
       std::string("a\0b", 3)},
      {"key before any section", "Name=abc\n[General]\n", "General", "Name", "<default>"},
      {"missing section", "[Other]\nName=abc\n", "General", "Name", "<default>"},
      {"missing key", "[General]\nNam=abc\n", "General", "Name", "<default>"},
      {"unclosed header", "[General\nName=abc\n", "General", "Name", "abc"},
      {"equals in value", "[General]\nName=a=b\n", "General", "Name", "a=b"},
      {"cut to 2047 characters", "[General]\nName=" + std::string(5000, 'x') + "\n", "General",
       "Name", std::string(2047, 'x')},
  };
  for (const auto& c : cases) {
    IniFile file("/nonexistent/x.ini", c.content);
    EXPECT_EQ(file.ReadString(c.section, c.key, "<default>"), c.expected) << c.what;
  }
  IniFile multibyte("x", "[S]\nK=" + std::string(2046, 'x') + "°°°\n");
  EXPECT_EQ(multibyte.ReadString("S", "K", ""), std::string(2046, 'x') + "°");
}

TEST(IniFile, Integers) {
  const std::pair<std::string, int32_t> cases[] = {
      {"12", 12},          {"-7", -7},         {"0x10", 16},
      {"0X1f", 31},        {" 42 ", 42},       {"+5", 5},
      {"abc", -99},        {"", -99},          {"12abc", -99},
      {"0x", -99},         {"0xG", -99},       {"1.5", -99},
      {"--1", -99},        {"+-1", -99},       {"2147483647", 2147483647},
      {"2147483648", -99}, {"0xFFFFFFFF", -1}, {"0x100000000", -99},
  };
  for (const auto& [text, expected] : cases) {
    IniFile file("x", "[S]\nK=" + text + "\n");
    EXPECT_EQ(file.ReadInteger("S", "K", -99), expected) << "'" << text << "'";
  }
  IniFile file("x", "[S]\nTwo=2\nZero=0\nWord=yes\n");
  EXPECT_TRUE(file.ReadBool("S", "Two", false));
  EXPECT_FALSE(file.ReadBool("S", "Zero", true));
  EXPECT_TRUE(file.ReadBool("S", "Word", true));
  EXPECT_FALSE(file.ReadBool("S", "Missing", false));
}

TEST(IniFile, WritingKeepsEveryOtherLine) {
  IniFile file("x",
               "; notes\r\n[General]\r\nA=1\r\n\r\n[Group1]\r\nID=KLAX\r\njunk line\r\n\r\n"
               "[group1]\r\nID=dup\r\n");
  file.WriteString("GENERAL", "a", "2");    // existing key, other case
  file.WriteString("General", "B", "new");  // new key after the last key
  file.WriteString("Group1", "Count", "3");
  file.WriteString("Group2", "ID", "line\nbreak\r");
  EXPECT_EQ(file.Text(),
            "; notes\n[General]\nA=2\nB=new\n\n[Group1]\nID=KLAX\nCount=3\njunk line\n\n"
            "[group1]\nID=dup\n[Group2]\nID=line break \n");
  // What was written reads back.
  IniFile reread("x", file.Text());
  EXPECT_EQ(reread.ReadString("group2", "id", ""), "line break ");
  EXPECT_EQ(reread.ReadString("Group1", "ID", ""), "KLAX");
}

TEST(IniFile, CommitReplacesTheFileOnlyWhenWritten) {
  TempDir dir;
  const std::string path = dir.File("p.zpl");
  {
    IniFile file(path);
    file.Commit();  // nothing written: no file made
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  IniFile file(path);
  file.WriteInteger("General", "NumberOfGroups", -3);
  file.WriteBool("General", "ConfirmPlateAdd", true);
  file.Commit();
  EXPECT_EQ(ReadFile(path), "[General]\nNumberOfGroups=-3\nConfirmPlateAdd=1\n");
  EXPECT_EQ(IniFile(path).ReadInteger("general", "numberofgroups", 0), -3);
  // Only the file itself is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Folder()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(IniFile, FailedWriteLeavesTheOldFile) {
  TempDir dir;
  const std::string path = dir.File("p.zpl");
  const std::string old_content = "[General]\nNumberOfGroups=1\n" + std::string(10000, ';') + "\n";
  WriteFile(path, old_content);
  for (size_t fail_after : {size_t{0}, size_t{10}, size_t{5000}}) {
    IniFile file(path);
    file.WriteInteger("General", "NumberOfGroups", 2);
    ScopedWriteFailure failure(fail_after);
    try {
      file.Commit();
      ADD_FAILURE() << "no error after " << fail_after;
    } catch (const WriteError& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    }
    EXPECT_EQ(ReadFile(path), old_content);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Folder()),
                            std::filesystem::directory_iterator()),
              1)
        << "temporary file left behind";
  }
}

TEST(IniFile, UnwritableFolderRaisesTheError) {
  TempDir dir;
  const std::string missing = dir.File("no-such-folder/p.zpl");
  IniFile file(missing);
  file.WriteString("General", "A", "1");
  EXPECT_THROW(
      {
        try {
          file.Commit();
        } catch (const WriteError& e) {
          EXPECT_EQ(std::string(e.what()), "Unable to write to " + missing);
          throw;
        }
      },
      WriteError);
}

// The write is tried as an unprivileged user, in a child process when the
// tests run as root (for whom folder permissions do not apply).
TEST(IniFile, ReadOnlyFolderRaisesTheError) {
  TempDir dir;
  const std::string path = dir.File("p.zpl");
  WriteFile(path, "[General]\nA=1\n");
  std::filesystem::permissions(
      dir.Folder(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                        std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
  auto attempt = [&path]() -> std::string {
    IniFile file(path);
    file.WriteString("General", "A", "2");
    try {
      file.Commit();
    } catch (const WriteError& e) {
      return e.what();
    }
    return "no error";
  };
  if (geteuid() != 0) {
    EXPECT_EQ(attempt(), "Unable to write to " + path);
  } else {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
      _exit(dropped && attempt() == "Unable to write to " + path ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(ReadFile(path), "[General]\nA=1\n");
}

TEST(IniFile, WriteThroughSymlinkReplacesTarget) {
  TempDir dir;
  WriteFile(dir.File("real.zpl"), "[General]\nA=1\n");
  std::filesystem::create_symlink(dir.File("real.zpl"), dir.File("link.zpl"));
  IniFile file(dir.File("link.zpl"));
  file.WriteString("General", "A", "2");
  file.Commit();
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.zpl")));
  EXPECT_EQ(ReadFile(dir.File("real.zpl")), "[General]\nA=2\n");
}

}  // namespace
}  // namespace qp
