#include "pdf/core/pdf_object_text.h"

#include <cstdio>

#include "pdf/core/pdf_syntax.h"

namespace qp::pdf {

namespace {

void AppendString(const std::string& bytes, std::string& out) {
  bool printable = true;
  for (unsigned char c : bytes) {
    if (c < 0x20 || c > 0x7E) printable = false;
  }
  if (!printable) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += '<';
    for (unsigned char c : bytes) {
      out += kDigits[c >> 4];
      out += kDigits[c & 15];
    }
    out += '>';
    return;
  }
  out += '(';
  for (char c : bytes) {
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += c;
  }
  out += ')';
}

void AppendName(const std::string& name, std::string& out) {
  out += '/';
  for (unsigned char c : name) {
    if (c <= 0x20 || c >= 0x7F || c == '#' || c == '/' || c == '(' || c == ')' || c == '<' ||
        c == '>' || c == '[' || c == ']' || c == '{' || c == '}' || c == '%') {
      char escaped[4];
      std::snprintf(escaped, sizeof(escaped), "#%02X", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
}

void Append(const TPDBaseObject& object, int depth, int maxDepth, std::string& out) {
  if (object.IsBoolean()) {
    out += static_cast<const TPDBoolean&>(object).Value() ? "true" : "false";
  } else if (object.IsInteger()) {
    out += std::to_string(static_cast<const TPDInteger&>(object).Value());
  } else if (object.IsReal()) {
    char text[64];
    std::snprintf(text, sizeof(text), "%.10g", static_cast<const TPDReal&>(object).Value());
    out += text;
  } else if (object.IsString()) {
    AppendString(static_cast<const TPDString&>(object).GetBytes(), out);
  } else if (object.IsName()) {
    AppendName(static_cast<const TPDName&>(object).Value(), out);
  } else if (object.IsNull()) {
    out += "null";
  } else if (object.IsIndirectRef()) {
    out +=
        std::to_string(object.GetObjNumber()) + " " + std::to_string(object.GetGenNumber()) + " R";
  } else if (object.IsCommand()) {
    out += static_cast<const TPDCommand&>(object).Value();
  } else if (object.IsArray() || object.IsDict() || object.IsStream()) {
    if (depth >= maxDepth) {
      out += "...";
      return;
    }
    if (object.IsArray()) {
      const auto& array = static_cast<const TPDArray&>(object);
      out += '[';
      for (size_t i = 0; i < array.GetLength(); ++i) {
        if (i > 0) out += ' ';
        const TPDBaseObject* element = array.GetRefObj(i);
        if (element != nullptr) Append(*element, depth + 1, maxDepth, out);
      }
      out += ']';
      return;
    }
    const TPDDictionary* dict = object.IsDict() ? &static_cast<const TPDDictionary&>(object)
                                                : static_cast<const TPDStream&>(object).GetDict();
    out += "<<";
    for (size_t i = 0; dict != nullptr && i < dict->GetLength(); ++i) {
      out += ' ';
      AppendName(std::string(dict->GetKey(i)), out);
      out += ' ';
      if (const TPDBaseObject* value = dict->GetValueRefObj(i))
        Append(*value, depth + 1, maxDepth, out);
    }
    out += " >>";
    if (object.IsStream()) out += " stream";
  } else {
    out += "%error";
  }
}

}  // namespace

std::string ObjectToText(const TPDBaseObject& object, int maxDepth) {
  std::string out;
  Append(object, 0, maxDepth, out);
  return out;
}

}  // namespace qp::pdf
