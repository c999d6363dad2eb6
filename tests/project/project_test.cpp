#include "project/project.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "project/atomic_file.h"
#include "project/errors.h"
#include "project/ini_file.h"
#include "project/text_encoding.h"
#include "tests/project/project_test_helpers.h"

namespace qp {
namespace {

using test::ReadFile;
using test::RecordingView;
using test::TempDir;
using test::WriteFile;

PlateRecord MakePlate(const std::string& name, const std::string& source, int seed) {
  PlateRecord p;
  p.Name = name;
  p.SourceFile = source;
  p.FirstPage = seed + 1;
  p.NumberOfPages = seed + 2;
  p.Scaling = static_cast<uint8_t>(seed % 5);
  p.Rotate = static_cast<uint8_t>(seed % 4);
  p.GEOREF = seed % 2 == 1;
  p.NameFromFilename = seed % 3 == 0;
  p.Clip = seed % 2 == 0;
  p.LatTL = 180000 * 45 + seed;
  p.LongTL = -180000 * 120 - seed;
  p.LatBR = 180000 * 44 - seed;
  p.LongBR = -180000 * 119 + seed;
  p.ClipX1 = seed;
  p.ClipY1 = seed + 10;
  p.ClipX2 = seed + 500;
  p.ClipY2 = seed + 700;
  p.Width = static_cast<uint16_t>(seed * 3);
  p.Height = static_cast<uint16_t>(seed * 5);
  return p;
}

bool SamePlate(const PlateRecord& a, const PlateRecord& b) {
  return a.Name == b.Name && a.SourceFile == b.SourceFile && a.FirstPage == b.FirstPage &&
         a.NumberOfPages == b.NumberOfPages && a.Scaling == b.Scaling && a.Rotate == b.Rotate &&
         a.GEOREF == b.GEOREF && a.NameFromFilename == b.NameFromFilename && a.Clip == b.Clip &&
         a.LatTL == b.LatTL && a.LongTL == b.LongTL && a.LatBR == b.LatBR && a.LongBR == b.LongBR &&
         a.ClipX1 == b.ClipX1 && a.ClipY1 == b.ClipY1 && a.ClipX2 == b.ClipX2 &&
         a.ClipY2 == b.ClipY2 && a.Width == b.Width && a.Height == b.Height;
}

class ProjectTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return dir_.File(name); }

  // Loads `content` as a project file into project_.
  void Load(const std::string& content) {
    WriteFile(PathOf("p.zpl"), content);
    project_.ProjectFileName = PathOf("p.zpl");
    project_.LoadProject();
  }

  // A new project with the named groups, each given `plates` plates whose
  // names say which group they belong to; everything written.
  void MakeProject(const std::vector<std::string>& groups, int plates) {
    project_.NewProject(PathOf("p.zpl"));
    for (const std::string& name : groups) project_.AddGroup(name, name.substr(0, 4), 0);
    for (int g = 0; g < static_cast<int>(groups.size()); ++g) {
      project_.SelectGroup(g);
      for (int i = 0; i < plates; ++i) {
        project_.AddPlate(MakePlate(groups[static_cast<size_t>(g)] + " " + std::to_string(i),
                                    "/charts/" + groups[static_cast<size_t>(g)] + ".pdf", i));
      }
    }
    project_.FlushPending();
  }

  // The plate names of group `position` as a fresh project reads them.
  std::vector<std::string> PlateNamesOnDisk(int position) const {
    Project fresh;
    fresh.ProjectFileName = project_.ProjectFileName;
    fresh.LoadProject();
    fresh.LoadGroup(position);
    std::vector<std::string> names;
    for (int i = 0; i < fresh.GroupAt(position)->Count; ++i) {
      names.push_back(fresh.PlateTable()[static_cast<size_t>(i)].Name);
    }
    return names;
  }

  TempDir dir_;
  RecordingView view_;
  Project project_{&view_};
};

