#include "pdf/core/pdf_cmap.h"

#include <algorithm>

#include "pdf/core/cmap_resources.h"
#include "pdf/core/pdf_errors.h"

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

bool IsIdentityName(const std::string& name) {
  return name == "Identity-H" || name == "Identity-V" || name == "Identity";
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
  std::string token, previous;
  while (tokens.GetNextToken(token) && token != "endcmap") {
    if (token == "usecmap" && previous.size() > 1 && previous[0] == '/') {
      use_cmap_ = previous.substr(1);
    } else if (token == "/Registry") {
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
      ReadCodes(tokens, token == "begincidchar");
    } else if (token == "begincodespacerange") {
      ReadCodeSpace(tokens);
    }
    previous.swap(token);
  }
  registry_ = WithoutParentheses(std::move(registry_));
  ordering_ = WithoutParentheses(std::move(ordering_));
}

void TPDCMapParser::ReadCodes(TPSTokenizer& tokens, bool cids) {
  std::string token;
  while (tokens.GetNextToken(token) && token != "endcidchar" && token != "endbfchar") {
    // CID codes may take up to four bytes (UTF-32 CMaps).
    const int32_t source = Number(token, cids ? kAllDigits : kSingleDigits);
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
  if (!index_.empty() && code >= 0 && static_cast<size_t>(code) < index_.size()) {
    return index_[static_cast<size_t>(code)];
  }
  for (auto it = codes_.rbegin(); it != codes_.rend(); ++it) {
    if (it->CID == code) return it->Code;
  }
  return LookupRange(code);
}

void TPDCMapParser::MergeParent(const TPDCMapParser& parent) {
  // Ranges answer after single codes, the last match first: the parent's
  // ranges, then its single codes as ranges of one, then this CMap's ranges
  // keep every mapping of this CMap above every mapping of the parent.
  std::vector<TCIDRange> ranges = parent.ranges_;
  for (const TCIDCode& single : parent.codes_) {
    ranges.push_back({single.CID, single.CID, single.Code});
  }
  ranges.insert(ranges.end(), ranges_.begin(), ranges_.end());
  ranges_ = std::move(ranges);
  code_space_.insert(code_space_.begin(), parent.code_space_.begin(), parent.code_space_.end());
  if (registry_.empty()) registry_ = parent.registry_;
  if (ordering_.empty()) ordering_ = parent.ordering_;
  if (supplement_.empty()) supplement_ = parent.supplement_;
  use_cmap_.clear();
  index_.clear();
}

void TPDCMapParser::BuildIndex() {
  constexpr size_t kCodes = 0x10000;
  // Small CMaps are searched quickly enough; huge ranges would cost more
  // to index than they save.
  constexpr size_t kMinEntries = 64;
  constexpr uint64_t kMaxWrites = uint64_t{1} << 22;
  index_.clear();
  if (ranges_.size() + codes_.size() < kMinEntries) return;
  uint64_t writes = 0;
  for (const TCIDRange& range : ranges_) {
    if (range.CIDStart < 0 || range.CIDEnd < range.CIDStart) continue;
    writes += static_cast<uint64_t>(std::min<int64_t>(range.CIDEnd, kCodes - 1)) + 1 -
              static_cast<uint64_t>(std::min<int64_t>(range.CIDStart, kCodes));
  }
  if (writes > kMaxWrites) return;
  std::vector<int32_t> index(kCodes, -1);
  for (const TCIDRange& range : ranges_) {
    if (range.CIDStart < 0) continue;
    for (int64_t code = range.CIDStart; code <= range.CIDEnd && code < int64_t{kCodes}; ++code) {
      index[static_cast<size_t>(code)] =
          static_cast<int32_t>(code - range.CIDStart + int64_t{range.Code});
    }
  }
  for (const TCIDCode& single : codes_) {
    if (single.CID >= 0 && static_cast<size_t>(single.CID) < kCodes) {
      index[static_cast<size_t>(single.CID)] = single.Code;
    }
  }
  index_ = std::move(index);
}

std::unique_ptr<TPDCMap> TPDCMap::MakeCMap(const std::string& collection,
                                           const std::string& cMapName,
                                           const std::string& cMapPath) {
  std::unique_ptr<TPDCMap> cmap(new TPDCMap);
  cmap->name_ = cMapName;
  cmap->collection_ = collection;
  if (cMapPath.empty()) {
    if (!IsIdentityName(cMapName)) return nullptr;
  } else if (!IsIdentityName(cMapName)) {
    cmap->cmap_parser_ = LoadPredefinedCMap(cMapPath, cMapName);
    if (!cmap->cmap_parser_) return nullptr;
  }
  if (cmap->cmap_parser_) {
    cmap->wmode_ = cmap->cmap_parser_->WMode() == 1 ? wmVertical : wmHorizontal;
    // The CMap's own collection gives the Unicode values of its CIDs.
    const TPDCMapParser& parser = *cmap->cmap_parser_;
    if (!parser.Registry().empty() && !parser.Ordering().empty()) {
      cmap->collection_ = parser.Registry() + "-" + parser.Ordering();
    }
  } else {
    cmap->wmode_ = cMapName == "Identity-V" ? wmVertical : wmHorizontal;
  }
  if (!cMapPath.empty()) cmap->unicode_ = LoadCIDToUnicode(cMapPath, cmap->collection_);
  if (!cmap->unicode_ && cmap->collection_ != collection && !cMapPath.empty()) {
    cmap->unicode_ = LoadCIDToUnicode(cMapPath, collection);
  }
  return cmap;
}

std::unique_ptr<TPDCMap> TPDCMap::FromStream(TStream& stream, const std::string& collection,
                                             const std::string& cMapPath) {
  std::unique_ptr<TPDCMap> cmap(new TPDCMap);
  auto parser = std::make_unique<TPDCMapParser>(stream);
  if (!cMapPath.empty()) ResolveUseCMap(*parser, cMapPath);
  parser->BuildIndex();
  cmap->name_ = "CustomCMap";
  cmap->collection_ = collection;
  cmap->wmode_ = parser->WMode() == 1 ? wmVertical : wmHorizontal;
  cmap->cmap_parser_ = std::move(parser);
  if (!cMapPath.empty()) cmap->unicode_ = LoadCIDToUnicode(cMapPath, collection);
  return cmap;
}

uint16_t TPDCMap::GetCID(std::string_view text, size_t index, int& processed) const {
  const int length = cmap_parser_ && index >= 1 && index <= text.size()
                         ? cmap_parser_->CodeLength(text.substr(index - 1))
                         : 0;
  if (length > 0) {
    // A code of the CMap's own code space: single codes, then ranges.
    uint32_t code = 0;
    for (int i = 0; i < length && index - 1 + i < text.size(); ++i) {
      code = code << 8 | static_cast<uint8_t>(text[index - 1 + i]);
    }
    processed = length;
    const int32_t cid = cmap_parser_->LookupCode(static_cast<int32_t>(code));
    return cid < 0 || cid > 0xFFFF ? 0 : static_cast<uint16_t>(cid);
  }
  processed = 2;
  int32_t code = 0;
  if (index >= 1 && index + 1 <= text.size()) {
    code = static_cast<uint8_t>(text[index - 1]) * 256 + static_cast<uint8_t>(text[index]);
  } else if (index >= 1 && index == text.size()) {
    code = static_cast<uint8_t>(text[index - 1]);
  }
  if (!cmap_parser_) return static_cast<uint16_t>(code);
  const int32_t cid = cmap_parser_->LookupRange(code);
  return cid < 0 || cid > 0xFFFF ? 0 : static_cast<uint16_t>(cid);
}

uint32_t TPDCMap::UnicodeOf(uint16_t cid) const {
  return unicode_ && cid < unicode_->size() ? (*unicode_)[cid] : 0;
}

}  // namespace qp::pdf
