#include "pdf/core/pdf_xref.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <set>

#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_lexer.h"
#include "pdf/core/pdf_memory_stream.h"
#include "pdf/core/pdf_xref_detail.h"

namespace qp::pdf {

namespace {

constexpr std::string_view kStartXref = "startxref";
constexpr size_t kTailSize = 1024;
// The largest table any file can need: a generous multiple of its size (an
// object takes a few bytes at least, even compressed), so a hostile "Size"
// or subsection count cannot make the table huge.
constexpr size_t kAbsoluteMaxRows = size_t{1} << 23;

bool IsWordByte(uint8_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The position of the last whole word "startxref" (any case) in `text`: an
// incremental update appends its own, and the newest one is the one to use.
size_t FindStartXref(std::string_view text) {
  if (text.size() < kStartXref.size()) return std::string_view::npos;
  for (size_t i = text.size() - kStartXref.size() + 1; i-- > 0;) {
    bool match = true;
    for (size_t k = 0; k < kStartXref.size() && match; ++k) {
      char c = text[i + k];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      match = c == kStartXref[k];
    }
    if (!match) continue;
    const bool startsWord = i == 0 || !IsWordByte(static_cast<uint8_t>(text[i - 1]));
    const size_t after = i + kStartXref.size();
    const bool endsWord = after == text.size() || !IsWordByte(static_cast<uint8_t>(text[after]));
    if (startsWord && endsWord) return i;
  }
  return std::string_view::npos;
}

// The integer after the keyword at `at`: white space skipped, the rest of the
// line trimmed; 0 when it is not an integer.
int64_t ValueAfterKeyword(std::string_view text, size_t at) {
  size_t pos = at + kStartXref.size();
  auto isSkip = [](char c) { return c == 0 || c == '\t' || c == '\n' || c == '\r' || c == ' '; };
  while (pos < text.size() && isSkip(text[pos])) ++pos;
  size_t end = pos;
  while (end < text.size() && text[end] != 0 && text[end] != '\t' && text[end] != '\n' &&
         text[end] != '\r') {
    ++end;
  }
  std::string_view value = text.substr(pos, end - pos);
  while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  if (!value.empty() && value.front() == '+') value.remove_prefix(1);
  int32_t number = 0;
  const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (ec != std::errc() || ptr != value.data() + value.size() || value.empty()) return 0;
  return number;
}

}  // namespace

namespace xref_detail {

std::string ReadRange(TBaseStream& file, int64_t start, size_t size) {
  std::unique_ptr<TBaseStream> window =
      file.MakeSubStream(start, static_cast<uint32_t>(std::min<size_t>(size, UINT32_MAX)), true);
  std::string bytes;
  if (window) window->Read(bytes, size);
  return bytes;
}

bool IntegerValue(const TPDBaseObject* object, int64_t* value) {
  if (object == nullptr || !object->IsInteger()) return false;
  *value = static_cast<const TPDInteger*>(object)->Value();
  return true;
}

std::unique_ptr<TPDParser> ParserAt(TBaseStream& file, int64_t offset,
                                    const TPDParserContext& context, bool allowStreams) {
  std::unique_ptr<TBaseStream> window = file.MakeSubStream(offset, 0, false);
  if (!window) return nullptr;
  return std::make_unique<TPDParser>(context, std::make_unique<TPDLexer>(std::move(window)),
                                     allowStreams);
}

// Reads "N G obj" and checks its numbers; `gen` < 0 accepts any generation.
bool ReadObjectHeader(TPDParser& parser, uint32_t objNumber, int64_t gen) {
  int64_t number = 0;
  int64_t generation = 0;
  if (!IntegerValue(parser.GetObject().get(), &number) || number != objNumber) return false;
  if (!IntegerValue(parser.GetObject().get(), &generation)) return false;
  if (gen >= 0 && generation != gen) return false;
  const TPDObjectPtr keyword = parser.GetObject();
  return keyword && keyword->IsCommand("obj");
}

}  // namespace xref_detail

using namespace xref_detail;

TPDXRef::TPDXRef(TBaseStream& file, const TPDParserContext& context)
    : file_(file), context_(context), file_size_(file.GetSize()) {
  const size_t bySize = static_cast<size_t>(std::max<int64_t>(file_size_, 0)) * 8 + 4096;
  max_rows_ = std::min(bySize, kAbsoluteMaxRows);
}

TPDXRef::~TPDXRef() = default;

int64_t TPDXRef::GetStartXref() {
  if (file_size_ <= 0) throw ExInvalidPDFFile();
  const size_t tail = static_cast<size_t>(std::min<int64_t>(file_size_, kTailSize));
  std::string text = ReadRange(file_, file_size_ - static_cast<int64_t>(tail), tail);
  size_t at = FindStartXref(text);
  if (at == std::string::npos && static_cast<size_t>(file_size_) > tail) {
    text = ReadRange(file_, 0, static_cast<size_t>(file_size_));
    at = FindStartXref(text);
  }
  start_xref_ = at == std::string::npos ? 0 : ValueAfterKeyword(text, at);
  if (start_xref_ == 0) throw ExStartXrefNotFound();
  return start_xref_;
}

bool TPDXRef::GenerateTable() {
  int64_t offset = GetStartXref();
  std::set<int64_t> visited;
  bool first = true;
  while (visited.insert(offset).second) {
    int64_t prev = -1;
    const SectionResult result = ReadSection(offset, &prev, false);
    if (first && !trailer_) throw ExImproperCrossRefTableOrStream();
    first = false;
    if (result == SectionResult::kFailed) ok_ = false;
    if (result != SectionResult::kOk || prev < 0) break;
    offset = prev;
  }
  return ok_;
}

TPDXRef::SectionResult TPDXRef::ReadSection(int64_t offset, int64_t* prev, bool streamOnly) {
  if (offset < 0 || offset >= file_size_) return SectionResult::kEnd;
  std::unique_ptr<TBaseStream> window = file_.MakeSubStream(offset, 0, false);
  if (!window) return SectionResult::kEnd;
  TPDLexer lexer(*window);
  TPDToken token;
  lexer.NextToken(token);
  if (token.kind == TPDTokenKind::Keyword && !streamOnly) {
    return ReadTable(offset, lexer.GetPosition(), prev);
  }
  if (token.kind == TPDTokenKind::Integer) return ReadXRefStream(offset, prev);
  return streamOnly ? SectionResult::kFailed : SectionResult::kEnd;
}

bool TPDXRef::Reserve(size_t first, size_t count) {
  if (first > max_rows_ || count > max_rows_ - first) return false;
  AddDefaultEntries(first + count);
  return true;
}

void TPDXRef::AddDefaultEntries(size_t count) {
  count = std::min(count, max_rows_);
  if (count <= entries_.size()) return;
  size_t size = entries_.empty() ? 1024 : entries_.size();
  while (size < count) size *= 2;
  entries_.resize(std::min(size, max_rows_));
}

bool TPDXRef::SetEntry(size_t index, const TPDXRefEntry& value) {
  if (index >= max_rows_) return false;
  if (index >= entries_.size()) AddDefaultEntries(index + 1);
  entries_[index] = value;
  entries_[index].Filled = true;
  return true;
}

bool TPDXRef::StoreIfUnfilled(size_t index, const TPDXRefEntry& value) {
  if (index >= entries_.size() && !Reserve(index, 1)) return false;
  if (!entries_[index].Filled) SetEntry(index, value);
  return true;
}

TPDXRef::SectionResult TPDXRef::ReadTable(int64_t offset, int64_t position, int64_t* prev) {
  std::unique_ptr<TBaseStream> window = file_.MakeSubStream(position, 0, false);
  if (!window) return SectionResult::kFailed;
  TPDLexer lexer(*window);
  TPDToken token;
  for (;;) {
    lexer.NextToken(token);
    if (token.IsKeyword("trailer")) break;
    if (token.kind != TPDTokenKind::Integer || token.int_value < 0) return SectionResult::kFailed;
    const int32_t first = token.int_value;
    lexer.NextToken(token);
    if (token.kind != TPDTokenKind::Integer || token.int_value < 0) return SectionResult::kFailed;
    const int32_t count = token.int_value;
    if (!Reserve(static_cast<size_t>(first), static_cast<size_t>(count))) {
      return SectionResult::kFailed;
    }
    for (int32_t i = 0; i < count; ++i) {
      TPDXRefEntry entry;
      lexer.NextToken(token);
      if (token.kind != TPDTokenKind::Integer) return SectionResult::kFailed;
      entry.Offset = static_cast<uint32_t>(token.int_value);
      lexer.NextToken(token);
      if (token.kind != TPDTokenKind::Integer) return SectionResult::kFailed;
      entry.GenNum = static_cast<uint32_t>(token.int_value);
      lexer.NextToken(token);
      if (token.IsKeyword("n")) {
        entry.EntryType = xeUnCompressed;
      } else if (token.IsKeyword("f")) {
        entry.EntryType = xeFree;
      } else {
        return SectionResult::kFailed;
      }
      StoreIfUnfilled(static_cast<size_t>(first) + static_cast<size_t>(i), entry);
    }
  }
  std::unique_ptr<TPDParser> parser = ParserAt(file_, lexer.GetPosition(), context_, false);
  if (!parser) return SectionResult::kFailed;
  TPDObjectPtr object = parser->GetObject();
  if (!object || !object->IsDict()) return SectionResult::kFailed;
  auto* trailer = static_cast<TPDDictionary*>(object.get());
  if (!trailer_) {
    trailer_.reset(static_cast<TPDDictionary*>(object.release()));
    trailer = trailer_.get();
  }
  int64_t value = 0;
  if (IntegerValue(trailer->LookupRefObj("Prev"), &value)) *prev = value;
  // A hybrid file: the stream lists objects that the table leaves out.
  if (IntegerValue(trailer->LookupRefObj("XRefStm"), &value) && value != offset) {
    int64_t ignored = -1;
    if (ReadSection(value, &ignored, true) != SectionResult::kOk) {
      *prev = -1;
      return SectionResult::kFailed;
    }
  }
  return SectionResult::kOk;
}

TPDXRef::SectionResult TPDXRef::ReadXRefStream(int64_t offset, int64_t* prev) {
  TPDParserContext context = context_;
  context.decryptor = nullptr;
  std::unique_ptr<TPDParser> parser = ParserAt(file_, offset, context, true);
  if (!parser) return SectionResult::kFailed;
  int64_t number = 0;
  if (!IntegerValue(parser->GetObject().get(), &number) || number < 0 ||
      !IntegerValue(parser->GetObject().get(), &number)) {
    return SectionResult::kFailed;
  }
  if (TPDObjectPtr keyword = parser->GetObject(); !keyword || !keyword->IsCommand("obj")) {
    return SectionResult::kFailed;
  }
  TPDObjectPtr object = parser->GetObject();
  if (!object || !object->IsStream()) return SectionResult::kFailed;
  auto& stream = static_cast<TPDStream&>(*object);
  const TPDDictionary* dict = stream.GetDict();
  if (dict == nullptr) return SectionResult::kFailed;

  int64_t size = 0;
  if (!IntegerValue(dict->LookUp("Size"), &size) || size < 0) return SectionResult::kFailed;
  AddDefaultEntries(static_cast<size_t>(size));
  const TPDArray* wObject = dict->GetArray("W");
  if (wObject == nullptr || wObject->GetLength() < 3) return SectionResult::kFailed;
  const TPDArray& wArray = *wObject;
  int64_t widths[3];
  for (size_t i = 0; i < 3; ++i) {
    // Wider fields than 8 bytes cannot hold a value of the table.
    if (!IntegerValue(wArray.Get(i), &widths[i]) || widths[i] < 0 || widths[i] > 8) {
      return SectionResult::kFailed;
    }
  }
  std::vector<std::pair<int64_t, int64_t>> subsections;
  if (const TPDArray* index = dict->GetArray("Index")) {
    const TPDArray& pairs = *index;
    for (size_t i = 0; i + 1 < pairs.GetLength(); i += 2) {
      int64_t first = 0;
      int64_t count = 0;
      if (!IntegerValue(pairs.Get(i), &first) || !IntegerValue(pairs.Get(i + 1), &count) ||
          first < 0 || count < 0) {
        return SectionResult::kFailed;
      }
      subsections.emplace_back(first, count);
    }
  } else {
    subsections.emplace_back(0, size);
  }

  stream.Reset();
  const size_t rowWidth = static_cast<size_t>(widths[0] + widths[1] + widths[2]);
  uint8_t row[24];
  bool dataLeft = rowWidth > 0;
  for (const auto& [first, count] : subsections) {
    if (!Reserve(static_cast<size_t>(first), static_cast<size_t>(count))) {
      return SectionResult::kFailed;
    }
    for (int64_t i = 0; i < count && dataLeft; ++i) {
      if (stream.Read(row, rowWidth) != rowWidth) {
        dataLeft = false;
        break;
      }
      uint64_t fields[3] = {0, 0, 0};
      const uint8_t* p = row;
      for (int f = 0; f < 3; ++f) {
        for (int64_t b = 0; b < widths[f]; ++b) fields[f] = (fields[f] << 8) | *p++;
      }
      if (widths[0] == 0) fields[0] = 1;
      TPDXRefEntry entry;
      switch (fields[0]) {
        case 0:
          entry.EntryType = xeFree;
          break;
        case 1:
          entry.EntryType = xeUnCompressed;
          break;
        case 2:
          entry.EntryType = xeCompressed;
          break;
        default:
          return SectionResult::kFailed;
      }
      entry.Offset = static_cast<uint32_t>(std::min<uint64_t>(fields[1], UINT32_MAX));
      entry.GenNum = static_cast<uint32_t>(std::min<uint64_t>(fields[2], UINT32_MAX));
      StoreIfUnfilled(static_cast<size_t>(first + i), entry);
    }
  }
  if (!trailer_) {
    TPDObjectPtr copy = dict->Clone();
    trailer_.reset(static_cast<TPDDictionary*>(copy.release()));
  }
  int64_t value = 0;
  if (IntegerValue(dict->LookupRefObj("Prev"), &value)) *prev = value;
  return SectionResult::kOk;
}

bool TPDXRef::HeaderInPlace(uint32_t objNumber) {
  if (objNumber >= entries_.size()) return false;
  TPDXRefEntry entry = entries_[objNumber];
  if (entry.EntryType == xeCompressed) {
    if (entry.Offset >= entries_.size() || entry.Offset == objNumber) return false;
    objNumber = entry.Offset;
    entry = entries_[objNumber];
  }
  if (entry.EntryType != xeUnCompressed || entry.Offset >= file_size_) return false;
  std::unique_ptr<TPDParser> parser = ParserAt(file_, entry.Offset, TPDParserContext{}, false);
  return parser && ReadObjectHeader(*parser, objNumber, entry.GenNum);
}

TPDObjectPtr TPDXRef::FetchUncompressed(uint32_t objNumber) {
  if (objNumber >= entries_.size()) return std::make_unique<TPDError>();
  const TPDXRefEntry& entry = entries_[objNumber];
  if (entry.EntryType != xeUnCompressed || entry.Offset >= file_size_) {
    return std::make_unique<TPDError>();
  }
  const uint32_t generation = entry.GenNum;
  std::unique_ptr<TPDParser> parser = ParserAt(file_, entry.Offset, context_, true);
  if (!parser || !ReadObjectHeader(*parser, objNumber, generation)) {
    return std::make_unique<TPDError>();
  }
  TPDObjectPtr object = parser->GetObject(objNumber, generation);
  if (!object || object->IsEOF() || object->IsCommand()) return std::make_unique<TPDError>();
  return object;
}

TPDObjectPtr TPDXRef::Fetch(uint32_t objNumber) {
  if (objNumber >= entries_.size()) return std::make_unique<TPDError>();
  const TPDXRefEntry entry = entries_[objNumber];
  TPDObjectPtr object;
  if (entry.EntryType == xeUnCompressed) {
    object = FetchUncompressed(objNumber);
  } else if (entry.EntryType == xeCompressed) {
    if (!object_stream_ || object_stream_->GetObjStrNum() != entry.Offset) {
      object_stream_.reset();
      auto loaded = std::make_unique<TObjectStream>(*this, entry.Offset);
      object_stream_ = std::move(loaded);
    }
    object = object_stream_->GetObject(entry.GenNum, objNumber);
  } else {
    return std::make_unique<TPDError>();
  }
  if (object->IsError()) return object;
  object->SetObjNumber(objNumber);
  object->SetGenNumber(entry.EntryType == xeCompressed ? 0 : entry.GenNum);
  object->SetChanged(false);
  object->SetWritten(false);
  if (object->IsStream()) {
    if (TPDDictionary* dict = static_cast<TPDStream*>(object.get())->GetDict()) {
      dict->SetChanged(false);
      dict->SetWritten(false);
    }
  }
  return object;
}

TObjectStream::TObjectStream(TPDXRef& xref, uint32_t objStreamNumber)
    : obj_str_num_(objStreamNumber) {
  TPDObjectPtr object = xref.FetchUncompressed(objStreamNumber);
  if (!object->IsStream()) return;
  auto& stream = static_cast<TPDStream&>(*object);
  const TPDDictionary* dict = stream.GetDict();
  if (dict == nullptr) return;
  int64_t count = 0;
  int64_t first = 0;
  if (!IntegerValue(dict->LookUp("N"), &count) || count <= 0 || count > kMaxObjects) return;
  if (!IntegerValue(dict->LookUp("First"), &first) || first < 0) return;

  std::string data;
  try {
    stream.Reset();
    stream.Read(data, kMaxDataSize);
  } catch (const EPDFEngineError&) {
    return;
  }
  if (static_cast<size_t>(first) > data.size()) return;
  auto memory = std::make_shared<TMemoryStream>(std::move(data));
  const int64_t dataSize = memory->GetSize();

  // The header: `count` pairs of object number and offset, within "First".
  std::vector<std::pair<uint32_t, int64_t>> header;
  {
    std::unique_ptr<TBaseStream> window =
        memory->MakeSubStream(0, static_cast<uint32_t>(first), true);
    TPDLexer lexer(*window);
    TPDToken token;
    int64_t last = 0;
    for (int64_t i = 0; i < count; ++i) {
      lexer.NextToken(token);
      if (token.kind != TPDTokenKind::Integer || token.int_value < 0) return;
      const uint32_t number = static_cast<uint32_t>(token.int_value);
      lexer.NextToken(token);
      if (token.kind != TPDTokenKind::Integer || token.int_value < last) return;
      last = token.int_value;
      header.emplace_back(number, last);
    }
  }
  TPDParserContext context;
  context.document = xref.Context().document;
  objects_.reserve(header.size());
  for (size_t i = 0; i < header.size(); ++i) {
    const int64_t start = first + header[i].second;
    const int64_t end = i + 1 < header.size() ? first + header[i + 1].second : dataSize;
    TPDObjectPtr parsed;
    if (start < dataSize) {
      std::unique_ptr<TBaseStream> window = memory->MakeSubStream(
          start, static_cast<uint32_t>(std::min<int64_t>(end, dataSize) - start), true);
      TPDParser parser(context, std::make_unique<TPDLexer>(std::move(window)), false);
      parsed = parser.GetObject();
    }
    if (!parsed || parsed->IsEOF()) parsed = std::make_unique<TPDError>();
    objects_.push_back(std::move(parsed));
    obj_numbers_.push_back(header[i].first);
  }
}

TPDObjectPtr TObjectStream::GetObject(uint32_t index, uint32_t objNumber) const {
  if (index >= objects_.size() || obj_numbers_[index] != objNumber) {
    return std::make_unique<TPDError>();
  }
  return objects_[index]->Clone();
}

}  // namespace qp::pdf