TEST_F(ProjectTest, RoundTripWithWindows1252Names) {
  project_.NewProject(PathOf("p.zpl"));
  project_.FilenameHeader = "LFOK";
  project_.FilenameHeaderPath = "/charts/été";
  project_.ProcessOptions = 2;
  project_.DefaultScaling = 3;
  project_.ConfirmPlateAdd = true;
  project_.AddGroup("Orléans Saint-Denis", "LFOZ", 0);
  project_.AddGroup("Météo 5°", "KLAX", 1);
  project_.AddGroup("Three", "ABCDEFGH", 0);
  std::vector<std::vector<PlateRecord>> expected(3);
  for (int g = 0; g < 3; ++g) {
    project_.SelectGroup(g);
    for (int i = 0; i < 2 + g; ++i) {
      PlateRecord plate = MakePlate(
          "Pl\xE9"
          "a 10\xB0 #" +
              std::to_string(i),
          "/charts/été/" + std::to_string(g) + "-" + std::to_string(i) + ".pdf", i + 10 * g);
      project_.AddPlate(plate);
      expected[static_cast<size_t>(g)].push_back(plate);
    }
  }
  project_.FlushPending();
  EXPECT_FALSE(project_.ProjectModified);
  EXPECT_FALSE(project_.GroupModified);

  const std::string text = ReadFile(PathOf("p.zpl"));
  EXPECT_NE(text.find("Name=Orléans Saint-Denis\n"), std::string::npos);  // UTF-8 in the file
  EXPECT_NE(text.find("Plate1=Pléa 10° #0\n"), std::string::npos);

  RecordingView view;
  Project loaded(&view);
  loaded.OpenProject(PathOf("p.zpl"));
  EXPECT_EQ(loaded.FilenameHeader, "LFOK");
  EXPECT_EQ(loaded.FilenameHeaderPath, "/charts/été");
  EXPECT_EQ(loaded.ProcessOptions, 2);
  EXPECT_EQ(loaded.DefaultScaling, 3);
  EXPECT_TRUE(loaded.ConfirmPlateAdd);
  ASSERT_EQ(loaded.GroupCount(), 3);
  EXPECT_EQ(view.groups,
            (std::vector<std::string>{"Airport: Group1 LFOZ, Orléans Saint-Denis, 2 plates",
                                      "Info: Group2 , Météo 5°, 3 plates",
                                      "Airport: Group3 ABCDEF, Three, 4 plates"}));
  EXPECT_EQ(loaded.GroupAt(0)->Name,
            "Orl\xE9"
            "ans Saint-Denis");
  for (int g = 0; g < 3; ++g) {
    loaded.SelectGroup(g);
    ASSERT_EQ(loaded.GroupAt(g)->Count, 2 + g);
    for (int i = 0; i < 2 + g; ++i) {
      EXPECT_TRUE(SamePlate(loaded.PlateTable()[static_cast<size_t>(i)],
                            expected[static_cast<size_t>(g)][static_cast<size_t>(i)]))
          << "group " << g << " plate " << i;
    }
  }
  EXPECT_EQ(view.plates.size(), 4u);
  EXPECT_EQ(view.plates[0], "Plate 1, Pléa 10° #0, Page 21, File: \"2-0.pdf\"");
}

TEST_F(ProjectTest, MissingFileAndSectionsGiveDefaults) {
  project_.ProjectFileName = PathOf("absent.zpl");
  project_.ProcessOptions = 2;
  project_.LoadProject();
  EXPECT_TRUE(project_.ProjectLoaded);
  EXPECT_EQ(project_.GroupCount(), 0);
  EXPECT_EQ(project_.ProcessOptions, 0);

  Load("[Group1]\nName=x\n");  // no "General"
  EXPECT_EQ(project_.GroupCount(), 0);
  EXPECT_EQ(project_.FilenameHeader, "");
  EXPECT_FALSE(project_.ConfirmPlateAdd);

  Load("[General]\nNumberOfGroups=2\nFileNameHeader=hdr\n[Group1]\nCount=3\n");
  EXPECT_EQ(project_.FilenameHeader, "hdr");  // written spelling, read spelling
  ASSERT_EQ(project_.GroupCount(), 2);
  EXPECT_EQ(project_.GroupAt(1)->Name, "No group name");
  EXPECT_EQ(project_.GroupAt(1)->ID, "No ID");
  project_.PlateTable()[2].LatTL = 77;
  project_.LoadGroup(0);
  for (int i = 0; i < 3; ++i) {
    const PlateRecord& p = project_.PlateTable()[static_cast<size_t>(i)];
    PlateRecord expected;
    expected.Name = "No plate name";
    expected.SourceFile = "Source file not assigned";
    expected.FirstPage = 1;
    expected.NumberOfPages = 1;
    EXPECT_TRUE(SamePlate(p, expected)) << i;
  }
}

