#include "app/core/import_listing.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "tests/project/project_test_helpers.h"

namespace qp::app {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(ImportListing, PatternMatching) {
  const struct {
    const char* name;
    const char* pattern;
    bool matches;
  } cases[] = {
      {"KLAX_ILS 25L.pdf", "KLAX_*.pdf", true},
      {"klax_ils.PDF", "KLAX_*.pdf", true},
      {"KLAX_.pdf", "KLAX_*.pdf", true},
      {"KLAX.pdf", "KLAX_*.pdf", false},
      {"KLAX_A.pdf.bak", "KLAX_*.pdf", false},
      {"KLAX_A.pdfx", "KLAX_*.pdf", false},
      {"KLAX_VOR.A.pdf", "KLAX_*.pdf", true},
      {"XKLAX_A.pdf", "KLAX_*.pdf", false},
      {"a.pdf.pdf", "*.pdf", true},
      {"ab.pdf", "a?.pdf", true},
      {"a.pdf", "a?.pdf", false},
      {"éclair.pdf", "É*.pdf", true},
      {"Ärger.pdf", "ä*.pdf", true},
      {"\xff.pdf", "*.pdf", true},
      {"\xfe.pdf", "\xff*.pdf", false},
      {"", "*.pdf", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesFilePattern(c.name, c.pattern), c.matches) << c.name << " / " << c.pattern;
  }
}

TEST(ImportListing, PlateNames) {
  const struct {
    const char* file;
    const char* prefix;
    const char* name;
  } cases[] = {
      {"KLAX_ILS 25L.pdf", "KLAX_", "ILS 25L"}, {"KLAX_VOR.A.pdf", "KLAX_", "VOR"},
      {"klax_rnav.PDF", "KLAX_", "rnav"},       {"ILS, RWY 4.pdf", "", "ILS, RWY 4"},
      {"ÉKLAX_Ü.pdf", "é", "KLAX_Ü"},           {"KLAX_.pdf", "KLAX_", ""},
      {"KLAX_NOEXT", "KLAX_", "NOEXT"},         {"AB", "ABCD", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlateNameFromFile(c.file, c.prefix), c.name) << c.file;
  }
  EXPECT_EQ(ImportFolderPath("/charts"), "/charts/");
  EXPECT_EQ(ImportFolderPath("/charts/"), "/charts/");
}

// The names of a folder in the order readdir gives them.
std::vector<std::string> ReaddirOrder(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  while (dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
  closedir(dir);
  return names;
}

TEST(ImportListing, OrdinaryVisibleMatchingFilesInFolderOrder) {
  namespace fs = std::filesystem;
  TempDir dir;
  const std::vector<std::string> wanted = {
      "KLAX_ILS 25L.pdf", "klax_rnav 24R.PDF", "KLAX_VOR.A.pdf",
      "KLAX_a, b.pdf",    "KLAX_Zürich ü.pdf", "KLAX_link.pdf",
  };
  for (const char* name : {"KLAX_ILS 25L.pdf", "klax_rnav 24R.PDF", "KLAX_VOR.A.pdf",
                           "KLAX_a, b.pdf", "KLAX_Zürich ü.pdf", "KLAX_notes.txt", "KLAX_x.pdf.bak",
                           "KSFO_ILS.pdf", ".KLAX_hidden.pdf"}) {
    WriteFile(dir.File(name), "%PDF");
  }
  fs::create_directory(dir.File("KLAX_folder.pdf"));
  fs::create_symlink(dir.File("KSFO_ILS.pdf"), dir.File("KLAX_link.pdf"));
  fs::create_directory_symlink(dir.File("KLAX_folder.pdf"), dir.File("KLAX_dirlink.pdf"));
  fs::create_symlink(dir.File("missing.pdf"), dir.File("KLAX_dangling.pdf"));

  const std::vector<std::string> listed = ListImportFiles(dir.Folder(), "KLAX_");
  EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()),
            std::set<std::string>(wanted.begin(), wanted.end()));
  // Nothing is sorted: the listing follows the folder's own order.
  std::vector<std::string> expected;
  for (const std::string& name : ReaddirOrder(dir.Folder())) {
    if (std::find(wanted.begin(), wanted.end(), name) != wanted.end()) expected.push_back(name);
  }
  EXPECT_EQ(listed, expected);

  EXPECT_EQ(ListImportFiles(dir.Folder(), "").size(), wanted.size() + 1);  // KSFO_ILS.pdf
  EXPECT_TRUE(ListImportFiles(dir.File("none") + "/", "").empty());
}

}  // namespace
}  // namespace qp::app
