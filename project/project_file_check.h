#pragma once
// Telling a project file from any other file before it is read as one: a
// PDF, an image or an empty file read as a project would show as an empty
// project, and the next save would overwrite it.

#include <string>

namespace qp {

// True when `path` is UTF-8 text (no NUL byte) with a "[General]" section.
bool IsProjectFile(const std::string& path);

// Throws Error("PATH is not a project file") unless IsProjectFile(path).
void CheckProjectFile(const std::string& path);

}  // namespace qp
