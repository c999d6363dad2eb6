#include "pdf/core/pdf_lexer.h"

#include <cstring>

#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_syntax.h"

namespace qp::pdf {

namespace {

// Collects bytes in a fixed block and flushes it into a string when full, so
// that short tokens cost no growing allocation.
class TokenText {
 public:
  explicit TokenText(std::string& out) : out_(out) { out_.clear(); }
  ~TokenText() { Flush(); }
  void Put(int c) {
    if (length_ == sizeof(block_)) Flush();
    block_[length_++] = static_cast<char>(c);
  }

 private:
  void Flush() {
    out_.append(block_, length_);
    length_ = 0;
  }
  std::string& out_;
  char block_[128];
  size_t length_ = 0;
};

inline bool IsDigit(int c) {
  return c >= '0' && c <= '9';
}
inline bool IsOctal(int c) {
  return c >= '0' && c <= '7';
}

// The stream itself.
struct StreamSource {
  TStream& s;
  int Look() { return s.LookChar(); }
  void Skip() { s.SkipLooked(); }
  int Get() { return s.GetChar(); }
};

// The bytes of the stream's buffer, read in place; `overran` tells that a
// token reached the buffer's end, so that it must be read again from the
// stream.
struct BufferedSource {
  const uint8_t* p;
  const uint8_t* end;
  bool overran = false;
  int Look() {
    if (p != end) return *p;
    overran = true;
    return -1;
  }
  void Skip() { ++p; }
  int Get() {
    const int c = Look();
    if (c >= 0) ++p;
    return c;
  }
};

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                                   1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};
constexpr int kMaxFractionDigits = 18;
// Below this a whole part can take one more digit without leaving 64 bits.
constexpr uint64_t kExactWhole = uint64_t{1} << 59;

}  // namespace

TPDObjectPtr TPDToken::ToObject() const {
  switch (kind) {
    case TPDTokenKind::EndOfInput:
      return std::make_unique<TPDEOF>();
    case TPDTokenKind::Error:
      return std::make_unique<TPDError>();
    case TPDTokenKind::Integer:
      return std::make_unique<TPDInteger>(int_value);
    case TPDTokenKind::Real:
      return std::make_unique<TPDReal>(real_value);
    case TPDTokenKind::Boolean:
      return std::make_unique<TPDBoolean>(bool_value);
    case TPDTokenKind::Null:
      return std::make_unique<TPDNull>();
    case TPDTokenKind::Name:
      return std::make_unique<TPDName>(text);
    case TPDTokenKind::String:
      return std::make_unique<TPDString>(text, false);
    case TPDTokenKind::HexString:
      return std::make_unique<TPDString>(text, true);
    case TPDTokenKind::Keyword:
      return std::make_unique<TPDCommand>(text);
    case TPDTokenKind::ArrayBegin:
      return std::make_unique<TPDCommand>("[");
    case TPDTokenKind::ArrayEnd:
      return std::make_unique<TPDCommand>("]");
    case TPDTokenKind::DictBegin:
      return std::make_unique<TPDCommand>("<<");
    case TPDTokenKind::DictEnd:
      return std::make_unique<TPDCommand>(">>");
  }
  return std::make_unique<TPDError>();
}

TPDLexer::TPDLexer(std::unique_ptr<TStream> stream)
    : owned_(std::move(stream)), stream_(owned_.get()) {
  if (stream_ == nullptr) throw ExInvalidStream();
}

TPDLexer::TPDLexer(TStream& stream) : stream_(&stream) {}

TPDObjectPtr TPDLexer::GetObject() {
  NextToken(scratch_);
  return scratch_.ToObject();
}

void TPDLexer::SkiptoNextLine() {
  TStream& s = *stream_;
  for (;;) {
    const int c = s.GetChar();
    if (c < 0 || c == '\n') return;
    if (c == '\r') {
      if (s.LookChar() == '\n') s.SkipLooked();
      return;
    }
  }
}

