// platec pdfinfo against poppler's pdfinfo over every file of the shared
// corpus: page count, unrotated page sizes and rotations must agree, and the
// encrypted files must open with their passwords.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>

#include "cli/command.h"

namespace qp::cli {
namespace {

namespace fs = std::filesystem;

struct PageInfo {
  double width = 0;
  double height = 0;
  int rotate = 0;
};

std::string RunProcess(const std::string& command) {
  std::string output;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return output;
  std::array<char, 4096> buffer;
  while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe.get()))
    output.append(buffer.data(), n);
  return output;
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

int NormalRotation(int degrees) {
  return ((degrees % 360) + 360) % 360;
}

// The user password (empty when none) of each file of mixed/MANIFEST.tsv.
std::map<std::string, std::string> ReadPasswords(const fs::path& manifest) {
  std::map<std::string, std::string> passwords;
  std::ifstream in(manifest);
  std::string line;
  std::getline(in, line);
  const std::regex user("user=([^ ]*)");
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::stringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    if (fields.size() < 7) continue;
    std::smatch match;
    std::string password;
    if (std::regex_search(fields[6], match, user) && match[1] != "(empty)") password = match[1];
    passwords[fields[0]] = password;
  }
  return passwords;
}

std::vector<PageInfo> PopplerPages(const fs::path& file, const std::string& password, int* count) {
  const std::string base = "pdfinfo -upw " + Quote(password) + " " + Quote(file.string());
  const std::string summary = RunProcess(base + " 2>/dev/null");
  std::smatch match;
  *count = -1;
  if (std::regex_search(summary, match, std::regex("Pages:\\s+(\\d+)"))) {
    *count = std::stoi(match[1]);
  }
  std::vector<PageInfo> pages(static_cast<size_t>(std::max(*count, 0)));
  if (*count <= 0) return pages;
  const std::string detail =
      RunProcess(base + " -f 1 -l " + std::to_string(*count) + " 2>/dev/null");
  const std::regex size("Page\\s+(\\d+) size:\\s+([0-9.]+) x ([0-9.]+) pts");
  const std::regex rot("Page\\s+(\\d+) rot:\\s+(-?\\d+)");
  for (auto it = std::sregex_iterator(detail.begin(), detail.end(), size);
       it != std::sregex_iterator(); ++it) {
    const size_t page = std::stoul((*it)[1]) - 1;
    if (page < pages.size()) {
      pages[page].width = std::stod((*it)[2]);
      pages[page].height = std::stod((*it)[3]);
    }
  }
  for (auto it = std::sregex_iterator(detail.begin(), detail.end(), rot);
       it != std::sregex_iterator(); ++it) {
    const size_t page = std::stoul((*it)[1]) - 1;
    if (page < pages.size()) pages[page].rotate = NormalRotation(std::stoi((*it)[2]));
  }
  return pages;
}

std::vector<PageInfo> PlatecPages(const fs::path& file, const std::string& password, int* count,
                                  bool* encrypted, std::string* error) {
  std::ostringstream out, err;
  *count = -1;
  const int status = RunPlatec({"pdfinfo", file.string(), "--password", password}, out, err);
  *error = err.str();
  std::vector<PageInfo> pages;
  if (status != 0) return pages;
  const std::string text = out.str();
  std::smatch match;
  if (std::regex_search(text, match, std::regex("Pages: (-?\\d+)"))) *count = std::stoi(match[1]);
  *encrypted = text.find("Encrypted: yes") != std::string::npos;
  const std::regex page("Page (\\d+): .* rotate (-?\\d+) size ([-0-9.e+]+) x ([-0-9.e+]+) pt");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), page); it != std::sregex_iterator();
       ++it) {
    PageInfo info;
    info.rotate = NormalRotation(std::stoi((*it)[2]));
    info.width = std::stod((*it)[3]);
    info.height = std::stod((*it)[4]);
    // platec gives the displayed size; poppler the size before rotation.
    if (info.rotate % 180 == 90) std::swap(info.width, info.height);
    pages.push_back(info);
  }
  return pages;
}

TEST(PdfinfoCorpus, AgreesWithPopplerOnEveryFile) {
  const fs::path corpus = fs::path(QP_SHARED_DIR) / "corpus";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "shared corpus not found at " << corpus;
  if (RunProcess("pdfinfo -v 2>&1").find("pdfinfo") == std::string::npos) {
    GTEST_SKIP() << "poppler's pdfinfo is not installed";
  }
  const auto passwords = ReadPasswords(corpus / "mixed" / "MANIFEST.tsv");
  int files = 0;
  // Well-formed files only: the folders of damaged and fuzzed files (pdfjs,
  // fuzz-found) are compared with the peers by the corpus sweep in bench/.
  std::vector<fs::path> pdfs;
  for (const char* folder : {"faa", "faa-sfo", "mixed"}) {
    if (!fs::is_directory(corpus / folder)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(corpus / folder)) {
      if (entry.path().extension() == ".pdf") pdfs.push_back(entry.path());
    }
  }
  for (const fs::path& path : pdfs) {
    const fs::directory_entry entry(path);
    ++files;
    const std::string relative = fs::relative(entry.path(), corpus / "mixed").generic_string();
    const auto found = passwords.find(relative);
    const std::string password = found != passwords.end() ? found->second : std::string();
    SCOPED_TRACE(entry.path().string());

    int popplerCount = 0;
    const std::vector<PageInfo> expected = PopplerPages(entry.path(), password, &popplerCount);
    int count = 0;
    bool encrypted = false;
    std::string error;
    const std::vector<PageInfo> actual =
        PlatecPages(entry.path(), password, &count, &encrypted, &error);
    ASSERT_EQ(error, "");
    ASSERT_EQ(count, popplerCount);
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
      SCOPED_TRACE("page " + std::to_string(i + 1));
      EXPECT_EQ(actual[i].rotate, expected[i].rotate);
      EXPECT_NEAR(std::fabs(actual[i].width), expected[i].width, 0.01);
      EXPECT_NEAR(std::fabs(actual[i].height), expected[i].height, 0.01);
    }
  }
  EXPECT_GT(files, 50);
}

TEST(PdfinfoCorpus, EncryptedFilesOpenWithOwnerPasswordToo) {
  const fs::path security = fs::path(QP_SHARED_DIR) / "corpus" / "mixed" / "security";
  if (!fs::is_directory(security)) GTEST_SKIP() << "shared corpus not found at " << security;
  for (const auto& entry : fs::directory_iterator(security)) {
    if (entry.path().filename() == "plain-source.pdf") continue;
    SCOPED_TRACE(entry.path().string());
    std::ostringstream out, err;
    EXPECT_EQ(RunPlatec({"pdfinfo", entry.path().string(), "--password", "owner"}, out, err), 0)
        << err.str();
    EXPECT_NE(out.str().find("Encrypted: yes"), std::string::npos);
    std::ostringstream out2, err2;
    EXPECT_NE(RunPlatec({"pdfinfo", entry.path().string(), "--password", "wrong"}, out2, err2), 0);
  }
}

}  // namespace
}  // namespace qp::cli
