#include "pdf/core/pdf_objects.h"

#include <algorithm>
#include <cmath>

#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_syntax.h"

namespace qp::pdf {

namespace {

// Containers built by code (not by the parser) can nest without a bound, and
// shared array bodies can even contain themselves: walks stop at this depth.
constexpr int kMaxWalkDepth = 1024;

TPDObjectPtr CloneOrNull(const TPDBaseObject* object) {
  return object ? object->Clone() : std::make_unique<TPDNull>();
}

// A copy that shares nothing with `source`, down to `depth` levels.
TPDObjectPtr DeepCopy(const TPDBaseObject& source, int depth);

std::vector<TPDObjectPtr> CopyElements(const TArray& body, int depth) {
  std::vector<TPDObjectPtr> elements;
  elements.reserve(body.elements.size());
  for (const auto& element : body.elements) {
    elements.push_back(element ? DeepCopy(*element, depth + 1) : std::make_unique<TPDNull>());
  }
  return elements;
}

TPDObjectPtr DeepCopy(const TPDBaseObject& source, int depth) {
  if (depth >= kMaxWalkDepth) return std::make_unique<TPDNull>();
  if (source.IsArray()) {
    const auto& array = static_cast<const TPDArray&>(source);
    auto body = std::make_shared<TArray>();
    body->parent_doc = array.GetParentDoc();
    body->elements = CopyElements(*array.Body(), depth);
    auto copy =
        std::make_unique<TPDArray>(std::move(body), array.GetObjNumber(), array.GetGenNumber());
    copy->SetChanged(array.IsChanged());
    return copy;
  }
  if (source.IsDict()) {
    const auto& dict = static_cast<const TPDDictionary&>(source);
    TDict body;
    body.parent_doc = dict.GetParentDoc();
    for (const auto& [key, value] : dict.Body().entries) {
      body.entries.emplace_back(
          key, value ? DeepCopy(*value, depth + 1) : TPDObjectPtr(std::make_unique<TPDNull>()));
    }
    return std::make_unique<TPDDictionary>(dict.GetObjNumber(), dict.GetGenNumber(),
                                           std::move(body));
  }
  return source.Clone();
}

void CollectRefs(const TPDBaseObject* object, TPDRefList& list, int depth) {
  if (object == nullptr || depth >= kMaxWalkDepth) return;
  if (object->IsIndirectRef()) {
    list.push_back(static_cast<const TPDIndirectRef*>(object));
  } else if (object->IsArray()) {
    for (const auto& element : static_cast<const TPDArray*>(object)->Body()->elements) {
      CollectRefs(element.get(), list, depth + 1);
    }
  } else if (object->IsDict()) {
    for (const auto& entry : static_cast<const TPDDictionary*>(object)->Body().entries) {
      CollectRefs(entry.second.get(), list, depth + 1);
    }
  }
}

}  // namespace

std::string DecodeNameEscapes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '#' && i + 2 < text.size()) {
      const int high = HexDigitValue(static_cast<uint8_t>(text[i + 1]));
      const int low = HexDigitValue(static_cast<uint8_t>(text[i + 2]));
      if (high >= 0 && low >= 0) {
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

void TPDBaseObject::Assign(const TPDBaseObject& source) {
  obj_number_ = source.obj_number_;
  gen_number_ = source.gen_number_;
}

double TPDBaseObject::GetNumber() const {
  if (IsInteger()) return static_cast<const TPDInteger*>(this)->Value();
  if (IsReal()) return static_cast<const TPDReal*>(this)->Value();
  return 0;
}

bool TPDBaseObject::IsName(std::string_view name) const {
  if (kind_ != otName) return false;
  const std::string& value = static_cast<const TPDName*>(this)->Value();
  if (name.find('#') == std::string_view::npos) return value == name;
  return value == DecodeNameEscapes(name);
}

bool TPDBaseObject::IsCommand(std::string_view command) const {
  return kind_ == otCommand && static_cast<const TPDCommand*>(this)->Value() == command;
}

bool TPDBaseObject::IsDict(std::string_view dictType) const {
  if (kind_ != otDict) return false;
  const TPDBaseObject* type = static_cast<const TPDDictionary*>(this)->LookUp("Type");
  return type != nullptr && type->IsName(dictType);
}

std::string_view TPDBaseObject::GetTypeName() const {
  static constexpr std::string_view kNames[] = {
      "boolean", "integer", "real",  "AnsiString", "name",         "command", "null",
      "eof",     "error",   "array", "dict",       "indirect ref", "stream",  "none"};
  return kNames[GetType()];
}

TPDObjectPtr TPDBoolean::Clone() const {
  return std::make_unique<TPDBoolean>(value_, obj_number_, gen_number_);
}
void TPDBoolean::Assign(const TPDBaseObject& source) {
  TPDBaseObject::Assign(source);
  if (source.IsBoolean()) value_ = static_cast<const TPDBoolean&>(source).value_;
}

TPDObjectPtr TPDInteger::Clone() const {
  return std::make_unique<TPDInteger>(value_, obj_number_, gen_number_);
}
void TPDInteger::Assign(const TPDBaseObject& source) {
  TPDBaseObject::Assign(source);
  if (source.IsInteger()) value_ = static_cast<const TPDInteger&>(source).value_;
}

TPDObjectPtr TPDReal::Clone() const {
  return std::make_unique<TPDReal>(value_, obj_number_, gen_number_);
}
void TPDReal::Assign(const TPDBaseObject& source) {
  TPDBaseObject::Assign(source);
  if (source.IsReal()) value_ = static_cast<const TPDReal&>(source).value_;
}

TPDObjectPtr TPDString::Clone() const {
  return std::make_unique<TPDString>(value_, obj_number_, gen_number_, is_hex_);
}
void TPDString::Assign(const TPDBaseObject& source) {
  TPDBaseObject::Assign(source);
  if (!source.IsString()) return;
  const auto& string = static_cast<const TPDString&>(source);
  value_ = string.value_;
  is_hex_ = string.is_hex_;
}
std::string TPDString::GetBytes() const {
  return is_hex_ ? HexDigitsToBytes(value_) : value_;
}

TPDObjectPtr TPDName::Clone() const {
  return std::make_unique<TPDName>(value_, obj_number_, gen_number_);
}
void TPDName::Assign(const TPDBaseObject& source) {
  TPDBaseObject::Assign(source);
  if (source.IsName()) value_ = static_cast<const TPDName&>(source).value_;
}

TPDObjectPtr TPDCommand::Clone() const {
  return std::make_unique<TPDCommand>(value_);
}
void TPDCommand::Assign(const TPDBaseObject& source) {
  TPDBaseObject::Assign(source);
  if (source.IsCommand()) value_ = static_cast<const TPDCommand&>(source).value_;
}

TPDObjectPtr TPDIndirectRef::Clone() const {
  return std::make_unique<TPDIndirectRef>(obj_number_, gen_number_);
}

TPDBaseObject* ResolveObject(TPDBaseObject* object, TPDObjectResolver* document) {
  if (object == nullptr || !object->IsIndirectRef() || document == nullptr) return object;
  return document->GetObject(object->GetObjNumber());
}

// ---- arrays

TPDArray::TPDArray(TPDObjectResolver* parentDoc)
    : TPDBaseObject(otArray), body_(std::make_shared<TArray>()) {
  body_->parent_doc = parentDoc;
}
TPDArray::TPDArray(TPDObjectResolver* parentDoc, uint32_t objNumber, uint32_t genNumber)
    : TPDBaseObject(otArray, objNumber, genNumber), body_(std::make_shared<TArray>()) {
  body_->parent_doc = parentDoc;
}
TPDArray::TPDArray(std::shared_ptr<TArray> body)
    : TPDBaseObject(otArray), body_(body ? std::move(body) : std::make_shared<TArray>()) {}
TPDArray::TPDArray(std::shared_ptr<TArray> body, uint32_t objNumber, uint32_t genNumber)
    : TPDBaseObject(otArray, objNumber, genNumber),
      body_(body ? std::move(body) : std::make_shared<TArray>()) {}

TPDObjectPtr TPDArray::Clone() const {
  auto copy = std::make_unique<TPDArray>(body_, obj_number_, gen_number_);
  copy->is_changed_ = is_changed_;
  return copy;
}

void TPDArray::Assign(const TPDBaseObject& source) {
  TPDBaseObject::Assign(source);
  if (!source.IsArray()) return;
  const auto& array = static_cast<const TPDArray&>(source);
  auto body = std::make_shared<TArray>();
  body->parent_doc = array.GetParentDoc();
  body->elements = CopyElements(*array.body_, 0);
  body_ = std::move(body);
}

TPDBaseObject* TPDArray::GetRefObj(size_t index) const {
  return index < body_->elements.size() ? body_->elements[index].get() : nullptr;
}
TPDBaseObject* TPDArray::Get(size_t index) const {
  return ResolveObject(GetRefObj(index), body_->parent_doc);
}
TPDObjectPtr TPDArray::GetClone(size_t index) const {
  return CloneOrNull(Get(index));
}
TPDObjectPtr TPDArray::GetRefObjClone(size_t index) const {
  return CloneOrNull(GetRefObj(index));
}

void TPDArray::Add(TPDObjectPtr element) {
  if (!element) return;
  body_->elements.push_back(std::move(element));
  is_changed_ = true;
}

bool TPDArray::Insert(TPDObjectPtr element, size_t index) {
  if (!element || index >= body_->elements.size()) return false;
  body_->elements.insert(body_->elements.begin() + static_cast<ptrdiff_t>(index),
                         std::move(element));
  is_changed_ = true;
  return true;
}

bool TPDArray::SetValue(TPDObjectPtr element, size_t index) {
  if (!element || index >= body_->elements.size()) return false;
  body_->elements[index] = std::move(element);
  is_changed_ = true;
  return true;
}

bool TPDArray::Remove(size_t index) {
  if (index >= body_->elements.size()) return false;
  body_->elements.erase(body_->elements.begin() + static_cast<ptrdiff_t>(index));
  is_changed_ = true;
  return true;
}

void TPDArray::GetIndirectRefs(TPDRefList& list) const {
  CollectRefs(this, list, 0);
}

// ---- dictionaries

TPDDictionary::TPDDictionary(TPDObjectResolver* parentDoc) : TPDBaseObject(otDict) {
  body_.parent_doc = parentDoc;
  is_changed_ = true;
}
TPDDictionary::TPDDictionary(uint32_t objNumber, uint32_t genNumber, TPDObjectResolver* parentDoc)
    : TPDBaseObject(otDict, objNumber, genNumber) {
  body_.parent_doc = parentDoc;
  is_changed_ = true;
}
TPDDictionary::TPDDictionary(TDict body) : TPDBaseObject(otDict), body_(std::move(body)) {
  is_changed_ = true;
}
TPDDictionary::TPDDictionary(uint32_t objNumber, uint32_t genNumber, TDict body)
    : TPDBaseObject(otDict, objNumber, genNumber), body_(std::move(body)) {
  is_changed_ = true;
}

TPDObjectPtr TPDDictionary::Clone() const {
  TDict body;
  body.parent_doc = body_.parent_doc;
  body.entries.reserve(body_.entries.size());
  for (const auto& [key, value] : body_.entries) {
    body.entries.emplace_back(key, CloneOrNull(value.get()));
  }
  return std::make_unique<TPDDictionary>(obj_number_, gen_number_, std::move(body));
}

void TPDDictionary::Assign(const TPDBaseObject& source) {
  TPDBaseObject::Assign(source);
  if (!source.IsDict() || &source == this) return;
  auto copy = DeepCopy(source, 0);
  body_ = std::move(static_cast<TPDDictionary&>(*copy).body_);
}

const TPDObjectPtr* TPDDictionary::Find(std::string_view key) const {
  for (const auto& entry : body_.entries) {
    if (entry.first == key) return &entry.second;
  }
  return nullptr;
}
TPDObjectPtr* TPDDictionary::Find(std::string_view key) {
  for (auto& entry : body_.entries) {
    if (entry.first == key) return &entry.second;
  }
  return nullptr;
}

TPDBaseObject* TPDDictionary::LookupRefObj(std::string_view key) const {
  const TPDObjectPtr* value = Find(key);
  return value ? value->get() : nullptr;
}
TPDBaseObject* TPDDictionary::LookUp(std::string_view key) const {
  return ResolveObject(LookupRefObj(key), body_.parent_doc);
}
TPDDictionary* TPDDictionary::GetDict(std::string_view key) const {
  TPDBaseObject* value = LookUp(key);
  return value && value->IsDict() ? static_cast<TPDDictionary*>(value) : nullptr;
}
TPDArray* TPDDictionary::GetArray(std::string_view key) const {
  TPDBaseObject* value = LookUp(key);
  return value && value->IsArray() ? static_cast<TPDArray*>(value) : nullptr;
}
TPDStream* TPDDictionary::GetStream(std::string_view key) const {
  TPDBaseObject* value = LookUp(key);
  return value && value->IsStream() ? static_cast<TPDStream*>(value) : nullptr;
}
std::optional<std::string_view> TPDDictionary::GetName(std::string_view key) const {
  const TPDBaseObject* value = LookUp(key);
  if (!value || !value->IsName()) return std::nullopt;
  return std::string_view(static_cast<const TPDName*>(value)->Value());
}
double TPDDictionary::GetNumber(std::string_view key, double fallback) const {
  const TPDBaseObject* value = LookUp(key);
  return value && value->IsNumber() ? value->GetNumber() : fallback;
}
int64_t TPDDictionary::GetInteger(std::string_view key, int64_t fallback) const {
  const TPDBaseObject* value = LookUp(key);
  if (!value) return fallback;
  if (value->IsInteger()) return static_cast<const TPDInteger*>(value)->Value();
  if (!value->IsReal()) return fallback;
  const double real = static_cast<const TPDReal*>(value)->Value();
  // Within ±2^63 and a whole number.
  if (!(real >= -9.2e18 && real <= 9.2e18) || real != std::trunc(real)) return fallback;
  return static_cast<int64_t>(real);
}
bool TPDDictionary::GetBoolean(std::string_view key, bool fallback) const {
  const TPDBaseObject* value = LookUp(key);
  return value && value->IsBoolean() ? static_cast<const TPDBoolean*>(value)->Value() : fallback;
}

TPDObjectPtr TPDDictionary::LookUpClone(std::string_view key) const {
  return CloneOrNull(LookUp(key));
}
TPDObjectPtr TPDDictionary::LookupRefObjClone(std::string_view key) const {
  return CloneOrNull(LookupRefObj(key));
}

std::string_view TPDDictionary::GetKey(size_t index) const {
  return index < body_.entries.size() ? std::string_view(body_.entries[index].first)
                                      : std::string_view();
}
TPDBaseObject* TPDDictionary::GetValueRefObj(size_t index) const {
  return index < body_.entries.size() ? body_.entries[index].second.get() : nullptr;
}
TPDBaseObject* TPDDictionary::GetValue(size_t index) const {
  return ResolveObject(GetValueRefObj(index), body_.parent_doc);
}

void TPDDictionary::Add(std::string key, TPDObjectPtr value) {
  if (!value) return;
  body_.entries.emplace_back(std::move(key), std::move(value));
  is_changed_ = true;
}

void TPDDictionary::Add(const TPDBaseObject& key, TPDObjectPtr value) {
  if (key.IsName()) Add(static_cast<const TPDName&>(key).Value(), std::move(value));
}

void TPDDictionary::SetKeyValue(std::string_view key, TPDObjectPtr value) {
  if (!value) return;
  if (TPDObjectPtr* slot = Find(key)) {
    *slot = std::move(value);
    is_changed_ = true;
  } else {
    Add(std::string(key), std::move(value));
  }
}

bool TPDDictionary::SetKey(size_t index, std::string key) {
  if (index >= body_.entries.size()) return false;
  body_.entries[index].first = std::move(key);
  is_changed_ = true;
  return true;
}

bool TPDDictionary::SetValue(size_t index, TPDObjectPtr value) {
  if (!value || index >= body_.entries.size()) return false;
  body_.entries[index].second = std::move(value);
  is_changed_ = true;
  return true;
}

bool TPDDictionary::Remove(std::string_view key) {
  auto it = std::find_if(body_.entries.begin(), body_.entries.end(),
                         [&](const auto& entry) { return entry.first == key; });
  if (it == body_.entries.end()) return false;
  body_.entries.erase(it);
  is_changed_ = true;
  return true;
}

void TPDDictionary::GetIndirectRefs(TPDRefList& list) const {
  CollectRefs(this, list, 0);
}

// ---- streams

TPDStream::TPDStream(TPDObjectResolver* parentDoc)
    : TPDBaseObject(otStream), parent_doc_(parentDoc) {}

TPDStream::TPDStream(std::shared_ptr<TStream> stream, std::unique_ptr<TPDDictionary> dict)
    : TPDBaseObject(otStream), stream_(std::move(stream)), dict_(std::move(dict)) {
  if (dict_) parent_doc_ = dict_->GetParentDoc();
}

TPDStream::TPDStream(std::shared_ptr<TStream> stream, std::unique_ptr<TPDDictionary> dict,
                     uint32_t objNumber, uint32_t genNumber)
    : TPDStream(std::move(stream), std::move(dict)) {
  obj_number_ = objNumber;
  gen_number_ = genNumber;
}

TPDObjectPtr TPDStream::Clone() const {
  std::unique_ptr<TPDDictionary> dict;
  if (dict_) dict.reset(static_cast<TPDDictionary*>(dict_->Clone().release()));
  auto copy = std::make_unique<TPDStream>(stream_, std::move(dict), obj_number_, gen_number_);
  copy->parent_doc_ = parent_doc_;
  return copy;
}

void TPDStream::Assign(const TPDBaseObject& source) {
  TPDBaseObject::Assign(source);
  if (!source.IsStream() || &source == this) return;
  const auto& stream = static_cast<const TPDStream&>(source);
  stream_ = stream.stream_;
  parent_doc_ = stream.parent_doc_;
  if (stream.dict_) {
    dict_.reset(static_cast<TPDDictionary*>(stream.dict_->Clone().release()));
  } else {
    dict_.reset();
  }
}

void TPDStream::Reset() {
  if (!stream_) throw ExInvalidStream();
  try {
    stream_->Reset();
  } catch (...) {
    throw ExInvalidStream();
  }
}

size_t TPDStream::Read(std::string& buffer, size_t count) {
  if (!stream_) {
    buffer.clear();
    return 0;
  }
  return stream_->Read(buffer, count);
}

bool TPDStream::ReadLine(std::string& buffer, size_t count) {
  buffer.clear();
  return stream_ && stream_->ReadLine(buffer, count);
}

void TPDStream::SetPosition(int64_t position, TSeekOrigin origin) {
  if (stream_) stream_->SetPosition(position, origin);
}

int64_t TPDStream::GetStart() const {
  const auto* window = dynamic_cast<const TBaseStream*>(stream_.get());
  return window ? window->GetStart() : 0;
}

void TPDStream::MoveStart(int64_t delta) {
  if (auto* window = dynamic_cast<TBaseStream*>(stream_.get())) window->MoveStart(delta);
}

std::unique_ptr<TPDStream> TPDStream::MakeSubStream(int64_t start, uint32_t length, bool limited,
                                                    std::unique_ptr<TPDDictionary> dict) const {
  auto* window = dynamic_cast<TBaseStream*>(stream_.get());
  if (window == nullptr) return nullptr;
  std::shared_ptr<TStream> sub = window->MakeSubStream(start, length, limited);
  if (!sub) return nullptr;
  return std::make_unique<TPDStream>(std::move(sub), std::move(dict));
}

void TPDStream::Close() {
  if (stream_) stream_->Close();
}

}  // namespace qp::pdf
