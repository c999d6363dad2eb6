#pragma once
// A loaded PDF file: the file window, the cross-reference table, the
// encryption state and the cache of fetched objects. Objects are parsed on
// demand and owned here until the document is unloaded.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/core/pdf_collection.h"
#include "pdf/core/pdf_file_stream.h"
#include "pdf/core/pdf_filter_manager.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_security.h"
#include "pdf/core/pdf_xref.h"

namespace qp::pdf {

class TPDBaseDoc final : public TPDObjectResolver {
 public:
  // Fetches nested deeper than this (a /Length that sits in an object stream
  // whose /Length sits in another ...) yield nothing.
  static constexpr int kMaxFetchDepth = 32;

  TPDBaseDoc();
  ~TPDBaseDoc() override;

  // Loads from an open file, which the document then owns. Raises the load
  // failures (ExInvalidPDFFile, ExStartXrefNotFound,
  // ExImproperCrossRefTableOrStream, ExUnsupportedEncryption,
  // ExInvalidPassword).
  void LoadDocument(std::unique_ptr<TPlatformFile> file, const std::string& password);
  // Loads from bytes in memory, which the document then owns.
  void LoadDocumentFromBytes(std::string bytes, const std::string& password);
  // Raises ExFileNotFound or ExFileOpenError before loading.
  void LoadDocument(const std::string& fileName, const std::string& password);

  // Whether a damaged cross-reference may be rebuilt by scanning the file
  // (off by default); set before loading.
  void SetRepairAllowed(bool allowed) { repair_allowed_ = allowed; }
  // Whether the cross-reference was rebuilt, at load or since.
  bool WasRepaired() const { return repaired_; }
  // Rebuilds the cross-reference once, after loading, when an object is not
  // where the table says or the catalog is unusable. False when repair is not
  // allowed, was done already, or found nothing.
  bool Repair();

  // The cached object, fetched on first use; nothing when it cannot be read.
  // A failing fetch of an object that the table lists repairs the file once
  // and tries again.
  TPDBaseObject* GetObject(uint32_t objNumber) override;

  // The trailer's /Root resolved, when it is a dictionary.
  TPDDictionary* GetDocRoot();
  TPDDictionary* GetEncrypt();
  TPDDictionary* GetDocInfo();
  // The copy of the trailer (with /Info added when the file has none).
  TPDDictionary* GetTrailer() const { return trailer_.get(); }
  bool GetIsEncrypted() const { return security_ != nullptr; }
  bool GetIsOwner() const { return security_ && security_->IsOwner(); }
  int32_t GetPermissions() const { return security_ ? security_->Permissions() : 0; }
  const std::string& GetPassword() const { return password_; }
  TPDXRef* GetXRef() const { return xref_.get(); }
  TBaseStream* GetFileStream() const { return window_.get(); }
  int64_t GetFileSize() const;
  // How many objects, and stream objects, have been fetched and are held.
  size_t FetchedObjects() const { return collection_ ? collection_->Count() : 0; }
  size_t FetchedStreams() const { return collection_ ? collection_->Streams() : 0; }
  TPDFilterManager& Filters() { return filters_; }

 private:
  void Load(const std::string& password);
  // Whether the trailer's `key`, when a reference, leads to its header.
  bool RefInPlace(std::string_view key) const;
  void AdoptTrailer();
  // The part of a rebuild that needs decryption set up.
  void FinishRebuild();
  void CreateDocInfo();

  std::unique_ptr<TPlatformFile> file_;
  std::unique_ptr<TBaseStream> window_;
  TPDFilterManager filters_;
  std::unique_ptr<TPDXRef> xref_;
  std::unique_ptr<TPDSecurity> security_;
  std::unique_ptr<TPDCollection> collection_;
  std::unique_ptr<TPDDictionary> trailer_;
  // Object numbers that failed once, and those being fetched right now (a
  // /Length that leads back to its own object).
  std::vector<bool> failed_;
  std::vector<uint32_t> fetching_;
  std::string password_;
  uint32_t encrypt_num_ = 0;
  uint32_t doc_info_num_ = 0;
  bool repair_allowed_ = false;
  bool repair_tried_ = false;
  bool repaired_ = false;
  bool loaded_ = false;
};

}  // namespace qp::pdf
