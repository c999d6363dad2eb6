#include "pdf/core/pdf_cmap.h"

#include <filesystem>

#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_file_stream.h"

namespace qp::pdf {

namespace {

bool IsWhite(int c) {
  return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

bool IsDelimiter(int c) {
  return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
         c == '}' || c == '/' || c == '%';
}

bool IsRegular(int c) {
  return c >= 0 && !IsWhite(c) && !IsDelimiter(c);
}

int32_t Decimal(const std::string& token) {
  size_t pos = token.size() > 0 && (token[0] == '-' || token[0] == '+') ? 1 : 0;
  if (pos == token.size() || token.size() > 11) throw EConvertError(token);
  int64_t value = 0;
  for (size_t i = pos; i < token.size(); ++i) {
    if (token[i] < '0' || token[i] > '9') throw EConvertError(token);
    value = value * 10 + (token[i] - '0');
  }
  if (token[0] == '-') value = -value;
  if (value < INT32_MIN || value > INT32_MAX) throw EConvertError(token);
  return static_cast<int32_t>(value);
}

// A hexadecimal token (<...>) or a decimal one. `maxDigits` limits how many
// hexadecimal digits count (the rest is ignored).
int32_t Number(const std::string& token, size_t maxDigits) {
  if (token.find('<') == std::string::npos) return Decimal(token);
  std::string digits;
  for (char c : token) {
    if (c != '<' && c != '>') digits += c;
  }
  if (digits.size() > maxDigits) digits.resize(maxDigits);
  if (digits.empty() || digits.size() > 8) throw EConvertError(token);
  uint32_t value = 0;
  for (char c : digits) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      throw EConvertError(token);
    }
    value = value << 4 | static_cast<uint32_t>(digit);
  }
  return static_cast<int32_t>(value);
}

constexpr size_t kSingleDigits = 4;
constexpr size_t kAllDigits = std::string::npos;

std::string WithoutParentheses(std::string text) {
  std::erase(text, '(');
  std::erase(text, ')');
  return text;
}

std::unique_ptr<TPDCMapParser> ParseFile(const std::filesystem::path& path) {
  std::unique_ptr<TPlatformFile> file = TPlatformFile::Open(path.string());
  if (!file) return nullptr;
  TFileStream stream(*file, 0, 0, false);
  return std::make_unique<TPDCMapParser>(stream);
}

bool IsIdentityName(const std::string& name) {
  return name == "Identity-H" || name == "Identity-V" || name == "Identity";
}

// A name that stays inside the CMap folder.
bool IsPlainFileName(const std::string& name) {
  return !name.empty() && name.find('/') == std::string::npos &&
         name.find('\\') == std::string::npos && name != "." && name != "..";
}

}  // namespace

int TPSTokenizer::Peek() {
  if (index_ == count_) {
    count_ = stream_.Read(buffer_.data(), buffer_.size());
    index_ = 0;
    if (count_ == 0) return -1;
  }
  return buffer_[index_];
}

int TPSTokenizer::Next() {
  const int c = Peek();
  if (c >= 0) ++index_;
  return c;
}

bool TPSTokenizer::GetNextToken(std::string& token) {
  token.clear();
  auto append = [&token](int c) {
    if (token.size() < kMaxTokenLength) token += static_cast<char>(c);
  };
  int c;
  for (;;) {
    c = Next();
    if (c < 0) return false;
    if (IsWhite(c)) continue;
    if (c == '%') {
      while ((c = Peek()) >= 0 && c != '\r' && c != '\n') Next();
      continue;
    }
    break;
  }
  append(c);
  if (c == '(') {
    int previous = c;
    while ((c = Next()) >= 0) {
      append(c);
      if (c == ')' && previous != '\\') break;
      previous = c;
    }
  } else if (c == '<') {
    while ((c = Next()) >= 0) {
      if (IsWhite(c)) continue;
      append(c);
      if (c == '>') break;
    }
  } else if (c != '[' && c != ']') {
    while (IsRegular(Peek())) append(Next());
  }
  return true;
}

TPDCMapParser::TPDCMapParser(TStream& stream) {
  TPSTokenizer tokens(stream);
  std::string token;
  while (tokens.GetNextToken(token) && token != "endcmap") {
    if (token == "/Registry") {
      tokens.GetNextToken(registry_);
    } else if (token == "/Ordering") {
      tokens.GetNextToken(ordering_);
    } else if (token == "/Supplement") {
      tokens.GetNextToken(supplement_);
    } else if (token == "/WMode") {
      tokens.GetNextToken(token);
      wmode_ = Decimal(token);
    } else if (token == "begincidrange" || token == "beginbfrange") {
      ReadRanges(tokens);
    } else if (token == "begincidchar" || token == "beginbfchar") {
      ReadCodes(tokens);
    }
  }
  registry_ = WithoutParentheses(std::move(registry_));
  ordering_ = WithoutParentheses(std::move(ordering_));
}

