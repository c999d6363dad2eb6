#pragma once
// Objects from PDF text for the colour and function tests, and a small
// document whose numbered objects (streams among them) are given as text.

#include <map>
#include <memory>
#include <string>

#include "pdf/core/pdf_lexer.h"
#include "pdf/core/pdf_memory_stream.h"
#include "pdf/core/pdf_parser.h"

namespace qp::pdf::testing {

inline TPDObjectPtr ParseObject(const std::string& text, TPDObjectResolver* document = nullptr) {
  TPDParser parser({document, nullptr, nullptr},
                   std::make_unique<TPDLexer>(std::make_unique<TMemoryStream>(text)), false);
  return parser.GetObject();
}

// A stream object over unfiltered `data`.
inline std::unique_ptr<TPDStream> MakeStream(const std::string& dictText, const std::string& data,
                                             TPDObjectResolver* document = nullptr) {
  TPDObjectPtr dict = ParseObject(dictText, document);
  if (!dict->IsDict()) return nullptr;
  auto stream = std::make_unique<TPDStream>(
      std::make_shared<TMemoryStream>(data),
      std::unique_ptr<TPDDictionary>(static_cast<TPDDictionary*>(dict.release())));
  stream->SetParentDoc(document);
  return stream;
}

class TextDocument final : public TPDObjectResolver {
 public:
  void Add(uint32_t number, const std::string& text) { objects_[number] = ParseObject(text, this); }
  void AddStream(uint32_t number, const std::string& dictText, const std::string& data) {
    objects_[number] = MakeStream(dictText, data, this);
  }
  TPDBaseObject* GetObject(uint32_t number) override {
    auto it = objects_.find(number);
    return it == objects_.end() ? nullptr : it->second.get();
  }
  // An object parsed with this document as the resolver of its references.
  TPDObjectPtr Parse(const std::string& text) { return ParseObject(text, this); }

 private:
  std::map<uint32_t, TPDObjectPtr> objects_;
};

}  // namespace qp::pdf::testing
