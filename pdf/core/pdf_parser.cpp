#include "pdf/core/pdf_parser.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_filter_stream.h"
#include "pdf/core/pdf_syntax.h"

namespace qp::pdf {

namespace {

void MakePlaceholder(TPDToken& token) {
  token.kind = TPDTokenKind::Null;
}

constexpr std::string_view kEndstream = "endstream";

// The offset of the first "endstream" at or after `from`, or -1.
int64_t FindEndstream(TBaseStream& base, int64_t from) {
  constexpr size_t kChunk = 64 * 1024;
  std::unique_ptr<TBaseStream> window = base.MakeSubStream(from, 0, false);
  if (!window) return -1;
  window->Reset();
  std::string carry;
  std::string chunk;
  int64_t carryStart = from;
  while (window->Read(chunk, kChunk) > 0) {
    carry += chunk;
    const size_t at = carry.find(kEndstream);
    if (at != std::string::npos) return carryStart + static_cast<int64_t>(at);
    // Keep the tail that may hold the start of a keyword cut by the chunk.
    const size_t keep = std::min(carry.size(), kEndstream.size() - 1);
    carryStart += static_cast<int64_t>(carry.size() - keep);
    carry.erase(0, carry.size() - keep);
  }
  return -1;
}

// The end of stream data that "endstream" at `keyword` closes: the end of
// line before the keyword belongs to the syntax, not to the data.
int64_t DataEndBefore(TBaseStream& base, int64_t start, int64_t keyword) {
  const int64_t from = std::max(start, keyword - 2);
  std::string tail;
  if (auto window = base.MakeSubStream(from, static_cast<uint32_t>(keyword - from), true)) {
    window->Reset();
    window->Read(tail, static_cast<size_t>(keyword - from));
  }
  int64_t end = keyword;
  if (!tail.empty() && tail.back() == '\n') {
    tail.pop_back();
    --end;
  }
  if (!tail.empty() && tail.back() == '\r') --end;
  return end;
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
  lexer_->NextToken(*current_);
  lexer_->NextToken(*next_);
}

void TPDParser::ShiftAtKeyword() {
  if (inline_image_ == 0 && next_->IsKeyword("ID")) {
    // The one white-space byte between "ID" and the image data.
    lexer_->SkipChar();
    inline_image_ = 1;
  } else if (inline_image_ == 1) {
    inline_image_ = 2;
  }
  std::swap(current_, next_);
  if (inline_image_ != 0) {
    MakePlaceholder(*next_);
  } else {
    lexer_->NextToken(*next_);
  }
}

void TPDParser::ShiftInside() {
  Shift();
  // Inside a container nobody reads inline image data: go on tokenising it
  // rather than passing placeholders for ever.
  if (inline_image_ == 2) EndInlineImage();
}

void TPDParser::EndInlineImage() {
  Refill();
  inline_image_ = 0;
}

bool TPDParser::GetSimpleObject(TPDToken& token, bool referencesPossible) {
  TPDToken* simple = PeekSimpleObject(referencesPossible);
  if (!simple) return false;
  token.kind = simple->kind;
  token.bool_value = simple->bool_value;
  token.int_value = simple->int_value;
  token.real_value = simple->real_value;
  token.text.swap(simple->text);
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
  switch (current_->kind) {
    case TPDTokenKind::ArrayBegin:
      return depth >= kMaxNesting ? SkipTooDeep() : ReadArray(depth, crypt);
    case TPDTokenKind::DictBegin:
      return depth >= kMaxNesting ? SkipTooDeep() : ReadDictionary(depth, crypt);
    case TPDTokenKind::Integer:
      if (next_->kind == TPDTokenKind::Integer) {
        const int32_t objNumber = current_->int_value;
        Shift();
        if (next_->IsKeyword("R")) {
          auto ref = std::make_unique<TPDIndirectRef>(static_cast<uint32_t>(objNumber),
                                                      static_cast<uint32_t>(current_->int_value));
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
  TPDObjectPtr object = current_->ToObject();
  Shift();
  return object;
}

TPDObjectPtr TPDParser::ReadArray(int depth, const ObjectId* crypt) {
  auto array = std::make_unique<TPDArray>(context_.document);
  Shift();
  while (current_->kind != TPDTokenKind::ArrayEnd && current_->kind != TPDTokenKind::EndOfInput) {
    array->Add(ReadObject(depth + 1, crypt));
  }
  if (current_->kind == TPDTokenKind::ArrayEnd) Shift();
  return array;
}

TPDObjectPtr TPDParser::ReadDictionary(int depth, const ObjectId* crypt) {
  auto dict = std::make_unique<TPDDictionary>(context_.document);
  Shift();
  while (current_->kind != TPDTokenKind::DictEnd && current_->kind != TPDTokenKind::EndOfInput) {
    if (current_->kind != TPDTokenKind::Name) {
      ShiftInside();  // not a key: skipped
      continue;
    }
    std::string key = std::move(current_->text);
    Shift();
    if (current_->kind == TPDTokenKind::EndOfInput || current_->kind == TPDTokenKind::Error) break;
    dict->Add(std::move(key), ReadObject(depth + 1, crypt));
  }
  if (current_->kind != TPDTokenKind::DictEnd) return dict;
  if (allow_streams_ && next_->IsKeyword("stream")) return ReadStream(std::move(dict), crypt);
  Shift();
  return dict;
}

TPDObjectPtr TPDParser::ReadStream(std::unique_ptr<TPDDictionary> dict, const ObjectId* crypt) {
  lexer_->SkiptoNextLine();
  const int64_t start = lexer_->GetPosition();
  auto* base = dynamic_cast<TBaseStream*>(lexer_->GetStream()->GetBaseStream());
  if (base == nullptr) return std::make_unique<TPDError>();
  const TPDBaseObject* lengthObject = dict->LookUp("Length");
  int64_t length = -1;
  if (lengthObject != nullptr && lengthObject->IsInteger()) {
    length = static_cast<const TPDInteger*>(lengthObject)->Value();
  }
  bool atEnd = false;
  if (length >= 0) {
    lexer_->SetPosition(start + length);
    Refill();
    atEnd = current_->IsKeyword("endstream");
  }
  if (!atEnd) {
    // A missing or wrong /Length: the data ends at the next "endstream", or
    // at the end of the file when the file was cut short.
    const int64_t keyword = FindEndstream(*base, start);
    length = keyword >= 0 ? DataEndBefore(*base, start, keyword) - start : base->GetSize() - start;
    lexer_->SetPosition(keyword >= 0 ? keyword : base->GetSize());
    Refill();
    atEnd = current_->IsKeyword("endstream");
  }
  if (atEnd) Shift();
  length = std::max<int64_t>(length, 0);
  last_stream_end_ = start + length;
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
  std::string bytes = current_->kind == TPDTokenKind::HexString ? HexDigitsToBytes(current_->text)
                                                                : std::move(current_->text);
  context_.decryptor->DecryptString(crypt->obj, crypt->gen, bytes);
  Shift();
  return std::make_unique<TPDString>(std::move(bytes), false);
}

TPDObjectPtr TPDParser::SkipTooDeep() {
  // Passes over the whole too-deep container without recursion.
  int level = 0;
  do {
    switch (current_->kind) {
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
