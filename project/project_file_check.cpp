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
  // Read by blocks up to one byte past the limit: a buffer of the whole
  // limit, cleared, cost more than reading a project of a few kilobytes.
  std::string content;
  char block[1 << 16];
  while (content.size() <= static_cast<size_t>(kMaxProjectFileBytes)) {
    in.read(block, sizeof block);
    if (in.gcount() <= 0) break;
    content.append(block, static_cast<size_t>(in.gcount()));
  }
  if (content.size() > static_cast<size_t>(kMaxProjectFileBytes)) return false;
  if (content.find('\0') != std::string::npos || !IsValidUtf8(content)) return false;
  return IniFile(path).HasSection("General");
}

void CheckProjectFile(const std::string& path) {
  if (!IsProjectFile(path)) throw Error(path + " is not a project file");
}

}  // namespace qp
