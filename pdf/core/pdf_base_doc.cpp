#include "pdf/core/pdf_base_doc.h"

#include <algorithm>
#include <exception>
#include <filesystem>

#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_memory_stream.h"

namespace qp::pdf {

TPDBaseDoc::TPDBaseDoc() = default;
TPDBaseDoc::~TPDBaseDoc() {
  // Cached objects may hold windows on the file: drop them first.
  collection_.reset();
  xref_.reset();
}

void TPDBaseDoc::LoadDocument(const std::string& fileName, const std::string& password) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(fileName, error)) throw ExFileNotFound();
  std::unique_ptr<TPlatformFile> file = TPlatformFile::Open(fileName);
  if (!file) throw ExFileOpenError();
  LoadDocument(std::move(file), password);
}

void TPDBaseDoc::LoadDocument(std::unique_ptr<TPlatformFile> file, const std::string& password) {
  file_ = std::move(file);
  window_ = std::make_unique<TFileStream>(*file_, 0, 0, false);
  Load(password);
}

void TPDBaseDoc::LoadDocumentFromBytes(std::string bytes, const std::string& password) {
  file_.reset();
  window_ = std::make_unique<TMemoryStream>(std::move(bytes));
  Load(password);
}

int64_t TPDBaseDoc::GetFileSize() const {
  return window_ ? window_->GetSize() : 0;
}

void TPDBaseDoc::Load(const std::string& password) {
  TPDParserContext context;
  context.document = this;
  context.filters = &filters_;
  xref_ = std::make_unique<TPDXRef>(*window_, context);
  bool usable = false;
  std::exception_ptr failure;
  try {
    usable = xref_->GenerateTable() && RefInPlace("Root") && RefInPlace("Encrypt");
  } catch (const EPDFEngineError&) {
    if (!repair_allowed_) throw;
    failure = std::current_exception();
  }
  if (!usable && repair_allowed_) {
    repair_tried_ = true;
    repaired_ = xref_->Rebuild();
    if (!repaired_ && failure) std::rethrow_exception(failure);
  }
  collection_ = std::make_unique<TPDCollection>(this, xref_->GetSize());
  failed_.assign(xref_->GetSize(), false);
  AdoptTrailer();

  const TPDBaseObject* encryptRef = trailer_->LookupRefObj("Encrypt");
  if (encryptRef != nullptr && encryptRef->IsIndirectRef()) {
    encrypt_num_ = encryptRef->GetObjNumber();
  }
  const TPDDictionary* encrypt = GetEncrypt();
  if (encrypt == nullptr && encryptRef != nullptr && !encryptRef->IsNull()) {
    // An /Encrypt entry that does not lead to a dictionary names nothing the
    // handler can read.
    throw ExUnsupportedEncryption();
  }
  if (encrypt != nullptr) {
    security_ = std::make_unique<TPDSecurity>(*encrypt, trailer_->LookUp("ID"), password);
    password_ = password;
    xref_->SetDecryptor(security_.get());
  }
  if (repaired_) FinishRebuild();
  CreateDocInfo();
  loaded_ = true;
}

bool TPDBaseDoc::RefInPlace(std::string_view key) const {
  const TPDDictionary* trailer = xref_->GetTrailorDict();
  const TPDBaseObject* value = trailer != nullptr ? trailer->LookupRefObj(key) : nullptr;
  return value == nullptr || !value->IsIndirectRef() || xref_->HeaderInPlace(value->GetObjNumber());
}

void TPDBaseDoc::AdoptTrailer() {
  TPDObjectPtr trailerCopy = xref_->GetTrailorDict()->Clone();
  trailer_.reset(static_cast<TPDDictionary*>(trailerCopy.release()));
  trailer_->SetParentDoc(this);
}

void TPDBaseDoc::FinishRebuild() {
  xref_->ExpandObjectStreams();
  failed_.assign(xref_->GetSize(), false);
  // The object streams may have given the catalog.
  if (GetDocRoot() == nullptr) {
    if (const TPDBaseObject* root = xref_->GetTrailorDict()->LookupRefObj("Root")) {
      trailer_->SetKeyValue("Root", root->Clone());
    }
  }
}

bool TPDBaseDoc::Repair() {
  if (!repair_allowed_ || repair_tried_ || !loaded_) return false;
  repair_tried_ = true;
  if (!xref_->Rebuild()) return false;
  repaired_ = true;
  FinishRebuild();
  const TPDDictionary* root = GetDocRoot();
  if (root == nullptr || root->LookUp("Pages") == nullptr) {
    if (const TPDBaseObject* found = xref_->GetTrailorDict()->LookupRefObj("Root")) {
      trailer_->SetKeyValue("Root", found->Clone());
      failed_.assign(xref_->GetSize(), false);
    }
  }
  return true;
}

void TPDBaseDoc::CreateDocInfo() {
  const TPDBaseObject* info = trailer_->LookupRefObj("Info");
  if (info != nullptr && info->IsIndirectRef()) {
    doc_info_num_ = info->GetObjNumber();
    return;
  }
  if (info != nullptr && !info->IsNull()) return;
  // No information dictionary: one is made in memory under the next free
  // object number, so that callers always find one.
  doc_info_num_ = static_cast<uint32_t>(xref_->GetSize());
  auto dict = std::make_unique<TPDDictionary>(doc_info_num_, 0, this);
  dict->Add("Producer", std::make_unique<TPDString>("Quarrin Plates PDF engine", false));
  collection_->Add(std::move(dict));
  trailer_->SetKeyValue("Info", std::make_unique<TPDIndirectRef>(doc_info_num_, 0));
}

TPDBaseObject* TPDBaseDoc::GetObject(uint32_t objNumber) {
  if (!collection_) return nullptr;
  if (TPDBaseObject* cached = collection_->GetObject(objNumber)) return cached;
  if (objNumber >= failed_.size() || failed_[objNumber]) return nullptr;
  if (fetching_.size() >= kMaxFetchDepth ||
      std::find(fetching_.begin(), fetching_.end(), objNumber) != fetching_.end()) {
    return nullptr;
  }
  fetching_.push_back(objNumber);
  TPDObjectPtr object;
  try {
    object = xref_->Fetch(objNumber);
  } catch (...) {
    fetching_.pop_back();
    throw;
  }
  fetching_.pop_back();
  if ((!object || object->IsError()) && fetching_.empty() && !xref_->IsEntryFree(objNumber) &&
      Repair()) {
    // The object is not where the table says: the table was rebuilt, and
    // this is the one retry.
    return GetObject(objNumber);
  }
  if (!object || object->IsError()) {
    // Failing inside a nested fetch may be only the guard speaking: remember
    // failures of outermost fetches alone.
    if (fetching_.empty()) failed_[objNumber] = true;
    return nullptr;
  }
  TPDBaseObject* result = object.get();
  collection_->Add(std::move(object));
  return result;
}

TPDDictionary* TPDBaseDoc::GetDocRoot() {
  return trailer_ ? trailer_->GetDict("Root") : nullptr;
}

TPDDictionary* TPDBaseDoc::GetEncrypt() {
  return trailer_ ? trailer_->GetDict("Encrypt") : nullptr;
}

TPDDictionary* TPDBaseDoc::GetDocInfo() {
  return trailer_ ? trailer_->GetDict("Info") : nullptr;
}

}  // namespace qp::pdf
