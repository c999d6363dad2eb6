#include "pdf/core/pdf_parser.h"

#include <algorithm>
#include <limits>

#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_filter_stream.h"
#include "pdf/core/pdf_syntax.h"

namespace qp::pdf {

namespace {

void MakePlaceholder(TPDToken& token) {
  token.kind = TPDTokenKind::Null;
}

}  // namespace

TPDParser::TPDParser(const TPDParserContext& context, std::unique_ptr<TPDLexer> lexer,
                     bool allowStreams)
    : context_(context), lexer_(std::move(lexer)), allow_streams_(allowStreams) {
  if (!lexer_) throw ExInvalidStream();
  lexer_->GetStream()->Reset();
  Refill();
}

void TPDParser::Refill() {
  lexer_->NextToken(current_);
  lexer_->NextToken(next_);
}

void TPDParser::Shift() {
  if (inline_image_ == 0 && next_.IsKeyword("ID")) {
    // The one white-space byte between "ID" and the image data.
    lexer_->SkipChar();
    inline_image_ = 1;
  } else if (inline_image_ == 1) {
    inline_image_ = 2;
  }
  std::swap(current_, next_);
  if (inline_image_ != 0) {
    MakePlaceholder(next_);
  } else {
    lexer_->NextToken(next_);
  }
}

void TPDParser::ShiftInside() {
  Shift();
  // Inside a container nobody reads inline image data: go on tokenising it
  // rather than passing placeholders for ever.
  if (inline_image_ == 2) {
    Refill();
    inline_image_ = 0;
  }
}

bool TPDParser::GetSimpleObject(TPDToken& token) {
  if (inline_image_ == 2) {
    Refill();
    inline_image_ = 0;
  }
  switch (current_.kind) {
    case TPDTokenKind::ArrayBegin:
    case TPDTokenKind::DictBegin:
      return false;
    case TPDTokenKind::Integer:
      if (next_.kind == TPDTokenKind::Integer) return false;
      break;
    default:
      break;
  }
  token.kind = current_.kind;
  token.bool_value = current_.bool_value;
  token.int_value = current_.int_value;
  token.real_value = current_.real_value;
  token.text.swap(current_.text);
  Shift();
  return true;
}

TPDObjectPtr TPDParser::GetObject() {
  return ReadObject(0, nullptr);
}

TPDObjectPtr TPDParser::GetObject(uint32_t objNumber, uint32_t genNumber) {
  const ObjectId id{objNumber, genNumber};
  return ReadObject(0, &id);
}

TPDObjectPtr TPDParser::ReadObject(int depth, const ObjectId* crypt) {
  if (inline_image_ == 2) {
    // Inline image data was passed by: tokenise afresh from where the stream
    // stands now.
    Refill();
    inline_image_ = 0;
  }
  switch (current_.kind) {
    case TPDTokenKind::ArrayBegin:
      return depth >= kMaxNesting ? SkipTooDeep() : ReadArray(depth, crypt);
    case TPDTokenKind::DictBegin:
      return depth >= kMaxNesting ? SkipTooDeep() : ReadDictionary(depth, crypt);
    case TPDTokenKind::Integer:
      if (next_.kind == TPDTokenKind::Integer) {
        const int32_t objNumber = current_.int_value;
        Shift();
        if (next_.IsKeyword("R")) {
          auto ref = std::make_unique<TPDIndirectRef>(static_cast<uint32_t>(objNumber),
                                                      static_cast<uint32_t>(current_.int_value));
          Shift();
          Shift();
          return ref;
        }
        return std::make_unique<TPDInteger>(objNumber);
      }
      break;
    case TPDTokenKind::String:
    case TPDTokenKind::HexString:
      if (crypt != nullptr && context_.decryptor != nullptr) return ReadString(crypt);
      break;
    default:
      break;
  }
  TPDObjectPtr object = current_.ToObject();
  Shift();
  return object;
}

TPDObjectPtr TPDParser::ReadArray(int depth, const ObjectId* crypt) {
  auto array = std::make_unique<TPDArray>(context_.document);
  Shift();
  while (current_.kind != TPDTokenKind::ArrayEnd && current_.kind != TPDTokenKind::EndOfInput) {
    array->Add(ReadObject(depth + 1, crypt));
  }
  if (current_.kind == TPDTokenKind::ArrayEnd) Shift();
  return array;
}

TPDObjectPtr TPDParser::ReadDictionary(int depth, const ObjectId* crypt) {
  auto dict = std::make_unique<TPDDictionary>(context_.document);
  Shift();
  while (current_.kind != TPDTokenKind::DictEnd && current_.kind != TPDTokenKind::EndOfInput) {
    if (current_.kind != TPDTokenKind::Name) {
      ShiftInside();  // not a key: skipped
      continue;
    }
    std::string key = std::move(current_.text);
    Shift();
    if (current_.kind == TPDTokenKind::EndOfInput || current_.kind == TPDTokenKind::Error) break;
    dict->Add(std::move(key), ReadObject(depth + 1, crypt));
  }
  if (current_.kind != TPDTokenKind::DictEnd) return dict;
  if (allow_streams_ && next_.IsKeyword("stream")) return ReadStream(std::move(dict), crypt);
  Shift();
  return dict;
}

TPDObjectPtr TPDParser::ReadStream(std::unique_ptr<TPDDictionary> dict, const ObjectId* crypt) {
  lexer_->SkiptoNextLine();
  const int64_t start = lexer_->GetPosition();
  const TPDBaseObject* lengthObject = dict->LookUp("Length");
  if (lengthObject == nullptr || !lengthObject->IsInteger()) {
    Refill();
    return std::make_unique<TPDError>();
  }
  // A negative length is as wrong as any other: the slack below covers it.
  int64_t length = std::max<int32_t>(static_cast<const TPDInteger*>(lengthObject)->Value(), 0);
  lexer_->SetPosition(start + length);
  Refill();
  if (current_.IsKeyword("endstream")) {
    Shift();
  } else {
    length += kLengthSlack;
  }
  auto* base = dynamic_cast<TBaseStream*>(lexer_->GetStream()->GetBaseStream());
  if (base == nullptr) return std::make_unique<TPDError>();
  std::unique_ptr<TStream> raw = base->MakeSubStream(
      start, static_cast<uint32_t>(std::min<int64_t>(length, std::numeric_limits<uint32_t>::max())),
      true);
  if (!raw) return std::make_unique<TPDError>();
  if (crypt != nullptr && context_.decryptor != nullptr) {
    TPDDecryptor& decryptor = *context_.decryptor;
    const ObjectId id = *crypt;
    const TPDDictionary& streamDict = *dict;
    try {
      raw = std::make_unique<TFilterStream>(
          stCrypt, std::move(raw), [&](std::unique_ptr<ByteSource> input) {
            return decryptor.DecryptStreamData(id.obj, id.gen, streamDict, std::move(input));
          });
    } catch (const ExInvalidStream&) {
      return std::make_unique<TPDError>();  // the decryptor refused the data
    }
  }
  std::unique_ptr<TPDStream> stream;
  if (context_.filters != nullptr) {
    stream = context_.filters->GetFilter(std::move(dict), std::move(raw));
  } else {
    stream = std::make_unique<TPDStream>(std::shared_ptr<TStream>(std::move(raw)), std::move(dict));
  }
  if (!stream) return std::make_unique<TPDError>();
  return stream;
}

TPDObjectPtr TPDParser::ReadString(const ObjectId* crypt) {
  std::string bytes = current_.kind == TPDTokenKind::HexString ? HexDigitsToBytes(current_.text)
                                                               : std::move(current_.text);
  context_.decryptor->DecryptString(crypt->obj, crypt->gen, bytes);
  Shift();
  return std::make_unique<TPDString>(std::move(bytes), false);
}

TPDObjectPtr TPDParser::SkipTooDeep() {
  // Passes over the whole too-deep container without recursion.
  int level = 0;
  do {
    switch (current_.kind) {
      case TPDTokenKind::ArrayBegin:
      case TPDTokenKind::DictBegin:
        ++level;
        break;
      case TPDTokenKind::ArrayEnd:
      case TPDTokenKind::DictEnd:
        --level;
        break;
      case TPDTokenKind::EndOfInput:
        return std::make_unique<TPDError>();
      default:
        break;
    }
    ShiftInside();
  } while (level > 0);
  return std::make_unique<TPDError>();
}

}  // namespace qp::pdf
