#include "app/core/import_listing.h"

#include "project/project.h"

#include <filesystem>
#include <system_error>

#include "project/text_encoding.h"

namespace qp::app {
namespace {

// Bytes outside a valid character are kept apart from every real character.
constexpr char32_t kInvalidByteBase = 0x110000;

char32_t UpperCase(const Utf8Char& c, std::string_view text, size_t pos) {
  if (!c.valid) return kInvalidByteBase + static_cast<unsigned char>(text[pos]);
  if (c.code < 0x80) {
    return (c.code >= 'a' && c.code <= 'z') ? c.code - ('a' - 'A') : c.code;
  }
  const std::string upper = Utf8ToUpper(text.substr(pos, c.length));
  return DecodeUtf8(upper, 0).code;
}

std::u32string FoldedCharacters(std::string_view text) {
  std::u32string folded;
  folded.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    const Utf8Char c = DecodeUtf8(text, pos);
    folded.push_back(UpperCase(c, text, pos));
    pos += c.length;
  }
  return folded;
}

}  // namespace

std::string ImportFolderPath(const std::string& folderField) {
  std::string folder = NormalisedSourcePath(folderField);
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

bool MatchesFilePattern(std::string_view name, std::string_view pattern) {
  const std::u32string text = FoldedCharacters(name);
  const std::u32string wild = FoldedCharacters(pattern);
  // Greedy match that backtracks only to the last '*': linear in practice,
  // never worse than the product of the two lengths, and no recursion.
  size_t t = 0;
  size_t w = 0;
  size_t star = std::u32string::npos;
  size_t resume = 0;
  while (t < text.size()) {
    if (w < wild.size() && (wild[w] == U'?' || wild[w] == text[t])) {
      ++t;
      ++w;
    } else if (w < wild.size() && wild[w] == U'*') {
      star = w++;
      resume = t;
    } else if (star != std::u32string::npos) {
      w = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (w < wild.size() && wild[w] == U'*') ++w;
  return w == wild.size();
}

std::vector<std::string> ListImportFiles(const std::string& folderPath, const std::string& prefix) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  const std::string pattern = prefix + "*.pdf";
  std::error_code ec;
  fs::directory_iterator it(folderPath, ec);
  if (ec) return names;
  // The iterator keeps the order in which the system reads the folder.
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) break;
    std::string name = it->path().filename().string();
    if (name.empty() || name.front() == '.') continue;
    if (!MatchesFilePattern(name, pattern)) continue;
    std::error_code status_error;
    if (!it->is_regular_file(status_error)) continue;
    names.push_back(std::move(name));
  }
  return names;
}

std::string PlateNameFromFile(const std::string& fileName, const std::string& prefix) {
  size_t skip = Utf8Length(prefix);
  size_t pos = 0;
  while (skip > 0 && pos < fileName.size()) {
    pos += DecodeUtf8(fileName, pos).length;
    --skip;
  }
  const std::string rest = fileName.substr(pos);
  return rest.substr(0, rest.find('.'));
}

}  // namespace qp::app
