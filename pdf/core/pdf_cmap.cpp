#include "pdf/core/pdf_cmap.h"

#include <algorithm>
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
    } else if (token == "begincodespacerange") {
      ReadCodeSpace(tokens);
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

void TPDCMapParser::ReadCodeSpace(TPSTokenizer& tokens) {
  std::string low, high;
  while (tokens.GetNextToken(low) && low != "endcodespacerange" && tokens.GetNextToken(high) &&
         high != "endcodespacerange") {
    // Two hexadecimal digits per byte; one to four bytes.
    const size_t digits = low.size() >= 2 ? low.size() - 2 : 0;
    if (low.front() != '<' || digits < 2 || digits > 8 || digits % 2 != 0) continue;
    code_space_.push_back({static_cast<uint32_t>(Number(low, kAllDigits)),
                           static_cast<uint32_t>(Number(high, kAllDigits)),
                           static_cast<int>(digits / 2)});
  }
}

int TPDCMapParser::CodeLength(std::string_view text) const {
  if (code_space_.empty()) return 0;
  int shortest = 4;
  for (const TCodeSpaceRange& range : code_space_) {
    shortest = std::min(shortest, range.bytes);
    if (static_cast<size_t>(range.bytes) > text.size()) continue;
    // Each byte of the code lies between the bytes of the bounds.
    bool inside = true;
    for (int i = 0; i < range.bytes && inside; ++i) {
      const int shift = 8 * (range.bytes - 1 - i);
      const uint32_t byte = static_cast<uint8_t>(text[static_cast<size_t>(i)]);
      inside = byte >= ((range.low >> shift) & 0xFF) && byte <= ((range.high >> shift) & 0xFF);
    }
    if (inside) return range.bytes;
  }
  return shortest;
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

std::unique_ptr<TPDCMap> TPDCMap::FromStream(TStream& stream, const std::string& collection) {
  std::unique_ptr<TPDCMap> cmap(new TPDCMap);
  cmap->cmap_parser_ = std::make_unique<TPDCMapParser>(stream);
  cmap->name_ = "CustomCMap";
  cmap->collection_ = collection;
  cmap->wmode_ = cmap->cmap_parser_->WMode() == 1 ? wmVertical : wmHorizontal;
  return cmap;
}

uint16_t TPDCMap::GetCID(std::string_view text, size_t index, int& processed,
                         bool isEmbedded) const {
  const int length = cmap_parser_ && index >= 1 && index <= text.size()
                         ? cmap_parser_->CodeLength(text.substr(index - 1))
                         : 0;
  if (length > 0) {
    // A code of the CMap's own code space: single codes, then ranges; a
    // code the CMap does not map is CID 0.
    uint32_t code = 0;
    for (int i = 0; i < length && index - 1 + i < text.size(); ++i) {
      code = code << 8 | static_cast<uint8_t>(text[index - 1 + i]);
    }
    processed = length;
    const int32_t cid = cmap_parser_->LookupCode(static_cast<int32_t>(code));
    if (cid < 0) return 0;
    return static_cast<uint16_t>(isEmbedded || !ucs_parser_ ? cid : ucs_parser_->LookupCode(cid));
  }
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