struct ValueCase {
  const char* what;
  std::string group_keys;
  std::string plate_keys;
  std::function<bool(const GroupRecord&, const PlateRecord&)> check;
};

TEST_F(ProjectTest, ValuesAreReadAsDescribed) {
  const ValueCase cases[] = {
      {"GEOREF 2 is true", "Count=1", "GEOREF1=2",
       [](const GroupRecord&, const PlateRecord& p) { return p.GEOREF; }},
      {"hexadecimal", "Count=1", "LatTL1=0x10",
       [](const GroupRecord&, const PlateRecord& p) { return p.LatTL == 16; }},
      {"Count abc", "Count=abc", "",
       [](const GroupRecord& g, const PlateRecord&) { return g.Count == 0; }},
      {"name cut to 63", "Count=1", "Plate1=" + std::string(70, 'n'),
       [](const GroupRecord&, const PlateRecord& p) { return p.Name == std::string(63, 'n'); }},
      {"ID cut to 6", "ID=ABCDEFGH\nCount=0", "",
       [](const GroupRecord& g, const PlateRecord&) { return g.ID == "ABCDEF"; }},
      {"group name cut to 63", "Name=" + std::string(80, '\xC3') + "\nCount=0", "",
       [](const GroupRecord& g, const PlateRecord&) { return g.Name == std::string(63, '?'); }},
      {"source cut to 255 bytes", "Count=1", "PlateName1=/" + std::string(300, 'p'),
       [](const GroupRecord&, const PlateRecord& p) { return p.SourceFile.size() == 255; }},
      {"low 8 bits of Type, Scaling, Rotate", "Type=257\nCount=1", "Scaling1=258\nRotate1=-1",
       [](const GroupRecord& g, const PlateRecord& p) {
         return g.Type == 1 && p.Scaling == 2 && p.Rotate == 255;
       }},
      {"16 bits of Width and Height", "Count=1", "Width1=65537\nHeight1=-1",
       [](const GroupRecord&, const PlateRecord& p) { return p.Width == 1 && p.Height == 65535; }},
      {"Count above 500 loads 500", "Count=900", "",
       [](const GroupRecord& g, const PlateRecord&) { return g.Count == 500; }},
      {"negative Count is empty", "Count=-4", "",
       [](const GroupRecord& g, const PlateRecord&) { return g.Count == 0; }},
  };
  for (const auto& c : cases) {
    Load("[General]\nNumberOfGroups=1\n[Group1]\n" + c.group_keys + "\n" + c.plate_keys + "\n");
    project_.PlateTable()[0] = PlateRecord{};
    project_.LoadGroup(0);
    EXPECT_TRUE(c.check(*project_.GroupAt(0), project_.PlateTable()[0])) << c.what;
  }
}

TEST_F(ProjectTest, InformationGroupLosesItsId) {
  Load("[General]\nNumberOfGroups=1\n[Group1]\nID=KLAX\nName=Notes\nType=1\n");
  EXPECT_EQ(project_.GroupAt(0)->ID, "");
  EXPECT_EQ(view_.groups, std::vector<std::string>{"Info: Group1 , Notes, 0 plates"});
  project_.SaveProject();
  EXPECT_EQ(IniFile(PathOf("p.zpl")).ReadString("Group1", "ID", "none"), "");
}

TEST_F(ProjectTest, HugeGroupCountIsBounded) {
  Load("[General]\nNumberOfGroups=2147483647\n");
  EXPECT_EQ(project_.GroupCount(), kMaxGroups);
  Load("[General]\nNumberOfGroups=-5\n");
  EXPECT_EQ(project_.GroupCount(), 0);
}

TEST_F(ProjectTest, ShrunkGroupKeepsOldKeysButIgnoresThem) {
  MakeProject({"AAAA"}, 5);
  project_.SelectGroup(0);
  project_.GroupAt(0)->Count = 3;  // as deleting plates 4 and 5 leaves it
  project_.ProjectModified = project_.GroupModified = true;
  project_.FlushPending();
  IniFile file(PathOf("p.zpl"));
  EXPECT_EQ(file.ReadString("Group1", "Plate5", ""), "AAAA 4");
  EXPECT_EQ(PlateNamesOnDisk(0), (std::vector<std::string>{"AAAA 0", "AAAA 1", "AAAA 2"}));
}

