#include "cli/json_text.h"

#include <cmath>
#include <cstdio>

namespace qp::cli {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

void JsonObject::Key(std::string_view key) {
  if (text_.size() > 1) text_ += ",";
  text_ += JsonString(key) + ":";
}

JsonObject& JsonObject::Add(std::string_view key, std::string_view value) {
  Key(key);
  text_ += JsonString(value);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, int64_t value) {
  Key(key);
  text_ += std::to_string(value);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, double value) {
  Key(key);
  if (!std::isfinite(value)) {
    text_ += "null";
  } else {
    char number[32];
    std::snprintf(number, sizeof number, "%.10g", value);
    text_ += number;
  }
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, bool value) {
  Key(key);
  text_ += value ? "true" : "false";
  return *this;
}

JsonObject& JsonObject::AddRaw(std::string_view key, std::string_view json) {
  Key(key);
  text_ += json;
  return *this;
}

JsonArray& JsonArray::Add(std::string_view json) {
  if (text_.size() > 1) text_ += ",";
  text_ += json;
  return *this;
}

}  // namespace qp::cli
