// Lexer and parser over arbitrary bytes. The first byte picks the set-up:
// bit 0 a decryptor, bit 1 stream objects allowed, bit 2 a document that
// resolves references by parsing objects out of the same bytes, bit 3 the
// allocation-free path for single tokens.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "pdf/core/pdf_filter_stream.h"
#include "pdf/core/pdf_lexer.h"
#include "pdf/core/pdf_memory_stream.h"
#include "pdf/core/pdf_parser.h"

namespace {

using namespace qp::pdf;

class XorDecryptor final : public TPDDecryptor {
 public:
  void DecryptString(uint32_t number, uint32_t gen, std::string& bytes) override {
    for (char& c : bytes) c = static_cast<char>(c ^ (number + gen));
  }
  std::unique_ptr<ByteSource> DecryptStream(uint32_t number, uint32_t,
                                            std::unique_ptr<ByteSource> raw) override {
    if (number % 7 == 3) return nullptr;  // a refusal now and then
    return raw;
  }
};

// Object N is whatever the parser reads at offset N * 16 of the input, so
// references lead back into the same bytes, including cycles.
class SelfDocument final : public TPDObjectResolver {
 public:
  SelfDocument(const uint8_t* data, size_t size) : file_(data, size) {}
  TPDBaseObject* GetObject(uint32_t number) override {
    if (auto it = cache_.find(number); it != cache_.end()) return it->second.get();
    if (depth_ > 8 || cache_.size() > 64) return nullptr;
    cache_[number] = nullptr;  // a reference to itself resolves to nothing
    ++depth_;
    TPDParser parser(
        {this, nullptr, nullptr},
        std::make_unique<TPDLexer>(file_.MakeSubStream(int64_t{number} * 16, 0, false)), true);
    TPDObjectPtr object = parser.GetObject(number, 0);
    --depth_;
    return (cache_[number] = std::move(object)).get();
  }

 private:
  TMemoryStream file_;
  std::map<uint32_t, TPDObjectPtr> cache_;
  int depth_ = 0;
};

void Drain(TPDBaseObject* object) {
  if (object == nullptr || !object->IsStream()) return;
  auto* stream = static_cast<TPDStream*>(object);
  stream->Reset();
  uint8_t block[512];
  for (int i = 0; i < 64 && stream->Read(block, sizeof(block)) > 0; ++i) {
  }
  TPDDictionary* dict = stream->GetDict();
  for (size_t i = 0; dict && i < dict->GetLength(); ++i) dict->GetValue(i);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  ++data;
  --size;

  {
    TMemoryStream stream(data, size);
    TPDLexer lexer(stream);
    TPDToken token;
    for (size_t i = 0; i <= size; ++i) {
      lexer.NextToken(token);
      if (token.kind == TPDTokenKind::EndOfInput) break;
    }
  }

  XorDecryptor decryptor;
  SelfDocument document(data, size);
  TPDParserContext context;
  if (mode & 1) context.decryptor = &decryptor;
  if (mode & 4) context.document = &document;
  TPDParser parser(context, std::make_unique<TPDLexer>(std::make_unique<TMemoryStream>(data, size)),
                   (mode & 2) != 0);
  TPDToken token;
  for (size_t i = 0; i <= size; ++i) {
    if ((mode & 8) && parser.GetSimpleObject(token)) {
      if (token.kind == TPDTokenKind::EndOfInput) break;
      continue;
    }
    TPDObjectPtr object = parser.GetObject(static_cast<uint32_t>(i), 0);
    if (object->IsEOF()) break;
    Drain(object.get());
    if (object->IsDict()) static_cast<TPDDictionary&>(*object).LookUp("Length");
    if (object->IsArray()) static_cast<TPDArray&>(*object).Get(0);
    if (object->IsCommand("ID")) {
      // Pass some inline image data as the interpreter would.
      TEmbededStream image(*parser.GetStream(), mode, true);
      uint8_t block[256];
      image.Read(block, sizeof(block));
    }
  }
  return 0;
}
