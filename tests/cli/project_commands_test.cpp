#include <gtest/gtest.h>

#include <regex>

#include <sstream>

#include "cli/command.h"
#include "project/line_texts.h"
#include "project/text_encoding.h"
#include "tests/cli/cli_run_helpers.h"
#include "tests/project/project_test_helpers.h"

namespace qp::cli {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const char kProject[] =
    "[General]\nNumberOfGroups=3\n"
    "[Group1]\nID=KLAX\nName=Los Angeles international\nCount=2\nType=0\n"
    "Plate1=ILS RWY 24R\nPlateName1=/charts/klax/klax-ils24r.pdf\nFirstPage1=3\n"
    "Plate2=Diagram\n"
    "[Group2]\nID=KLAX\nName=Météo 5°\nCount=0\nType=1\n";

TEST(PlatecProject, GroupsAndPlates) {
  TempDir dir;
  const std::string path = dir.File("p.zpl");
  WriteFile(path, kProject);
  CliRun groups = Platec({"groups", path});
  EXPECT_EQ(groups.status, 0);
  EXPECT_EQ(groups.out,
            "Airport: Group1 KLAX, Los Angeles international, 2 plates\n"
            "Info: Group2 , Météo 5°, 0 plates\n"
            "Airport: Group3 No ID, No group name, 0 plates\n");
  CliRun plates = Platec({"plates", path, "1"});
  EXPECT_EQ(plates.status, 0);
  EXPECT_EQ(plates.out,
            "Plate 1, ILS RWY 24R, Page 3, File: \"klax-ils24r.pdf\"\n"
            "Plate 2, Diagram, Page 1, File: \"Source file not assigned\"\n");
  EXPECT_EQ(Platec({"plates", path, "2"}).out, "");
  // Listing never writes the file.
  EXPECT_EQ(ReadFile(path), kProject);
}

TEST(PlatecProject, Errors) {
  TempDir dir;
  const std::string path = dir.File("p.zpl");
  WriteFile(path, kProject);
  const struct {
    CommandArgs args;
    std::string message;
  } cases[] = {
      {{"groups"}, "Usage: platec groups"},
      {{"groups", dir.File("none.zpl")}, "no such project file"},
      {{"plates", path}, "Usage: platec plates"},
      {{"plates", path, "0"}, "group number"},
      {{"plates", path, "x1"}, "group number"},
      {{"plates", path, "4"}, "the project has 3 groups, not 4"},
      {{"plates", dir.Folder(), "1"}, "no such project file"},
  };
  for (const auto& c : cases) {
    CliRun run = Platec(c.args);
    EXPECT_NE(run.status, 0) << c.message;
    EXPECT_TRUE(run.out.empty()) << c.message;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
}

TEST(PlatecProject, ExampleProject) {
  std::string text = ReadFile(std::string(QP_SOURCE_DIR) + "/examples/demo.zpl");
  ASSERT_FALSE(text.empty());
  for (size_t at; (at = text.find("@EXAMPLES@")) != std::string::npos;) {
    text.replace(at, 10, "/checkout/examples");
  }
  TempDir dir;
  WriteFile(dir.File("demo.zpl"), text);
  CliRun groups = Platec({"groups", dir.File("demo.zpl")});
  EXPECT_EQ(groups.status, 0);
  EXPECT_EQ(groups.out,
            "Airport: Group1 LFQV, Valbréon-Saint-Aurèle, 7 plates\n"
            "Info: Group2 , Météo et fréquences, 2 plates\n");
  CliRun plates = Platec({"plates", dir.File("demo.zpl"), "1"});
  EXPECT_NE(plates.out.find("Plate 2, ILS RWY 27, descent 3.0°, Page 1, File: "
                            "\"lfqv-ils-rwy-27.bmp\"\n"),
            std::string::npos);
  EXPECT_NE(plates.out.find("File: \"lfqv-visual-appro...d-27-night-procedures.bmp\"\n"),
            std::string::npos);

  // The JSON forms say what the lines say, in the project file's units.
  CliRun groups_json = Platec({"groups", "--json", dir.File("demo.zpl")});
  EXPECT_EQ(groups_json.status, 0) << groups_json.err;
  EXPECT_EQ(groups_json.out,
            "[{\"number\":1,\"type\":\"airport\",\"id\":\"LFQV\",\"name\":\"Valbréon-Saint-"
            "Aurèle\",\"plates\":7},{\"number\":2,\"type\":\"information\",\"id\":\"\","
            "\"name\":\"Météo et fréquences\",\"plates\":2}]\n");
  CliRun plates_json = Platec({"plates", dir.File("demo.zpl"), "--group=1", "--json"});
  EXPECT_EQ(plates_json.status, 0) << plates_json.err;
  const std::regex plate(
      "\\{\"number\":(\\d+),\"name\":\"([^\"]*)\",\"source\":\"([^\"]*)\",\"page\":(\\d+)");
  std::string rebuilt;
  for (auto it = std::sregex_iterator(plates_json.out.begin(), plates_json.out.end(), plate);
       it != std::sregex_iterator(); ++it) {
    PlateRecord record;
    record.Name = Utf8ToWindows1252((*it)[2].str(), kNameCapacity);
    record.SourceFile = (*it)[3].str();
    record.FirstPage = std::stoi((*it)[4].str());
    rebuilt += PlateLine(record, std::stoi((*it)[1].str()) - 1) + "\n";
  }
  EXPECT_EQ(rebuilt, plates.out);
}

}  // namespace
}  // namespace qp::cli
