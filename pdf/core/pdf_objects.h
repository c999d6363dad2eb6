#pragma once
// The PDF object model: every value read from a PDF file is a TPDBaseObject.
// Containers own their elements; indirect objects are owned by the document's
// object cache and reached through TPDObjectResolver.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdf/core/pdf_stream.h"

namespace qp::pdf {

class TPDBaseObject;
class TPDIndirectRef;

// The document side of reference resolution. The document implements it over
// its cross-reference table and object cache.
class TPDObjectResolver {
 public:
  virtual ~TPDObjectResolver() = default;
  // The indirect object with this number, owned by the document, or nothing
  // when it cannot be fetched. Resolving the same number twice returns the
  // same object. Generation numbers are not used.
  virtual TPDBaseObject* GetObject(uint32_t objNumber) = 0;
};

// The numbers of a direct object.
inline constexpr uint32_t kDirectObjNumber = 0xFFFFFFFFu;

enum TPDObjTypes {
  otBoolean,
  otInteger,
  otReal,
  otString,
  otName,
  otCommand,
  otNull,
  otEOF,
  otError,
  otArray,
  otDict,
  otIndirectRef,
  otStream,
  otNone,
};

// Decodes #xx escapes of a name once, left to right. A '#' without two
// hexadecimal digits after it stays as it is.
std::string DecodeNameEscapes(std::string_view text);

class TPDStream;
class TPDArray;
class TPDDictionary;

class TPDBaseObject {
 public:
  explicit TPDBaseObject(TPDObjTypes kind) : kind_(kind) {}
  TPDBaseObject(TPDObjTypes kind, uint32_t objNumber, uint32_t genNumber)
      : obj_number_(objNumber), gen_number_(genNumber), kind_(kind) {}
  virtual ~TPDBaseObject() = default;
  TPDBaseObject(const TPDBaseObject&) = delete;
  TPDBaseObject& operator=(const TPDBaseObject&) = delete;

  // The kind is fixed when the object is made: these are plain compares.
  bool IsBoolean() const { return kind_ == otBoolean; }
  bool IsInteger() const { return kind_ == otInteger; }
  bool IsReal() const { return kind_ == otReal; }
  bool IsString() const { return kind_ == otString; }
  bool IsName() const { return kind_ == otName; }
  bool IsNull() const { return kind_ == otNull; }
  bool IsArray() const { return kind_ == otArray; }
  bool IsDict() const { return kind_ == otDict; }
  bool IsStream() const { return kind_ == otStream; }
  bool IsIndirectRef() const { return kind_ == otIndirectRef; }
  bool IsCommand() const { return kind_ == otCommand; }
  bool IsError() const { return kind_ == otError; }
  bool IsEOF() const { return kind_ == otEOF; }
  // A name whose value equals `name` (after decoding its #xx escapes).
  bool IsName(std::string_view name) const;
  // A keyword whose text equals `command`.
  bool IsCommand(std::string_view command) const;
  // A dictionary whose /Type is the name `dictType`.
  bool IsDict(std::string_view dictType) const;

  virtual std::unique_ptr<TPDBaseObject> Clone() const = 0;
  // Copies the numbers; subclasses also copy the value when `source` is of
  // their kind.
  virtual void Assign(const TPDBaseObject& source);

  bool IsNumber() const { return IsInteger() || IsReal(); }
  // The value of an integer or a real; 0 for anything else.
  double GetNumber() const;
  TPDObjTypes GetType() const { return kind_; }
  std::string_view GetTypeName() const;

  uint32_t GetObjNumber() const { return obj_number_; }
  void SetObjNumber(uint32_t value) { obj_number_ = value; }
  uint32_t GetGenNumber() const { return gen_number_; }
  void SetGenNumber(uint32_t value) { gen_number_ = value; }
  bool IsChanged() const { return is_changed_; }
  void SetChanged(bool value) { is_changed_ = value; }
  bool IsWritten() const { return is_written_; }
  void SetWritten(bool value) { is_written_ = value; }

 protected:
  uint32_t obj_number_ = kDirectObjNumber;
  uint32_t gen_number_ = kDirectObjNumber;
  bool is_written_ = false;
  bool is_changed_ = false;

