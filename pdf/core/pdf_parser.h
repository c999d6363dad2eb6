#pragma once
// Assembles tokens into objects: arrays, dictionaries, indirect references
// and stream objects. Malformed input yields error objects or shortened
// objects, never an exception.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "pdf/core/byte_source.h"
#include "pdf/core/pdf_lexer.h"
#include "pdf/core/pdf_objects.h"

namespace qp::pdf {

// Decryption of an encrypted document's strings and stream data, per object.
class TPDDecryptor {
 public:
  virtual ~TPDDecryptor() = default;
  // Replaces `bytes` by their decrypted form.
  virtual void DecryptString(uint32_t objNumber, uint32_t genNumber, std::string& bytes) = 0;
  // A source of the decrypted data of `raw`; nothing when the data cannot be
  // decrypted (the stream object then becomes an error object).
  virtual std::unique_ptr<ByteSource> DecryptStream(uint32_t objNumber, uint32_t genNumber,
                                                    std::unique_ptr<ByteSource> raw) = 0;
  // The same for a stream whose dictionary is `dict`, which may ask for other
  // treatment (metadata, its own crypt filter); by default as above.
  virtual std::unique_ptr<ByteSource> DecryptStreamData(uint32_t objNumber, uint32_t genNumber,
                                                        const TPDDictionary& /*dict*/,
                                                        std::unique_ptr<ByteSource> raw) {
    return DecryptStream(objNumber, genNumber, std::move(raw));
  }
};

// Builds the decoding chain that a stream dictionary names.
class TPDStreamFilterFactory {
 public:
  virtual ~TPDStreamFilterFactory() = default;
  // A stream object carrying `dict` whose data is `raw` decoded; nothing when
  // the filters cannot be set up (the object then becomes an error object).
  virtual std::unique_ptr<TPDStream> GetFilter(std::unique_ptr<TPDDictionary> dict,
                                               std::unique_ptr<TStream> raw) = 0;
};

// What the parser reaches of its document. Everything is borrowed; each part
// may be absent.
struct TPDParserContext {
  // Parent of the arrays and dictionaries read; resolves a /Length reference.
  TPDObjectResolver* document = nullptr;
  // Present when the document is encrypted.
  TPDDecryptor* decryptor = nullptr;
  // Without one, a stream object carries its raw (decrypted) data.
  TPDStreamFilterFactory* filters = nullptr;
};

class TPDParser {
 public:
  // Arrays and dictionaries nested deeper than this become error objects.
  static constexpr int kMaxNesting = 256;

  // Takes the lexer, moves its stream to the first byte and reads the first
  // two tokens.
  TPDParser(const TPDParserContext& context, std::unique_ptr<TPDLexer> lexer, bool allowStreams);
  TPDParser(const TPDParser&) = delete;
  TPDParser& operator=(const TPDParser&) = delete;

  // The next complete object, without decryption.
  TPDObjectPtr GetObject();
  // The next complete object as the value of indirect object `objNumber`
  // `genNumber`: with a decryptor in the context its strings and stream data
  // are decrypted for that object.
  TPDObjectPtr GetObject(uint32_t objNumber, uint32_t genNumber);

  // The next object without allocating, when it is a single token (a number,
  // name, string, keyword, boolean, null, end of input or error): copied into
  // `token`, and true. False, with nothing consumed, when it is an array, a
  // dictionary or possibly a reference, which GetObject then reads. Strings
  // are not decrypted: this is for content streams. Without
  // `referencesPossible` (operands of content streams, which hold no
  // references) an integer is always simple.
  bool GetSimpleObject(TPDToken& token, bool referencesPossible = true);
  // The same without the copy: the token at hand when the next object is a
  // single token, left in place (the caller may take its text) until
  // SkipSimpleObject moves past it; nullptr, with nothing consumed, when it
  // is not.
  TPDToken* PeekSimpleObject(bool referencesPossible = true) {
    if (inline_image_ == 2) EndInlineImage();
    switch (current_->kind) {
      case TPDTokenKind::ArrayBegin:
      case TPDTokenKind::DictBegin:
        return nullptr;
      case TPDTokenKind::Integer:
        if (referencesPossible && next_->kind == TPDTokenKind::Integer) return nullptr;
        break;
      default:
        break;
    }
    return current_;
  }
  void SkipSimpleObject() { Shift(); }

  TPDLexer& GetLexer() { return *lexer_; }
  TStream* GetStream() const { return lexer_->GetStream(); }
  int64_t GetPosition() const { return lexer_->GetPosition(); }
  // Where the data of the last stream object read ends; -1 before any.
  int64_t LastStreamEnd() const { return last_stream_end_; }

 private:
  struct ObjectId {
    uint32_t obj;
    uint32_t gen;
  };

  TPDObjectPtr ReadObject(int depth, const ObjectId* crypt);
  TPDObjectPtr ReadArray(int depth, const ObjectId* crypt);
  TPDObjectPtr ReadDictionary(int depth, const ObjectId* crypt);
  TPDObjectPtr ReadStream(std::unique_ptr<TPDDictionary> dict, const ObjectId* crypt);
  TPDObjectPtr ReadString(const ObjectId* crypt);
  TPDObjectPtr SkipTooDeep();
  // Moves to the next token. Content streams are mostly numbers, so the
  // usual case, no keyword ahead and no inline image data, stays inline.
  void Shift() {
    if (inline_image_ != 0 || next_->kind == TPDTokenKind::Keyword) {
      ShiftAtKeyword();
      return;
    }
    std::swap(current_, next_);
    lexer_->NextToken(*next_);
  }
  void ShiftAtKeyword();
  // Goes back to reading tokens after inline image data has been passed.
  void EndInlineImage();
  // Shift where the loop itself, not a caller, consumes the tokens.
  void ShiftInside();
  void Refill();

  TPDParserContext context_;
  std::unique_ptr<TPDLexer> lexer_;
  // The current token and the one after it: a shift exchanges the pointers,
  // not the tokens and their texts.
  TPDToken tokens_[2];
  TPDToken* current_ = &tokens_[0];
  TPDToken* next_ = &tokens_[1];
  int inline_image_ = 0;  // 1 and 2 while inline image data is being passed by
  int64_t last_stream_end_ = -1;
  bool allow_streams_;
};

}  // namespace qp::pdf
