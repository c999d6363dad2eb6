#include "pdf/core/pdf_document.h"

#include "pdf/core/pdf_errors.h"

namespace qp::pdf {

TPDDocument::TPDDocument() = default;
TPDDocument::~TPDDocument() {
  resource_cache_.Clear();
  catalog_.reset();
  base_doc_.reset();
}

void TPDDocument::Unload() {
  resource_cache_.Clear();
  catalog_.reset();
  base_doc_.reset();
  is_encrypted_ = false;
  permissions_ = 0;
}

template <typename LoadBase>
void TPDDocument::Load(LoadBase&& loadBase, bool doRepair) {
  Unload();
  auto base = std::make_unique<TPDBaseDoc>();
  base->SetRepairAllowed(doRepair);
  try {
    loadBase(*base);
  } catch (const ExInvalidPassword&) {
    throw ExPasswordRequired();
  }
  TPDDictionary* root = base->GetDocRoot();
  if ((root == nullptr || root->LookUp("Pages") == nullptr) && base->Repair()) {
    root = base->GetDocRoot();
  }
  if (root == nullptr) throw ExBadRootObj();
  if (root->LookUp("Pages") == nullptr) throw ExNoPageTreeObj();
  is_encrypted_ = base->GetIsEncrypted();
  permissions_ = base->GetPermissions();
  // The minor version digit of "%PDF-1.x" stands at offset 7.
  std::string header;
  if (auto window = base->GetFileStream()->MakeSubStream(7, 1, true)) window->Read(header, 1);
  if (header.size() == 1 && header[0] >= '0' && header[0] <= '7') {
    version_ = static_cast<TPDVersion>(header[0] - '0');
  }
  catalog_ = std::make_unique<TPDCatalog>(root, base->GetXRef()->GetSize());
  base_doc_ = std::move(base);
}

void TPDDocument::LoadDocument(const std::string& fileName, bool doRepair) {
  Load([&](TPDBaseDoc& base) { base.LoadDocument(fileName, password_); }, doRepair);
  file_name_ = fileName;
}

void TPDDocument::LoadDocumentFromBytes(std::string bytes, bool doRepair) {
  Load([&](TPDBaseDoc& base) { base.LoadDocumentFromBytes(std::move(bytes), password_); },
       doRepair);
  file_name_.clear();
}

int32_t TPDDocument::GetPageCount() {
  TPDPageTree* tree = GetPageTree();
  return tree != nullptr ? tree->GetCount() : 0;
}

TPDPageTree* TPDDocument::GetPageTree() {
  return catalog_ ? &catalog_->GetPageTree() : nullptr;
}

}  // namespace qp::pdf
