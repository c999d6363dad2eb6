#pragma once
// Small pieces of JSON text for the --json output of platec: one object is
// built as text with JsonObject and written whole. Strings are UTF-8; the
// names and IDs of records are converted from Windows-1252 by the caller.

#include <cstdint>
#include <string>
#include <string_view>

namespace qp::cli {

// `text` as a JSON string, quotes included.
std::string JsonString(std::string_view text);

// Members added in order: JsonObject().Add("a", 1).Add("b", "x").Text().
class JsonObject {
 public:
  JsonObject& Add(std::string_view key, std::string_view value);
  JsonObject& Add(std::string_view key, const char* value) {
    return Add(key, std::string_view(value));
  }
  JsonObject& Add(std::string_view key, int64_t value);
  JsonObject& Add(std::string_view key, int value) { return Add(key, int64_t{value}); }
  JsonObject& Add(std::string_view key, double value);
  JsonObject& Add(std::string_view key, bool value);
  // A value that is already JSON text (an object, an array, null).
  JsonObject& AddRaw(std::string_view key, std::string_view json);
  std::string Text() const { return text_ + "}"; }

 private:
  void Key(std::string_view key);
  std::string text_ = "{";
};

// Joins JSON values into an array.
class JsonArray {
 public:
  JsonArray& Add(std::string_view json);
  std::string Text() const { return text_ + "]"; }

 private:
  std::string text_ = "[";
};

}  // namespace qp::cli