TEST_F(ProjectTest, FindPlateBySource) {
  EXPECT_FALSE(project_.FindPlateBySource("/x"));  // no current group
  Load(
      "[General]\nNumberOfGroups=1\n[Group1]\nCount=4\nPlateName1=/c/a.pdf\n"
      "PlateName2=/c/Orléans.PDF\nPlateName3=/c/orléans.pdf\nPlateName4=/c/b.pdf\n");
  project_.SelectGroup(0);
  project_.FoundPlate = -7;
  EXPECT_TRUE(project_.FindPlateBySource("/C/ORLÉANS.pdf"));
  EXPECT_EQ(project_.FoundPlate, 1);  // the first of two matches
  EXPECT_TRUE(project_.FindPlateBySource("/c/b.pdf"));
  EXPECT_EQ(project_.FoundPlate, 3);
  EXPECT_FALSE(project_.FindPlateBySource("/c/missing.pdf"));
  EXPECT_EQ(project_.FoundPlate, 3);
}

TEST_F(ProjectTest, OutOfRangePositionsDoNothing) {
  MakeProject({"AAAA", "BBBB"}, 2);
  const std::string before = ReadFile(PathOf("p.zpl"));
  project_.PlateTable()[0].Name = "kept";
  for (int position : {-1, 2, 100}) {
    view_.plates = {"stale"};
    project_.SaveGroup(position);
    project_.LoadGroup(position);
    EXPECT_TRUE(view_.plates.empty()) << position;
    EXPECT_EQ(project_.PlateTable()[0].Name, "kept") << position;
    EXPECT_EQ(project_.GroupAt(position), nullptr);
  }
  EXPECT_EQ(ReadFile(PathOf("p.zpl")), before);
}

TEST_F(ProjectTest, PlateLimit) {
  MakeProject({"AAAA"}, 0);
  project_.SelectGroup(0);
  EXPECT_EQ(project_.AddPlate(MakePlate("n", "/s.pdf", 1)), 0);
  project_.GroupAt(0)->Count = kMaxPlatesPerGroup;
  project_.ProjectModified = project_.GroupModified = false;
  view_.plates.clear();
  try {
    project_.AddPlate(MakePlate("one too many", "/s.pdf", 1));
    ADD_FAILURE() << "501st plate accepted";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "A group holds at most 500 plates");
  }
  EXPECT_EQ(project_.GroupAt(0)->Count, kMaxPlatesPerGroup);
  EXPECT_FALSE(project_.ProjectModified);
  EXPECT_FALSE(project_.GroupModified);
  EXPECT_TRUE(view_.plates.empty());
}

TEST_F(ProjectTest, AddPlateUpdatesListsAndFlags) {
  MakeProject({"AAAA"}, 1);
  project_.SelectGroup(0);
  PlateRecord plate = MakePlate(std::string(70, 'x'), "/c/" + std::string(300, 'y'), 0);
  EXPECT_EQ(project_.AddPlate(plate), 1);
  EXPECT_EQ(project_.PlateTable()[1].Name.size(), 63u);
  EXPECT_EQ(project_.PlateTable()[1].SourceFile.size(), 255u);
  EXPECT_EQ(view_.groups[0], "Airport: Group1 AAAA, AAAA, 2 plates");
  ASSERT_EQ(view_.plates.size(), 2u);
  EXPECT_EQ(view_.plates[1].substr(0, 10), "Plate 2, x");
  EXPECT_TRUE(project_.ProjectModified);
  EXPECT_TRUE(project_.GroupModified);
}