 private:
  TPDObjTypes kind_;
};

using TPDObjectPtr = std::unique_ptr<TPDBaseObject>;

class TPDBoolean final : public TPDBaseObject {
 public:
  explicit TPDBoolean(bool value) : TPDBaseObject(otBoolean), value_(value) {}
  TPDBoolean(bool value, uint32_t objNumber, uint32_t genNumber)
      : TPDBaseObject(otBoolean, objNumber, genNumber), value_(value) {}
  TPDObjectPtr Clone() const override;
  void Assign(const TPDBaseObject& source) override;
  bool Value() const { return value_; }
  void SetBool(bool value) { value_ = value; }

 private:
  bool value_;
};

class TPDInteger final : public TPDBaseObject {
 public:
  explicit TPDInteger(int32_t value) : TPDBaseObject(otInteger), value_(value) {}
  TPDInteger(int32_t value, uint32_t objNumber, uint32_t genNumber)
      : TPDBaseObject(otInteger, objNumber, genNumber), value_(value) {}
  TPDObjectPtr Clone() const override;
  void Assign(const TPDBaseObject& source) override;
  int32_t Value() const { return value_; }
  void SetValue(int32_t value) { value_ = value; }

 private:
  int32_t value_;
};

class TPDReal final : public TPDBaseObject {
 public:
  explicit TPDReal(double value) : TPDBaseObject(otReal), value_(value) {}
  TPDReal(double value, uint32_t objNumber, uint32_t genNumber)
      : TPDBaseObject(otReal, objNumber, genNumber), value_(value) {}
  TPDObjectPtr Clone() const override;
  void Assign(const TPDBaseObject& source) override;
  double Value() const { return value_; }
  void SetValue(double value) { value_ = value; }

 private:
  double value_;
};

// Raw bytes. A hexadecimal string keeps the digit text as it stood in the
// file (without white space); HexDigitsToBytes converts it.
class TPDString final : public TPDBaseObject {
 public:
  TPDString(std::string value, bool isHex)
      : TPDBaseObject(otString), value_(std::move(value)), is_hex_(isHex) {}
  TPDString(std::string value, uint32_t objNumber, uint32_t genNumber, bool isHex)
      : TPDBaseObject(otString, objNumber, genNumber), value_(std::move(value)), is_hex_(isHex) {}
  TPDObjectPtr Clone() const override;
  void Assign(const TPDBaseObject& source) override;
  bool IsHexString() const { return is_hex_; }
  const std::string& GetString() const { return value_; }
  void SetString(std::string value) { value_ = std::move(value); }
  // The string's bytes: the value of a literal, the decoded digits of a hex one.
  std::string GetBytes() const;

 private:
  std::string value_;
  bool is_hex_;
};

// A name without its solidus, escapes decoded.
class TPDName final : public TPDBaseObject {
 public:
  explicit TPDName(std::string value) : TPDBaseObject(otName), value_(std::move(value)) {}
  TPDName(std::string value, uint32_t objNumber, uint32_t genNumber)
      : TPDBaseObject(otName, objNumber, genNumber), value_(std::move(value)) {}
  TPDObjectPtr Clone() const override;
  void Assign(const TPDBaseObject& source) override;
  const std::string& Value() const { return value_; }

 private:
  std::string value_;
};

// A keyword, or one of the structural tokens "[", "]", "<<", ">>".
class TPDCommand final : public TPDBaseObject {
 public:
  explicit TPDCommand(std::string value) : TPDBaseObject(otCommand), value_(std::move(value)) {}
  TPDObjectPtr Clone() const override;
  void Assign(const TPDBaseObject& source) override;
  const std::string& Value() const { return value_; }

