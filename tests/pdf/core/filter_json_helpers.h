#pragma once
// A small JSON reader for the output of qpdf --json in the corpus tests.

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qp::pdf::test {

struct Json {
  enum class Type { kNull, kBool, kNumber, kString, kArray, kObject };
  Type type = Type::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<Json> items;
  std::map<std::string, Json> members;

  const Json* Find(const std::string& key) const {
    auto it = members.find(key);
    return it == members.end() ? nullptr : &it->second;
  }
  bool IsString() const { return type == Type::kString; }
};

class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : s_(text) {}

  // Parses one value; sets ok() false on malformed text.
  Json Parse() {
    Json v = Value(0);
    return v;
  }
  bool ok() const { return ok_; }

 private:
  void Skip() {
    while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\n' || s_[p_] == '\r' || s_[p_] == '\t'))
      ++p_;
  }
  bool Eat(char c) {
    Skip();
    if (p_ < s_.size() && s_[p_] == c) return ++p_, true;
    return false;
  }
  Json Fail() {
    ok_ = false;
    p_ = s_.size();
    return {};
  }
  Json Value(int depth) {
    if (depth > 200) return Fail();
    Skip();
    if (p_ >= s_.size()) return Fail();
    Json v;
    char c = s_[p_];
    if (c == '{') {
      ++p_;
      v.type = Json::Type::kObject;
      if (Eat('}')) return v;
      do {
        Skip();
        Json key = String();
        if (!Eat(':')) return Fail();
        v.members[key.text] = Value(depth + 1);
      } while (Eat(','));
      if (!Eat('}')) return Fail();
    } else if (c == '[') {
      ++p_;
      v.type = Json::Type::kArray;
      if (Eat(']')) return v;
      do v.items.push_back(Value(depth + 1));
      while (Eat(','));
      if (!Eat(']')) return Fail();
    } else if (c == '"') {
      v = String();
    } else if (s_.substr(p_, 4) == "true" || s_.substr(p_, 5) == "false") {
      v.type = Json::Type::kBool;
      v.boolean = c == 't';
      p_ += v.boolean ? 4 : 5;
    } else if (s_.substr(p_, 4) == "null") {
      p_ += 4;
    } else {
      std::string num;
      while (p_ < s_.size() &&
             std::string_view("+-0123456789.eE").find(s_[p_]) != std::string_view::npos)
        num.push_back(s_[p_++]);
      if (num.empty()) return Fail();
      v.type = Json::Type::kNumber;
      v.number = std::strtod(num.c_str(), nullptr);
    }
    return v;
  }
  Json String() {
    Json v;
    v.type = Json::Type::kString;
    if (p_ >= s_.size() || s_[p_] != '"') return Fail();
    ++p_;
    while (p_ < s_.size() && s_[p_] != '"') {
      char c = s_[p_++];
      if (c != '\\') {
        v.text.push_back(c);
        continue;
      }
      if (p_ >= s_.size()) return Fail();
      char e = s_[p_++];
      switch (e) {
        case 'n':
          v.text.push_back('\n');
          break;
        case 't':
          v.text.push_back('\t');
          break;
        case 'r':
          v.text.push_back('\r');
          break;
        case 'b':
          v.text.push_back('\b');
          break;
        case 'f':
          v.text.push_back('\f');
          break;
        case 'u': {
          unsigned cp = static_cast<unsigned>(
              std::strtoul(std::string(s_.substr(p_, 4)).c_str(), nullptr, 16));
          p_ += 4;
          if (cp < 0x80) {
            v.text.push_back(static_cast<char>(cp));
          } else if (cp < 0x800) {
            v.text.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            v.text.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
          } else {
            v.text.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            v.text.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            v.text.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
          }
          break;
        }
        default:
          v.text.push_back(e);
          break;
      }
    }
    if (p_ >= s_.size()) return Fail();
    ++p_;
    return v;
  }

  std::string_view s_;
  size_t p_ = 0;
  bool ok_ = true;
};

}  // namespace qp::pdf::test
