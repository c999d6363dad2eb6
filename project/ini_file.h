#pragma once
// INI text files as the project file and "Setup.ini" use them. Section and
// key names match without regard to ASCII case; the first of duplicate
// sections or keys wins. Reading tolerates anything: CR LF or lone CR line
// ends, a UTF-8 byte-order mark, garbage lines, binary noise.
//
// An IniFile reads the file once when constructed. Writes change the text in
// memory, keeping every other line; Commit() replaces the file on disk in
// one atomic step, so one operation's keys land together or not at all.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qp {

inline constexpr size_t kIniValueMaxChars = 2047;

class IniFile {
 public:
  // A file that does not exist or cannot be read reads as empty.
  explicit IniFile(std::string path);
  // Parses `content` as if it were the file's text (for tests and fuzzing).
  IniFile(std::string path, std::string_view content);
  ~IniFile();
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  const std::string& Path() const { return path_; }

  // The value cut to 2047 characters, or `default_value` when the section or
  // key is missing.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value) const;
  // Decimal, or hexadecimal after "0x" or "0X"; anything else gives the default.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t default_value) const;
  // True when the integer value is nonzero.
  bool ReadBool(std::string_view section, std::string_view key, bool default_value) const;
  bool HasSection(std::string_view section) const { return FindSection(section) != nullptr; }

  // Sets a key, creating the section and key when missing. Line breaks in the
  // value become spaces so a value can never start a new line.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int64_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // Replaces the file with the current text when anything was written.
  // Throws WriteError; the object keeps its text either way.
  void Commit();

  // The file's text as Commit() would write it: UTF-8, LF line ends.
  std::string Text() const;

 private:
  struct Section;
  const std::string* FindValue(std::string_view section, std::string_view key) const;
  Section* FindSection(std::string_view section) const;
  void Parse(std::string_view content);

  std::string path_;
  std::vector<std::string> preamble_;  // lines before the first section
  std::vector<std::unique_ptr<Section>> sections_;
  std::unordered_map<std::string, Section*> first_section_;  // by lower-case name
  bool dirty_ = false;
};

// Parses an INI integer as ReadInteger does; false when `text` is not one.
bool ParseIniInteger(std::string_view text, int32_t& value);

}  // namespace qp