 private:
  std::string value_;
};

class TPDNull final : public TPDBaseObject {
 public:
  TPDNull() : TPDBaseObject(otNull) {}
  TPDNull(uint32_t objNumber, uint32_t genNumber) : TPDBaseObject(otNull, objNumber, genNumber) {}
  TPDObjectPtr Clone() const override { return std::make_unique<TPDNull>(); }
};

// The referenced object and generation numbers are the object's own numbers.
class TPDIndirectRef final : public TPDBaseObject {
 public:
  TPDIndirectRef(uint32_t objNumber, uint32_t genNumber)
      : TPDBaseObject(otIndirectRef, objNumber, genNumber) {}
  TPDObjectPtr Clone() const override;
};

class TPDEOF final : public TPDBaseObject {
 public:
  TPDEOF() : TPDBaseObject(otEOF) {}
  TPDObjectPtr Clone() const override { return std::make_unique<TPDEOF>(); }
};

class TPDError final : public TPDBaseObject {
 public:
  TPDError() : TPDBaseObject(otError) {}
  TPDObjectPtr Clone() const override { return std::make_unique<TPDError>(); }
};

// Resolves `object` through `document` when it is a reference; anything else
// is returned as it is. A reference without a document stays a reference.
TPDBaseObject* ResolveObject(TPDBaseObject* object, TPDObjectResolver* document);

using TPDRefList = std::vector<const TPDIndirectRef*>;

// The shared body of arrays.
struct TArray {
  TPDObjectResolver* parent_doc = nullptr;
  std::vector<TPDObjectPtr> elements;
};

class TPDArray final : public TPDBaseObject {
 public:
  explicit TPDArray(TPDObjectResolver* parentDoc = nullptr);
  TPDArray(TPDObjectResolver* parentDoc, uint32_t objNumber, uint32_t genNumber);
  explicit TPDArray(std::shared_ptr<TArray> body);
  TPDArray(std::shared_ptr<TArray> body, uint32_t objNumber, uint32_t genNumber);

  // Shares the body.
  TPDObjectPtr Clone() const override;
  // Copies the elements into a body of its own.
  void Assign(const TPDBaseObject& source) override;

  size_t GetLength() const { return body_->elements.size(); }
  // The element, a reference resolved through the document; nothing when out
  // of range or unresolvable.
  TPDBaseObject* Get(size_t index) const;
  TPDBaseObject* GetRefObj(size_t index) const;
  // Clones of those, or a new null.
  TPDObjectPtr GetClone(size_t index) const;
  TPDObjectPtr GetRefObjClone(size_t index) const;

  void Add(TPDObjectPtr element);
  // Index out of range: changes nothing (the element is freed) and returns false.
  bool Insert(TPDObjectPtr element, size_t index);
  bool SetValue(TPDObjectPtr element, size_t index);
  bool Remove(size_t index);

  void GetIndirectRefs(TPDRefList& list) const;
  TPDObjectResolver* GetParentDoc() const { return body_->parent_doc; }
  void SetParentDoc(TPDObjectResolver* document) { body_->parent_doc = document; }
  const std::shared_ptr<TArray>& Body() const { return body_; }

 private:
  std::shared_ptr<TArray> body_;
};

// The body of a dictionary: entries in the order of addition. Lookups are
// exact and case-sensitive; a duplicated key yields its first value.
struct TDict {
  TPDObjectResolver* parent_doc = nullptr;
  std::vector<std::pair<std::string, TPDObjectPtr>> entries;
};

class TPDDictionary final : public TPDBaseObject {
 public:
  explicit TPDDictionary(TPDObjectResolver* parentDoc = nullptr);
  TPDDictionary(uint32_t objNumber, uint32_t genNumber, TPDObjectResolver* parentDoc);
  explicit TPDDictionary(TDict body);
  TPDDictionary(uint32_t objNumber, uint32_t genNumber, TDict body);

  // A deep copy.
  TPDObjectPtr Clone() const override;
  void Assign(const TPDBaseObject& source) override;

