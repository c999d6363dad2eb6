#pragma once
// The tokeniser of the PDF syntax, shared by the file reader and the content
// stream interpreter. NextToken fills a reusable token without allocating;
// GetObject returns the token as a new object.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_stream.h"

namespace qp::pdf {

enum class TPDTokenKind : uint8_t {
  EndOfInput,
  Error,  // a stray ')', '{', '}' or a lone '>'
  Integer,
  Real,
  Boolean,
  Null,
  Name,       // text: the name without its solidus, escapes decoded
  String,     // text: the string's bytes
  HexString,  // text: the hexadecimal digits, white space dropped
  Keyword,    // text: the keyword
  ArrayBegin,
  ArrayEnd,
  DictBegin,
  DictEnd,
};

struct TPDToken {
  TPDTokenKind kind = TPDTokenKind::EndOfInput;
  bool bool_value = false;
  int32_t int_value = 0;
  double real_value = 0;
  std::string text;

  bool IsKeyword(std::string_view word) const {
    return kind == TPDTokenKind::Keyword && text == word;
  }
  // The token as an object of the object model; the structural tokens become
  // keywords "[", "]", "<<" and ">>".
  TPDObjectPtr ToObject() const;
};

class TPDLexer {
 public:
  // Names and keywords keep at most this many bytes; the rest is read and
  // dropped.
  static constexpr size_t kMaxNameLength = 127;

  // Owns `stream`.
  explicit TPDLexer(std::unique_ptr<TStream> stream);
  // Borrows `stream`, which must outlive the lexer.
  explicit TPDLexer(TStream& stream);

  void NextToken(TPDToken& token) {
    if (!Fast(token)) SlowToken(token);
  }
  TPDObjectPtr GetObject();

  void SkipChar() { stream_->GetChar(); }
  // Consumes bytes up to and including the next LF, CR or CR LF.
  void SkiptoNextLine();
  TStream* GetStream() const { return stream_; }
  int64_t GetPosition() const { return stream_->GetPosition(); }
  void SetPosition(int64_t position) { stream_->SetPosition(position, soBeginning); }

 private:
  void ReadLiteralString(TPDToken& token);
  void ReadHexString(TPDToken& token);
  // Numbers, keywords and names are read through a Source: the stream, or
  // the bytes of its buffer in place (BufferedSource), which is the fast path.
  // Fast reads the next token in place when it is one of those and ends
  // within the buffer; false, after passing white space, when it is not.
  bool Fast(TPDToken& token);
  // Any token, from the stream.
  void SlowToken(TPDToken& token);
  template <class Source>
  static void ReadName(Source& s, TPDToken& token);
  template <class Source>
  static void ReadNumber(Source& s, int first, TPDToken& token);
  template <class Source>
  static void ReadKeyword(Source& s, int first, TPDToken& token);

  std::unique_ptr<TStream> owned_;
  TStream* stream_;
  TPDToken scratch_;
};

}  // namespace qp::pdf
