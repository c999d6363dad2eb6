#pragma once
// Shared by the project tests: a temporary folder, whole-file helpers and a
// view that records what the model asks of the windows.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "project/project_view.h"

namespace qp::test {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qp-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder with a trailing '/'.
  std::string Folder() const { return path_.string() + "/"; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream whole;
  whole << in.rdbuf();
  return std::move(whole).str();
}

// Keeps the two lists as the windows would show them.
class RecordingView : public ProjectView {
 public:
  std::vector<std::string> groups;
  std::vector<std::string> plates;
  int plate_clears = 0;

  void AddGroupLine(const std::string& line) override { groups.push_back(line); }
  void ReplaceGroupLine(int position, const std::string& line) override {
    groups.at(static_cast<size_t>(position)) = line;
  }
  void RemoveGroupLine(int position) override { groups.erase(groups.begin() + position); }
  void ClearGroupLines() override { groups.clear(); }
  void AddPlateLine(const std::string& line) override { plates.push_back(line); }
  void ClearPlateLines() override {
    plates.clear();
    ++plate_clears;
  }
};

}  // namespace qp::test