bool TPDLexer::Fast(TPDToken& token) {
  TStream& stream = *stream_;
  const uint8_t* p = stream.BufferedBegin();
  const uint8_t* const end = stream.BufferedEnd();
  while (p != end && (kCharClass[*p] & kCharWhite)) ++p;
  stream.SkipTo(p);
  if (p == end) return false;
  const int first = *p;
  BufferedSource source{p + 1, end};
  if (IsDigit(first) || first == '-' || first == '.') {
    ReadNumber(source, first, token);
  } else if (first == '/') {
    ReadName(source, token);
  } else if (kCharClass[first] == 0) {
    ReadKeyword(source, first, token);
  } else {
    return false;  // a delimiter or a comment
  }
  if (source.overran) return false;  // read again from the stream
  stream.SkipTo(source.p);
  return true;
}

void TPDLexer::SlowToken(TPDToken& token) {
  TStream& stream = *stream_;
  StreamSource s{stream};
  int c;
  for (;;) {
    c = s.Get();
    if (c < 0) {
      token.kind = TPDTokenKind::EndOfInput;
      return;
    }
    if (kCharClass[c] & kCharWhite) continue;
    if (c != '%') break;
    // A comment runs to the end of its line.
    do {
      c = s.Get();
    } while (c >= 0 && c != '\r' && c != '\n');
  }
  switch (c) {
    case '(':
      ReadLiteralString(token);
      return;
    case '<':
      if (s.Look() == '<') {
        s.Skip();
        token.kind = TPDTokenKind::DictBegin;
      } else {
        ReadHexString(token);
      }
      return;
    case '>':
      if (s.Look() == '>') {
        s.Skip();
        token.kind = TPDTokenKind::DictEnd;
      } else {
        token.kind = TPDTokenKind::Error;
      }
      return;
    case '[':
      token.kind = TPDTokenKind::ArrayBegin;
      return;
    case ']':
      token.kind = TPDTokenKind::ArrayEnd;
      return;
    case ')':
    case '{':
    case '}':
      token.kind = TPDTokenKind::Error;
      return;
    case '/':
      ReadName(s, token);
      return;
    default:
      break;
  }
  if (IsDigit(c) || c == '-' || c == '.') {
    ReadNumber(s, c, token);
  } else {
    ReadKeyword(s, c, token);
  }
}

template <class Source>
void TPDLexer::ReadNumber(Source& s, int first, TPDToken& token) {
  const bool negative = first == '-';
  bool fraction = first == '.';
  // The whole part is exact in 64 bits up to kExactWhole; longer digit runs
  // go on in a double, so that no value wraps round.
  uint64_t whole = IsDigit(first) ? static_cast<uint64_t>(first - '0') : 0;
  double big = 0;
  bool inexact = false;
  if (!fraction) {
    for (;;) {
      const int c = s.Look();
      if (IsDigit(c)) {
        s.Skip();
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (whole < kExactWhole) {
          whole = whole * 10 + digit;
        } else {
          if (!inexact) {
            big = static_cast<double>(whole);
            inexact = true;
          }
          big = big * 10 + digit;
        }
      } else {
        if (c == '.') {
          s.Skip();
          fraction = true;
        }
        break;
      }
    }
  }
  const double magnitude = inexact ? big : static_cast<double>(whole);
  if (!fraction) {
    // Integers outside the 32-bit range become reals of their value: a
    // wrapped value could pass for a valid object number or offset.
    const uint64_t limit = negative ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1;
    if (!inexact && whole <= limit) {
      token.kind = TPDTokenKind::Integer;
      token.int_value = static_cast<int32_t>(negative ? -static_cast<int64_t>(whole)
                                                      : static_cast<int64_t>(whole));
    } else {
      token.kind = TPDTokenKind::Real;
      token.real_value = negative ? -magnitude : magnitude;
    }
    return;
  }
  uint64_t digits = 0;
  int count = 0;
  for (;;) {
    const int c = s.Look();
    if (IsDigit(c)) {
      s.Skip();
      // Digits beyond the precision of a double add nothing.
      if (count < kMaxFractionDigits) {
        digits = digits * 10 + static_cast<uint64_t>(c - '0');
        ++count;
      }
    } else if (c == '-') {
      s.Skip();  // a '-' inside the fraction is ignored
    } else {
      break;
    }
  }
  const double result = magnitude + static_cast<double>(digits) / kPowersOfTen[count];
  token.kind = TPDTokenKind::Real;
  token.real_value = negative ? -result : result;
}

