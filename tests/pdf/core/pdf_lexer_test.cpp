#include "pdf/core/pdf_lexer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "pdf/core/pdf_memory_stream.h"
#include "pdf/core/pdf_syntax.h"

namespace qp::pdf {
namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x20 || c >= 0x7F || c == '|') {
      char hex[8];
      std::snprintf(hex, sizeof(hex), "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string Describe(const TPDToken& token) {
  std::ostringstream out;
  switch (token.kind) {
    case TPDTokenKind::EndOfInput:
      return "eof";
    case TPDTokenKind::Error:
      return "error";
    case TPDTokenKind::Integer:
      out << "int:" << token.int_value;
      break;
    case TPDTokenKind::Real:
      out << "real:" << token.real_value;
      break;
    case TPDTokenKind::Boolean:
      out << (token.bool_value ? "true" : "false");
      break;
    case TPDTokenKind::Null:
      return "null";
    case TPDTokenKind::Name:
      out << "name:" << Escape(token.text);
      break;
    case TPDTokenKind::String:
      out << "str:" << Escape(token.text);
      break;
    case TPDTokenKind::HexString:
      out << "hex:" << Escape(token.text);
      break;
    case TPDTokenKind::Keyword:
      out << "kw:" << Escape(token.text);
      break;
    case TPDTokenKind::ArrayBegin:
      return "[";
    case TPDTokenKind::ArrayEnd:
      return "]";
    case TPDTokenKind::DictBegin:
      return "<<";
    case TPDTokenKind::DictEnd:
      return ">>";
  }
  return out.str();
}

// Serves its bytes a few at a time, so that tokens straddle buffer ends.
class ChunkedStream final : public TStream {
 public:
  ChunkedStream(const std::string& data, size_t chunk) : data_(data), chunk_(chunk) {}
  void Reset() override { DropBuffer(0); }
  TStreamType GetType() const override { return stWeird; }

 protected:
  bool Refill() override {
    const size_t at = static_cast<size_t>(GetPosition());
    if (at >= data_.size()) return false;
    const auto* begin = reinterpret_cast<const uint8_t*>(data_.data()) + at;
    SetBuffer(begin, begin + std::min(chunk_, data_.size() - at), static_cast<int64_t>(at));
    return true;
  }

 private:
  std::string data_;
  size_t chunk_;
};

// Every token of `input` up to the end, separated by " | "; read in chunks
// of `chunk` bytes when given, else from one buffer.
std::string Tokenise(const std::string& input, size_t chunk = 0) {
  TMemoryStream memory(input);
  ChunkedStream chunked(input, chunk);
  TStream& stream = chunk ? static_cast<TStream&>(chunked) : memory;
  TPDLexer lexer(stream);
  TPDToken token;
  std::string result;
  for (int i = 0; i < 100; ++i) {
    lexer.NextToken(token);
    if (token.kind == TPDTokenKind::EndOfInput) break;
    if (!result.empty()) result += " | ";
    result += Describe(token);
  }
  return result;
}

struct LexCase {
  const char* input;
  const char* tokens;
};

TEST(PdfLexer, TokenisesTheSyntax) {
  const LexCase cases[] = {
      // Literal strings: nesting, escapes, line continuations.
      {"(a(b)c)", "str:a(b)c"},
      {"(a\\)b)", "str:a)b"},
      {"(ab\\\ncd)", "str:abcd"},
      {"(ab\\\r\ncd)", "str:abcd"},
      {"(ab\\\rcd)", "str:abcd"},
      {"(\\101)", "str:A"},
      {"(\\0053)", "str:\\x053"},
      {"(\\q)", "str:q"},
      {"(\\777)", "str:\\xFF"},
      {"(\\n\\r\\t\\b\\f\\(\\\\)", "str:\\x0A\\x0D\\x09\\x08\\x0C(\\"},
      {"(a\r\nb)", "str:a\\x0D\\x0Ab"},
      {"(unterminated", "str:unterminated"},
      {"(ends in escape\\", "str:ends in escape"},
      // Hexadecimal strings keep their digit text without white space.
      {"<48 65\n6C>", "hex:48656C"},
      {"<4G>", "hex:4G"},
      {"<48", "hex:48"},
      // Names.
      {"/A#42", "name:AB"},
      {"/A#2342", "name:A#42"},
      {"/A#4", "name:A#4"},
      {"/A#G1", "name:A#G1"},
      {"/ /B", "name: | name:B"},
      {"/a/b[", "name:a | name:b | ["},
      // Numbers.
      {"-", "int:0"},
      {".", "real:0"},
      {"-.5", "real:-0.5"},
      {"1.2.3", "real:1.2 | real:0.3"},
      {"12abc", "int:12 | kw:abc"},
      {"+5", "kw:+5"},
      {"1-2", "int:1 | int:-2"},
      {"4.-5", "real:4.5"},
      {"4294967297", "real:4.29497e+09"},
      {"2147483648", "real:2.14748e+09"},
      {"-2147483648", "int:-2147483648"},
      {"123456789012345678901234567890", "real:1.23457e+29"},
      {"0.000000000000000000001", "real:0"},
      // References are the parser's business: the lexer sees three tokens.
      {"4 0 R", "int:4 | int:0 | kw:R"},
      // Keywords, structure, errors, comments.
      {"true false null True", "true | false | null | kw:True"},
      {"<< >> [ ] { } ) >", "<< | >> | [ | ] | error | error | error | error"},
      {"% comment\r1", "int:1"},
      {"%only a comment", ""},
      {"BT/F1 12 Tf ET", "kw:BT | name:F1 | int:12 | kw:Tf | kw:ET"},
      {"\x80\xFF", "kw:\\x80\\xFF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Tokenise(c.input), c.tokens) << "input: " << Escape(c.input);
    // Tokens cut by the end of the stream's buffer read the same.
    for (size_t chunk : {1, 2, 3, 5}) {
      EXPECT_EQ(Tokenise(c.input, chunk), c.tokens)
          << "input: " << Escape(c.input) << " in chunks of " << chunk;
    }
  }
}

// Numbers beyond 32 bits keep their value: integers outside the range of a
// 32-bit integer become reals, reals keep their whole part.
TEST(PdfLexer, LargeNumbersKeepTheirMagnitude) {
  const struct {
    const char* input;
    TPDTokenKind kind;
    double value;
  } cases[] = {
      {"2147483647", TPDTokenKind::Integer, 2147483647.0},
      {"-2147483648", TPDTokenKind::Integer, -2147483648.0},
      {"2147483648", TPDTokenKind::Real, 2147483648.0},
      {"-2147483649", TPDTokenKind::Real, -2147483649.0},
      {"4294967297", TPDTokenKind::Real, 4294967297.0},
      {"1000000000000", TPDTokenKind::Real, 1e12},
      {"-1000000000000", TPDTokenKind::Real, -1e12},
      {"0000000000000000000000000000012", TPDTokenKind::Integer, 12},
      {"18446744073709551617", TPDTokenKind::Real, 18446744073709551617.0},
      {"123456789012345678901234567890", TPDTokenKind::Real, 1.2345678901234568e29},
      {"4294967296.5", TPDTokenKind::Real, 4294967296.5},
      {"-1000000000000.25", TPDTokenKind::Real, -1000000000000.25},
      {"99999999999999999999.5", TPDTokenKind::Real, 1e20},
  };
  for (const auto& c : cases) {
    TMemoryStream stream{std::string(c.input)};
    TPDLexer lexer(stream);
    TPDToken token;
    lexer.NextToken(token);
    ASSERT_EQ(token.kind, c.kind) << c.input;
    const double value = token.kind == TPDTokenKind::Integer ? token.int_value : token.real_value;
    EXPECT_NEAR(value, c.value, std::abs(c.value) * 1e-15) << c.input;
    lexer.NextToken(token);
    EXPECT_EQ(token.kind, TPDTokenKind::EndOfInput) << c.input;
  }
}

TEST(PdfLexer, CapsNamesAndKeywordsAt127BytesAndStaysInStep) {
  const std::string long_name(300, 'n');
  EXPECT_EQ(Tokenise("/" + long_name + " 7"), "name:" + long_name.substr(0, 127) + " | int:7");
  EXPECT_EQ(Tokenise(long_name + " 7"), "kw:" + long_name.substr(0, 127) + " | int:7");
}

TEST(PdfLexer, LongStringsHaveNoLimit) {
  const std::string body(100000, 'x');
  EXPECT_EQ(Tokenise("(" + body + ")"), "str:" + body);
  const std::string digits(100001, 'A');
  EXPECT_EQ(Tokenise("<" + digits + ">"), "hex:" + digits);
}

TEST(PdfLexer, GetObjectBuildsObjectsOfTheModel) {
  TMemoryStream stream(std::string("[ /N (s) <41> 1.5 >>"));
  TPDLexer lexer(stream);
  const char* expected[] = {"command", "name",    "AnsiString", "AnsiString",
                            "real",    "command", "eof"};
  for (const char* type : expected) EXPECT_EQ(lexer.GetObject()->GetTypeName(), type);
}

TEST(PdfLexer, SkiptoNextLineConsumesOneLineEnd) {
  const struct {
    const char* input;
    int next;
  } cases[] = {
      {"abc\r\nX", 'X'}, {"abc\rX", 'X'}, {"abc\nX", 'X'}, {"abc\n\nX", '\n'}, {"abc", -1}};
  for (const auto& c : cases) {
    TMemoryStream stream{std::string(c.input)};
    TPDLexer lexer(stream);
    lexer.SkiptoNextLine();
    EXPECT_EQ(stream.GetChar(), c.next) << Escape(c.input);
  }
}

TEST(PdfSyntax, HexDigitsToBytes) {
  EXPECT_EQ(HexDigitsToBytes("48656C"), "Hel");
  EXPECT_EQ(HexDigitsToBytes("48 6x5"), "He");
  EXPECT_EQ(HexDigitsToBytes("4"), std::string("\x40"));
  // Ciphertext that happens to start like a byte-order mark stays bytes.
  EXPECT_EQ(HexDigitsToBytes("FEFF0041"), std::string("\xFE\xFF\x00\x41", 4));
}

}  // namespace
}  // namespace qp::pdf