// Deleting a group moves the groups after it down one number; each must
// still find its own plates, through every order of later operations.
TEST_F(ProjectTest, DeletingAGroupKeepsPlatesWithTheirGroups) {
  MakeProject({"AAAA", "BBBB", "CCCC", "DDDD"}, 3);
  project_.SelectGroup(1);
  ASSERT_TRUE(project_.DeleteCurrentGroup());
  EXPECT_EQ(project_.CurrentGroup, -1);
  EXPECT_TRUE(project_.ProjectModified);
  EXPECT_EQ(view_.groups, (std::vector<std::string>{"Airport: Group1 AAAA, AAAA, 3 plates",
                                                    "Airport: Group2 CCCC, CCCC, 3 plates",
                                                    "Airport: Group3 DDDD, DDDD, 3 plates"}));
  // Before anything is saved the model still loads the right plates.
  project_.LoadGroup(1);
  EXPECT_EQ(project_.PlateTable()[0].Name, "CCCC 0");
  // A group added now must not take over a section still holding plates.
  project_.AddGroup("EEEE", "EEEE", 0);
  project_.CurrentGroup = 3;
  project_.AddPlate(MakePlate("EEEE 0", "/e.pdf", 0));
  project_.SaveGroup(3);  // before SaveProject, against the usual order
  // The file still lists the old groups: the fourth still holds its plates.
  EXPECT_EQ(PlateNamesOnDisk(3), (std::vector<std::string>{"DDDD 0", "DDDD 1", "DDDD 2"}));
  project_.FlushPending();
  const std::vector<std::vector<std::string>> expected = {{"AAAA 0", "AAAA 1", "AAAA 2"},
                                                          {"CCCC 0", "CCCC 1", "CCCC 2"},
                                                          {"DDDD 0", "DDDD 1", "DDDD 2"},
                                                          {"EEEE 0"}};
  for (int g = 0; g < 4; ++g) EXPECT_EQ(PlateNamesOnDisk(g), expected[static_cast<size_t>(g)]);

  // Deleting the first group, editing the new first one, then selecting another.
  project_.SelectGroup(0);
  ASSERT_TRUE(project_.DeleteCurrentGroup());
  project_.SelectGroup(0);
  project_.AddPlate(MakePlate("CCCC 3", "/c.pdf", 0));
  project_.SelectGroup(2);
  EXPECT_EQ(PlateNamesOnDisk(0),
            (std::vector<std::string>{"CCCC 0", "CCCC 1", "CCCC 2", "CCCC 3"}));
  EXPECT_EQ(PlateNamesOnDisk(1), expected[2]);
  EXPECT_EQ(PlateNamesOnDisk(2), expected[3]);
}

TEST_F(ProjectTest, DeleteGroupNeedsACurrentGroup) {
  MakeProject({"AAAA"}, 1);
  project_.CurrentGroup = -1;
  EXPECT_FALSE(project_.DeleteCurrentGroup());
  EXPECT_EQ(project_.GroupCount(), 1);
}

TEST_F(ProjectTest, FailedWritesKeepTheFileAndTheFlags) {
  MakeProject({"AAAA", "BBBB"}, 2);
  project_.SelectGroup(0);
  project_.AddPlate(MakePlate("new", "/n.pdf", 0));
  const std::string before = ReadFile(PathOf("p.zpl"));
  {
    ScopedWriteFailure failure(20);
    try {
      project_.SelectGroup(1);
      ADD_FAILURE() << "no error";
    } catch (const WriteError& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + PathOf("p.zpl"));
    }
  }
  EXPECT_EQ(ReadFile(PathOf("p.zpl")), before);
  EXPECT_TRUE(project_.ProjectModified);
  EXPECT_TRUE(project_.GroupModified);
  EXPECT_EQ(project_.CurrentGroup, 0);
  EXPECT_EQ(project_.GroupAt(0)->Count, 3);

  // Once writing works again nothing was lost.
  project_.SelectGroup(1);
  EXPECT_EQ(PlateNamesOnDisk(0), (std::vector<std::string>{"AAAA 0", "AAAA 1", "new"}));

  // A project whose folder is gone.
  project_.ProjectFileName = PathOf("gone/p.zpl");
  project_.ProjectModified = true;
  EXPECT_THROW(project_.FlushOnClose(), WriteError);
  EXPECT_TRUE(project_.ProjectModified);
}