template <class Source>
void TPDLexer::ReadKeyword(Source& s, int first, TPDToken& token) {
  char text[kMaxNameLength];
  size_t length = 0;
  text[length++] = static_cast<char>(first);
  for (;;) {
    const int c = s.Look();
    if (!IsPdfRegular(c)) break;
    s.Skip();
    if (length < kMaxNameLength) text[length++] = static_cast<char>(c);
  }
  const std::string_view word(text, length);
  if (word == "true" || word == "false") {
    token.kind = TPDTokenKind::Boolean;
    token.bool_value = word[0] == 't';
  } else if (word == "null") {
    token.kind = TPDTokenKind::Null;
  } else {
    token.kind = TPDTokenKind::Keyword;
    // Copied into the storage the token already has: assign() takes a
    // general path that costs more than the short operators themselves.
    if (length <= token.text.capacity()) {
      token.text.resize(length);
      std::memcpy(token.text.data(), text, length);
    } else {
      token.text.assign(word);
    }
  }
}

template <class Source>
void TPDLexer::ReadName(Source& s, TPDToken& token) {
  char text[kMaxNameLength];
  size_t length = 0;
  auto put = [&](int c) {
    if (length < kMaxNameLength) text[length++] = static_cast<char>(c);
  };
  for (;;) {
    int c = s.Look();
    if (!IsPdfRegular(c)) break;
    s.Skip();
    if (c == '#') {
      const int high = HexDigitValue(s.Look());
      if (high >= 0) {
        const int first = s.Get();
        const int low = HexDigitValue(s.Look());
        if (low >= 0) {
          s.Skip();
          put(high * 16 + low);
          continue;
        }
        // Not an escape: keep '#' and the digit as they stand.
        put('#');
        c = first;
      }
    }
    put(c);
  }
  token.kind = TPDTokenKind::Name;
  token.text.assign(text, length);
}

void TPDLexer::ReadLiteralString(TPDToken& token) {
  TStream& s = *stream_;
  token.kind = TPDTokenKind::String;
  TokenText text(token.text);
  int depth = 1;
  for (;;) {
    int c = s.GetChar();
    if (c < 0) return;
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth == 0) return;
    } else if (c == '\\') {
      c = s.GetChar();
      switch (c) {
        case -1:
          return;
        case 'n':
          c = '\n';
          break;
        case 'r':
          c = '\r';
          break;
        case 't':
          c = '\t';
          break;
        case 'b':
          c = '\b';
          break;
        case 'f':
          c = '\f';
          break;
        case '\r':
          if (s.LookChar() == '\n') s.SkipLooked();
          continue;
        case '\n':
          continue;
        default:
          if (IsOctal(c)) {
            int value = c - '0';
            for (int i = 0; i < 2 && IsOctal(s.LookChar()); ++i) {
              value = value * 8 + (s.GetChar() - '0');
            }
            c = value & 0xFF;
          }
          break;  // any other byte stands for itself
      }
    }
    text.Put(c);
  }
}

void TPDLexer::ReadHexString(TPDToken& token) {
  TStream& s = *stream_;
  token.kind = TPDTokenKind::HexString;
  TokenText text(token.text);
  for (;;) {
    const int c = s.GetChar();
    if (c < 0 || c == '>') return;
    if (!(kCharClass[c] & kCharWhite)) text.Put(c);
  }
}

}  // namespace qp::pdf
