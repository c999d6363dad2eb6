#include "project/ini_file.h"

#include <charconv>

#include "project/atomic_file.h"
#include "project/text_encoding.h"

namespace qp {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string_view Trim(std::string_view text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

bool IsSectionHeader(std::string_view line) {
  std::string_view trimmed = Trim(line);
  return !trimmed.empty() && trimmed.front() == '[';
}

std::string_view SectionName(std::string_view line) {
  std::string_view trimmed = Trim(line);
  trimmed.remove_prefix(1);
  return Trim(trimmed.substr(0, trimmed.find(']')));
}

std::string SingleLine(std::string_view value) {
  std::string out(value);
  for (char& c : out) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return out;
}

}  // namespace

// One section block: its header line, its lines, and the first line of each
// key. New keys go after the last key line, so the indexes of existing keys
// never move.
struct IniFile::Section {
  std::string header;
  std::vector<std::string> lines;
  std::unordered_map<std::string, size_t> keys;  // lower-case key -> line
  size_t end_of_keys = 0;                        // one past the last key line

  void Index(size_t line_index) {
    const std::string& line = lines[line_index];
    size_t eq = line.find('=');
    if (eq == std::string::npos) return;
    std::string_view key = Trim(std::string_view(line).substr(0, eq));
    if (key.empty()) return;
    keys.try_emplace(Lower(key), line_index);
    end_of_keys = line_index + 1;
  }
};

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  std::string content;
  if (ReadWholeFile(path_, content)) Parse(content);
}

IniFile::IniFile(std::string path, std::string_view content) : path_(std::move(path)) {
  Parse(content);
}

IniFile::~IniFile() = default;

void IniFile::Parse(std::string_view content) {
  if (content.starts_with("\xEF\xBB\xBF")) content.remove_prefix(3);
  Section* current = nullptr;
  size_t pos = 0;
  while (pos < content.size()) {
    size_t end = content.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = content.size();
    std::string_view line = content.substr(pos, end - pos);
    pos = end;
    if (pos < content.size() && content[pos] == '\r') ++pos;
    if (pos < content.size() && content[pos] == '\n' && (pos == end || content[pos - 1] == '\r')) {
      ++pos;
    }
    if (IsSectionHeader(line)) {
      sections_.push_back(std::make_unique<Section>());
      current = sections_.back().get();
      current->header = std::string(line);
      first_section_.try_emplace(Lower(SectionName(line)), current);
    } else if (current) {
      current->lines.emplace_back(line);
      current->Index(current->lines.size() - 1);
    } else {
      preamble_.emplace_back(line);
    }
  }
}

IniFile::Section* IniFile::FindSection(std::string_view section) const {
  auto it = first_section_.find(Lower(section));
  return it == first_section_.end() ? nullptr : it->second;
}

const std::string* IniFile::FindValue(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (!s) return nullptr;
  auto it = s->keys.find(Lower(key));
  return it == s->keys.end() ? nullptr : &s->lines[it->second];
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view default_value) const {
  const std::string* line = FindValue(section, key);
  if (!line) return std::string(default_value);
  return CutUtf8Chars(std::string_view(*line).substr(line->find('=') + 1), kIniValueMaxChars);
}

bool ParseIniInteger(std::string_view text, int32_t& value) {
  text = Trim(text);
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    uint32_t hex = 0;
    auto [end, ec] = std::from_chars(text.data() + 2, text.data() + text.size(), hex, 16);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    value = static_cast<int32_t>(hex);
    return true;
  }
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() == '-' || text.front() == '+') return false;
  }
  int32_t decimal = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), decimal, 10);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  value = decimal;
  return true;
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                             int32_t default_value) const {
  const std::string* line = FindValue(section, key);
  if (!line) return default_value;
  int32_t value = 0;
  return ParseIniInteger(std::string_view(*line).substr(line->find('=') + 1), value)
             ? value
             : default_value;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool default_value) const {
  return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  Section* s = FindSection(section);
  if (!s) {
    sections_.push_back(std::make_unique<Section>());
    s = sections_.back().get();
    s->header = "[" + std::string(section) + "]";
    first_section_.emplace(Lower(section), s);
  }
  std::string lower_key = Lower(key);
  auto it = s->keys.find(lower_key);
  if (it != s->keys.end()) {
    std::string& line = s->lines[it->second];
    std::string file_key(Trim(std::string_view(line).substr(0, line.find('='))));
    line = file_key + "=" + SingleLine(value);
  } else {
    s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(s->end_of_keys),
                    std::string(key) + "=" + SingleLine(value));
    s->keys.emplace(std::move(lower_key), s->end_of_keys);
    ++s->end_of_keys;
  }
  dirty_ = true;
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

std::string IniFile::Text() const {
  std::string out;
  auto append = [&out](const std::string& line) {
    out += line;
    out += '\n';
  };
  for (const std::string& line : preamble_) append(line);
  for (const auto& section : sections_) {
    append(section->header);
    for (const std::string& line : section->lines) append(line);
  }
  return out;
}

void IniFile::Commit() {
  if (!dirty_) return;
  ReplaceFileAtomically(path_, Text());
  dirty_ = false;
}

}  // namespace qp
