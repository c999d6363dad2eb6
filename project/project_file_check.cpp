#include "project/project_file_check.h"

#include <fstream>
#include <iterator>

#include "project/errors.h"
#include "project/ini_file.h"
#include "project/text_encoding.h"

namespace qp {

namespace {

// Far above the largest project (a few hundred groups of 500 plates).
constexpr std::streamsize kMaxProjectFileBytes = 64 << 20;

}  // namespace

bool IsProjectFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string content(static_cast<size_t>(kMaxProjectFileBytes) + 1, '\0');
  in.read(content.data(), static_cast<std::streamsize>(content.size()));
  content.resize(static_cast<size_t>(in.gcount()));
  if (content.size() > static_cast<size_t>(kMaxProjectFileBytes)) return false;
  if (content.find('\0') != std::string::npos || !IsValidUtf8(content)) return false;
  return IniFile(path).HasSection("General");
}

void CheckProjectFile(const std::string& path) {
  if (!IsProjectFile(path)) throw Error(path + " is not a project file");
}

}  // namespace qp