  size_t GetLength() const { return body_.entries.size(); }
  TPDBaseObject* LookUp(std::string_view key) const;
  TPDBaseObject* LookupRefObj(std::string_view key) const;
  // Typed look-ups: the value of `key` (a reference resolved through the
  // dictionary's document) when it is of the kind asked for; otherwise
  // nothing, or `fallback`.
  TPDDictionary* GetDict(std::string_view key) const;
  TPDArray* GetArray(std::string_view key) const;
  TPDStream* GetStream(std::string_view key) const;
  std::optional<std::string_view> GetName(std::string_view key) const;
  using TPDBaseObject::GetNumber;
  double GetNumber(std::string_view key, double fallback) const;
  // An integer, or a real with an integral value within int64_t.
  int64_t GetInteger(std::string_view key, int64_t fallback) const;
  bool GetBoolean(std::string_view key, bool fallback) const;
  TPDObjectPtr LookUpClone(std::string_view key) const;
  TPDObjectPtr LookupRefObjClone(std::string_view key) const;
  // The entry at `index`: its key (empty when out of range) and its value.
  std::string_view GetKey(size_t index) const;
  TPDBaseObject* GetValue(size_t index) const;
  TPDBaseObject* GetValueRefObj(size_t index) const;

  // Adds an entry without checking for an existing key.
  void Add(std::string key, TPDObjectPtr value);
  // Adds under the name `key`; any other kind of key is ignored.
  void Add(const TPDBaseObject& key, TPDObjectPtr value);
  // Replaces the value of `key`, or adds it.
  void SetKeyValue(std::string_view key, TPDObjectPtr value);
  bool SetKey(size_t index, std::string key);
  bool SetValue(size_t index, TPDObjectPtr value);
  bool Remove(std::string_view key);

  void GetIndirectRefs(TPDRefList& list) const;
  TPDObjectResolver* GetParentDoc() const { return body_.parent_doc; }
  void SetParentDoc(TPDObjectResolver* document) { body_.parent_doc = document; }
  const TDict& Body() const { return body_; }

 private:
  TPDObjectPtr* Find(std::string_view key);
  const TPDObjectPtr* Find(std::string_view key) const;
  TDict body_;
};

// A stream object: its dictionary (owned) and its decoded data (shared).
class TPDStream final : public TPDBaseObject {
 public:
  explicit TPDStream(TPDObjectResolver* parentDoc = nullptr);
  TPDStream(std::shared_ptr<TStream> stream, std::unique_ptr<TPDDictionary> dict);
  TPDStream(std::shared_ptr<TStream> stream, std::unique_ptr<TPDDictionary> dict,
            uint32_t objNumber, uint32_t genNumber);

  // Shares the data stream; copies the dictionary.
  TPDObjectPtr Clone() const override;
  void Assign(const TPDBaseObject& source) override;

  TPDDictionary* GetDict() const { return dict_.get(); }
  void SetDict(std::unique_ptr<TPDDictionary> dict) { dict_ = std::move(dict); }
  TStream* GetStream() const { return stream_.get(); }
  const std::shared_ptr<TStream>& SharedStream() const { return stream_; }
  bool Isof(std::string_view dictType) const { return dict_ && dict_->IsDict(dictType); }
  TPDObjectResolver* GetParentDoc() const { return parent_doc_; }
  void SetParentDoc(TPDObjectResolver* document) { parent_doc_ = document; }

  // Restarts the decoding chain; any failure is reported as ExInvalidStream.
  void Reset();
  int GetChar() { return stream_ ? stream_->GetChar() : -1; }
  int LookChar() { return stream_ ? stream_->LookChar() : -1; }
  size_t Read(uint8_t* out, size_t size) { return stream_ ? stream_->Read(out, size) : 0; }
  size_t Read(std::string& buffer, size_t count);
  bool ReadLine(std::string& buffer, size_t count);
  int64_t GetPosition() const { return stream_ ? stream_->GetPosition() : 0; }
  void SetPosition(int64_t position, TSeekOrigin origin = soBeginning);
  int64_t GetStart() const;
  void MoveStart(int64_t delta);
  // A stream object over a new window of the data, when the data is a window.
  std::unique_ptr<TPDStream> MakeSubStream(int64_t start, uint32_t length, bool limited,
                                           std::unique_ptr<TPDDictionary> dict) const;
  void Close();

 private:
  std::shared_ptr<TStream> stream_;
  std::unique_ptr<TPDDictionary> dict_;
  TPDObjectResolver* parent_doc_ = nullptr;
};

}  // namespace qp::pdf
