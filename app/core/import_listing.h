#pragma once
// Finding the files of a batch import: the folder path, the directory search
// for the prefix followed by "*.pdf", and the plate name taken from a file
// name.

#include <string>
#include <string_view>
#include <vector>

namespace qp::app {

// The folder field's text made absolute and normalised, with a "/" at its end.
std::string ImportFolderPath(const std::string& folderField);

// True when `name` matches `pattern`, where '*' stands for any run of
// characters and '?' for one character; letters are compared without regard
// to case. Both are UTF-8; a byte that is not part of a valid character only
// matches itself.
bool MatchesFilePattern(std::string_view name, std::string_view pattern);

// The names of the entries of `folderPath` that match `prefix` followed by
// "*.pdf": ordinary files only (a link counts as what it points to), no
// hidden files (names starting with "."), in the order in which the system
// lists the folder. An unreadable folder lists nothing.
std::vector<std::string> ListImportFiles(const std::string& folderPath, const std::string& prefix);

// The file name from the character after the prefix's length onwards, cut
// before its first "." (the whole remainder when it has none).
std::string PlateNameFromFile(const std::string& fileName, const std::string& prefix);

}  // namespace qp::app
