// Rebuilding a damaged cross-reference: the whole file is scanned for
// "N G obj" headers and "trailer" dictionaries, object streams are listed
// once decryption is known, and the trailer is put together from what was
// found.

#include <algorithm>
#include <string>
#include <string_view>

#include "pdf/core/pdf_syntax.h"
#include "pdf/core/pdf_xref.h"
#include "pdf/core/pdf_xref_detail.h"

namespace qp::pdf {

using namespace xref_detail;

namespace {

constexpr uint32_t kMaxGeneration = 65535;

bool IsWhite(char c) {
  return IsPdfWhite(static_cast<uint8_t>(c));
}

bool IsRegular(char c) {
  return IsPdfRegular(static_cast<uint8_t>(c));
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// True when no regular byte touches the word [at, at + size) on either side.
bool IsWholeWord(std::string_view data, size_t at, size_t size) {
  const size_t after = at + size;
  return (at == 0 || !IsRegular(data[at - 1])) && (after == data.size() || !IsRegular(data[after]));
}

// Reads the digits that end just before `*end` after white space; moves
// `*end` to the first digit. False when there is no white space, no digit or
// more than ten digits.
bool DigitsBefore(std::string_view data, size_t* end, uint64_t* value) {
  size_t pos = *end;
  while (pos > 0 && IsWhite(data[pos - 1])) --pos;
  if (pos == *end) return false;
  const size_t digitsEnd = pos;
  while (pos > 0 && IsDigit(data[pos - 1]) && digitsEnd - pos < 10) --pos;
  if (pos == digitsEnd || (pos > 0 && IsDigit(data[pos - 1]))) return false;
  uint64_t number = 0;
  for (size_t i = pos; i < digitsEnd; ++i)
    number = number * 10 + static_cast<uint64_t>(data[i] - '0');
  *value = number;
  *end = pos;
  return true;
}

// The offset of the header "N G" before the keyword "obj" at `keyword`, with
// its numbers; false when the keyword does not close such a header.
bool HeaderBefore(std::string_view data, size_t keyword, size_t* header, uint64_t* number,
                  uint64_t* generation) {
  if (!IsWholeWord(data, keyword, 3)) return false;
  size_t pos = keyword;
  if (!DigitsBefore(data, &pos, generation) || !DigitsBefore(data, &pos, number)) return false;
  if (pos > 0 && IsRegular(data[pos - 1])) return false;
  *header = pos;
  return true;
}

bool IsCatalog(const TPDBaseObject& object) {
  if (!object.IsDict()) return false;
  const auto& dict = static_cast<const TPDDictionary&>(object);
  return dict.IsDict("Catalog") && dict.LookupRefObj("Pages") != nullptr;
}

}  // namespace

void TPDXRef::ScanObject(std::string_view data, size_t header, uint32_t number, uint32_t generation,
                         size_t* resume) {
  // Objects are read without the document: a /Length that is a reference
  // cannot be resolved yet, so such a stream ends at its "endstream".
  std::unique_ptr<TPDParser> parser =
      ParserAt(file_, static_cast<int64_t>(header), TPDParserContext{}, true);
  if (!parser || !ReadObjectHeader(*parser, number, generation)) return;
  TPDObjectPtr object = parser->GetObject();
  if (!object || object->IsEOF() || object->IsError() || object->IsCommand()) return;
  if (object->IsStream()) {
    const int64_t end = parser->LastStreamEnd();
    // Stream data may hold anything: the scan goes on after it.
    if (end > static_cast<int64_t>(*resume)) {
      *resume = static_cast<size_t>(std::min<int64_t>(end, static_cast<int64_t>(data.size())));
    }
    const TPDDictionary* dict = static_cast<TPDStream&>(*object).GetDict();
    if (dict != nullptr && dict->IsDict("ObjStm")) {
      found_object_streams_.emplace_back(number, static_cast<int64_t>(header));
    } else if (dict != nullptr && dict->IsDict("XRef")) {
      TPDObjectPtr copy = dict->Clone();
      found_trailers_.emplace_back(static_cast<TPDDictionary*>(copy.release()));
    }
  }
  if (IsCatalog(*object)) {
    catalog_candidate_ = number;
    found_catalogs_.push_back(number);
  }
  TPDXRefEntry entry;
  entry.EntryType = xeUnCompressed;
  entry.Offset = static_cast<uint32_t>(header);
  entry.GenNum = generation;
  SetEntry(number, entry);
  if (defined_at_.size() <= number) defined_at_.resize(number + 1, -1);
  defined_at_[number] = static_cast<int64_t>(header);
}

void TPDXRef::ScanTrailer(size_t at) {
  std::unique_ptr<TPDParser> parser =
      ParserAt(file_, static_cast<int64_t>(at), TPDParserContext{}, false);
  if (!parser) return;
  TPDObjectPtr object = parser->GetObject();
  if (object && object->IsDict()) {
    found_trailers_.emplace_back(static_cast<TPDDictionary*>(object.release()));
  }
}

bool TPDXRef::IsFoundCatalog(uint32_t number) const {
  return std::find(found_catalogs_.begin(), found_catalogs_.end(), number) != found_catalogs_.end();
}

bool TPDXRef::Rebuild() {
  if (file_size_ <= 0) return false;
  const std::string bytes = ReadRange(file_, 0, static_cast<size_t>(file_size_));
  const std::string_view data(bytes);

  std::vector<TPDXRefEntry> saved;
  saved.swap(entries_);
  defined_at_.clear();
  found_object_streams_.clear();
  found_trailers_.clear();
  found_catalogs_.clear();
  catalog_candidate_ = 0;
  object_stream_.reset();

  size_t pos = 0;
  size_t nextObj = data.find("obj", pos);
  size_t nextTrailer = data.find("trailer", pos);
  while (pos < data.size()) {
    if (nextObj != std::string_view::npos && nextObj < pos) nextObj = data.find("obj", pos);
    if (nextTrailer != std::string_view::npos && nextTrailer < pos) {
      nextTrailer = data.find("trailer", pos);
    }
    const size_t at = std::min(nextObj, nextTrailer);
    if (at == std::string_view::npos) break;
    if (at == nextTrailer) {
      pos = at + 7;
      if (IsWholeWord(data, at, 7)) ScanTrailer(pos);
      continue;
    }
    pos = at + 3;
    size_t header = 0;
    uint64_t number = 0;
    uint64_t generation = 0;
    if (!HeaderBefore(data, at, &header, &number, &generation)) continue;
    if (number == 0 || number >= max_rows_ || generation > kMaxGeneration) continue;
    ScanObject(data, header, static_cast<uint32_t>(number), static_cast<uint32_t>(generation),
               &pos);
  }

  if (defined_at_.empty()) {
    entries_.swap(saved);
    return false;
  }
  if (!entries_.empty()) {
    entries_[0] = TPDXRefEntry{};
    entries_[0].Filled = true;
  }

  // The trailer: /Root from the last trailer that has one, or the catalog
  // found by its type; /Encrypt, /ID and /Info likewise from the last trailer
  // that has each.
  auto trailer = std::make_unique<TPDDictionary>();
  auto lastWith = [this](std::string_view key, auto&& accept) -> const TPDBaseObject* {
    for (auto it = found_trailers_.rbegin(); it != found_trailers_.rend(); ++it) {
      const TPDBaseObject* value = (*it)->LookupRefObj(key);
      if (value != nullptr && !value->IsNull() && accept(*value)) return value;
    }
    return nullptr;
  };
  auto any = [](const TPDBaseObject&) { return true; };
  auto knownCatalog = [this](const TPDBaseObject& value) {
    return value.IsIndirectRef() && IsFoundCatalog(value.GetObjNumber());
  };
  const TPDBaseObject* root = lastWith("Root", knownCatalog);
  // A root not seen yet may sit in an object stream, read later.
  if (root == nullptr && !found_object_streams_.empty()) root = lastWith("Root", any);
  if (root != nullptr) {
    trailer->SetKeyValue("Root", root->Clone());
  } else if (catalog_candidate_ != 0) {
    trailer->SetKeyValue("Root", std::make_unique<TPDIndirectRef>(catalog_candidate_, 0));
  }
  for (const char* key : {"Encrypt", "ID", "Info"}) {
    if (const TPDBaseObject* value = lastWith(key, any)) trailer->SetKeyValue(key, value->Clone());
  }
  trailer->SetKeyValue("Size", std::make_unique<TPDInteger>(static_cast<int32_t>(entries_.size())));
  trailer_ = std::move(trailer);
  ok_ = true;
  return true;
}

void TPDXRef::ExpandObjectStreams() {
  for (const auto& [streamNumber, streamOffset] : found_object_streams_) {
    if (streamNumber >= defined_at_.size() || defined_at_[streamNumber] != streamOffset) continue;
    object_stream_.reset();
    const TObjectStream objects(*this, streamNumber);
    for (size_t i = 0; i < objects.GetNoObjects(); ++i) {
      const uint32_t number = objects.NumberAt(i);
      if (number == 0 || number == streamNumber || number >= max_rows_) continue;
      if (number < defined_at_.size() && defined_at_[number] > streamOffset) continue;
      if (objects.ObjectAt(i).IsError()) continue;
      if (std::any_of(found_object_streams_.begin(), found_object_streams_.end(),
                      [number](const auto& s) { return s.first == number; })) {
        continue;
      }
      TPDXRefEntry entry;
      entry.EntryType = xeCompressed;
      entry.Offset = streamNumber;
      entry.GenNum = static_cast<uint32_t>(i);
      if (!SetEntry(number, entry)) continue;
      if (defined_at_.size() <= number) defined_at_.resize(number + 1, -1);
      defined_at_[number] = streamOffset;
      if (IsCatalog(objects.ObjectAt(i))) {
        catalog_candidate_ = number;
        found_catalogs_.push_back(number);
      }
    }
  }
  object_stream_.reset();
  if (trailer_ && catalog_candidate_ != 0) {
    const TPDBaseObject* root = trailer_->LookupRefObj("Root");
    if (root == nullptr || !root->IsIndirectRef() || !IsFoundCatalog(root->GetObjNumber())) {
      trailer_->SetKeyValue("Root", std::make_unique<TPDIndirectRef>(catalog_candidate_, 0));
    }
  }
  if (trailer_) {
    trailer_->SetKeyValue("Size",
                          std::make_unique<TPDInteger>(static_cast<int32_t>(entries_.size())));
  }
}

}  // namespace qp::pdf