// One replacement per operation must give the file that writing key by key
// (each key its own read-modify-write) would give.
TEST_F(ProjectTest, BatchedWritesEqualKeyByKeyWrites) {
  const std::string messy =
      "\xEF\xBB\xBF; hand-edited\r\n[general]\r\nnumberofgroups=2\r\njunk\r\n"
      "[Group2]\r\nname=B\r\nPLATE1=old\r\n\r\n[Group1]\r\nName=A\r\n[Group1]\r\nName=dup\r\n";
  Load(messy);
  project_.SelectGroup(1);
  project_.GroupAt(1)->Count = 2;
  project_.PlateTable()[0] = MakePlate("p1", "/p1.pdf", 1);
  project_.PlateTable()[1] = MakePlate("p2", "/p2.pdf", 2);
  project_.SaveProject();
  project_.SaveGroup(1);

  const std::string reference = PathOf("ref.zpl");
  WriteFile(reference, messy);
  auto put = [&](const std::string& section, const std::string& key, const std::string& value) {
    IniFile file(reference);
    file.WriteString(section, key, value);
    file.Commit();
  };
  for (auto [key, value] :
       std::vector<std::pair<std::string, std::string>>{{"NumberOfGroups", "2"},
                                                        {"FileNameHeader", ""},
                                                        {"FileNameHeaderPath", ""},
                                                        {"ProcessOptions", "0"},
                                                        {"DefaultScaling", "0"},
                                                        {"ConfirmPlateAdd", "0"},
                                                        {"GeoReferenceCharts", "0"}}) {
    put("General", key, value);
  }
  for (int g = 1; g <= 2; ++g) {
    const GroupRecord& group = *project_.GroupAt(g - 1);
    const std::string section = "Group" + std::to_string(g);
    put(section, "ID", Windows1252ToUtf8(group.ID));
    put(section, "Name", Windows1252ToUtf8(group.Name));
    put(section, "Count", std::to_string(group.Count));
    put(section, "Type", std::to_string(group.Type));
  }
  // The plate keys, in the order SaveGroup writes them.
  Project key_by_key;
  key_by_key.ProjectFileName = PathOf("keys.zpl");
  key_by_key.AddGroup("x", "", 0);
  key_by_key.GroupAt(0)->Count = 2;
  key_by_key.PlateTable() = project_.PlateTable();
  key_by_key.SaveGroup(0);
  IniFile plates(PathOf("keys.zpl"));
  std::string plate_text = plates.Text();
  std::istringstream lines(plate_text);
  std::string line;
  while (std::getline(lines, line)) {
    size_t eq = line.find('=');
    if (eq != std::string::npos) put("Group2", line.substr(0, eq), line.substr(eq + 1));
  }
  EXPECT_EQ(ReadFile(PathOf("p.zpl")), ReadFile(reference));
}

TEST_F(ProjectTest, FlushPoints) {
  MakeProject({"AAAA", "BBBB"}, 1);
  // Opening another project writes the open one even when nothing is pending.
  IniFile edit(PathOf("p.zpl"));
  edit.WriteString("General", "NumberOfGroups", "0x2");
  edit.Commit();
  project_.OpenProject(PathOf("other.zpl"));
  EXPECT_EQ(IniFile(PathOf("p.zpl")).ReadString("General", "NumberOfGroups", ""), "2");
  EXPECT_EQ(project_.GroupCount(), 0);
  EXPECT_EQ(project_.CurrentGroup, -1);
  EXPECT_FALSE(project_.ProjectModified);

  // A new project drops the pending changes of the open one, keeps the
  // import settings and is marked modified.
  project_.OpenProject(PathOf("p.zpl"));
  project_.SelectGroup(0);
  project_.AddPlate(MakePlate("dropped", "/d.pdf", 0));
  project_.DefaultScaling = 4;
  project_.NewProject(PathOf("new.zpl"));
  EXPECT_TRUE(project_.ProjectModified);
  EXPECT_FALSE(project_.GroupModified);
  EXPECT_EQ(IniFile(PathOf("new.zpl")).ReadInteger("General", "DefaultScaling", 0), 4);
  EXPECT_EQ(IniFile(PathOf("p.zpl")).ReadInteger("Group1", "Count", -1), 1);

  // Closing without a loaded project writes nothing.
  Project idle;
  idle.ProjectFileName = PathOf("never.zpl");
  idle.ProjectModified = true;
  idle.FlushOnClose();
  EXPECT_FALSE(std::filesystem::exists(PathOf("never.zpl")));
}

}  // namespace
}  // namespace qp