void TPDCMapParser::ReadCodes(TPSTokenizer& tokens) {
  std::string token;
  while (tokens.GetNextToken(token) && token != "endcidchar" && token != "endbfchar") {
    const int32_t source = Number(token, kSingleDigits);
    tokens.GetNextToken(token);
    codes_.push_back({source, Number(token, kSingleDigits)});
  }
}

void TPDCMapParser::ReadRanges(TPSTokenizer& tokens) {
  std::string token;
  while (tokens.GetNextToken(token) && token != "endcidrange" && token != "endbfrange") {
    const int32_t first = Number(token, kAllDigits);
    tokens.GetNextToken(token);
    const int32_t last = Number(token, kAllDigits);
    tokens.GetNextToken(token);
    if (token != "[") {
      ranges_.push_back({first, last, Number(token, kAllDigits)});
      continue;
    }
    int64_t code = first;
    while (tokens.GetNextToken(token) && token != "]") {
      const auto source = static_cast<int32_t>(code);
      ranges_.push_back({source, source, Number(token, kAllDigits)});
      ++code;
    }
  }
}

int32_t TPDCMapParser::LookupRange(int32_t code) const {
  int32_t result = -1;
  for (const TCIDRange& range : ranges_) {
    if (range.CIDStart <= code && code <= range.CIDEnd) {
      result = static_cast<int32_t>(static_cast<int64_t>(code) - range.CIDStart + range.Code);
    }
  }
  return result;
}

int32_t TPDCMapParser::LookupCode(int32_t code) const {
  for (auto it = codes_.rbegin(); it != codes_.rend(); ++it) {
    if (it->CID == code) return it->Code;
  }
  return LookupRange(code);
}

std::unique_ptr<TPDCMap> TPDCMap::MakeCMap(const std::string& collection,
                                           const std::string& cMapName,
                                           const std::string& cMapPath) {
  namespace fs = std::filesystem;
  std::error_code error;
  const bool haveFolder = !cMapPath.empty() && fs::is_directory(cMapPath, error);
  const fs::path file = fs::path(cMapPath) / cMapName;
  std::unique_ptr<TPDCMap> cmap(new TPDCMap);
  cmap->name_ = cMapName;
  cmap->collection_ = collection;
  if (haveFolder && IsPlainFileName(cMapName) && !IsIdentityName(cMapName) &&
      fs::is_regular_file(file, error)) {
    cmap->cmap_parser_ = ParseFile(file);
    if (!cmap->cmap_parser_) return nullptr;
    cmap->wmode_ = cmap->cmap_parser_->WMode() == 1 ? wmVertical : wmHorizontal;
    const std::string companion =
        cmap->cmap_parser_->Registry() + "-" + cmap->cmap_parser_->Ordering() + "-UCS2";
    const fs::path companionFile = fs::path(cMapPath) / companion;
    if (IsPlainFileName(companion) && fs::is_regular_file(companionFile, error)) {
      cmap->ucs_parser_ = ParseFile(companionFile);
    }
    return cmap;
  }
  if (cMapName == "Identity" || cMapName == "Identity-H") {
    cmap->wmode_ = wmHorizontal;
  } else if (cMapName == "Identity-V") {
    cmap->wmode_ = wmVertical;
  } else {
    return nullptr;
  }
  const fs::path companionFile = fs::path(cMapPath) / collection;
  if (haveFolder && IsPlainFileName(collection) && fs::is_regular_file(companionFile, error)) {
    cmap->ucs_parser_ = ParseFile(companionFile);
  }
  return cmap;
}

uint16_t TPDCMap::GetCID(std::string_view text, size_t index, int& processed,
                         bool isEmbedded) const {
  processed = 2;
  int32_t code = 0;
  if (index >= 1 && index + 1 <= text.size()) {
    code = static_cast<uint8_t>(text[index - 1]) * 256 + static_cast<uint8_t>(text[index]);
  } else if (index >= 1 && index == text.size()) {
    code = static_cast<uint8_t>(text[index - 1]);
  }
  int32_t result;
  if (!cmap_parser_) {
    result = !isEmbedded && ucs_parser_ ? ucs_parser_->LookupCode(code) : code;
  } else {
    const int32_t cid = cmap_parser_->LookupRange(code);
    result = isEmbedded || !ucs_parser_ ? cid : ucs_parser_->LookupCode(cid);
  }
  return static_cast<uint16_t>(result);
}

}  // namespace qp::pdf
