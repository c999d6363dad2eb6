#pragma once
// The engine's document: loads a file through TPDBaseDoc, checks the catalog,
// reads the version, and gives the page tree.

#include <cstdint>
#include <memory>
#include <string>

#include "pdf/core/pdf_base_doc.h"
#include "pdf/core/pdf_page_tree.h"
#include "pdf/core/pdf_resource_cache.h"

namespace qp::pdf {

enum TPDVersion { v10, v11, v12, v13, v14, v15, v16, v17 };

class TPDDocument {
 public:
  TPDDocument();
  ~TPDDocument();

  // Loads the named file. With `doRepair`, a damaged cross-reference or
  // catalog is rebuilt by scanning the file, at load or when an object later
  // turns out not to be where the table says. A wrong
  // password raises ExPasswordRequired; other failures as TPDBaseDoc, and
  // ExBadRootObj or ExNoPageTreeObj for a missing catalog or page tree.
  void LoadDocument(const std::string& fileName, bool doRepair = false);
  // Loads from bytes in memory.
  void LoadDocumentFromBytes(std::string bytes, bool doRepair = false);
  void Unload();
  bool IsLoaded() const { return base_doc_ != nullptr && catalog_ != nullptr; }

  void SetPassword(std::string password) { password_ = std::move(password); }
  const std::string& GetPassword() const { return password_; }
  bool IsEncrypted() const { return is_encrypted_; }
  int32_t GetPermissions() const { return permissions_; }
  bool WasRepaired() const { return base_doc_ && base_doc_->WasRepaired(); }
  TPDVersion GetVersion() const { return version_; }
  const std::string& GetFileName() const { return file_name_; }

  // 0 when nothing is loaded.
  int32_t GetPageCount();
  TPDPageTree* GetPageTree();
  TPDBaseDoc* GetBaseDoc() const { return base_doc_.get(); }
  TPDCatalog* GetCatalog() const { return catalog_.get(); }

  // The folder of external CMap files; empty unless set.
  const std::string& GetCMapPath() const { return cmap_path_; }
  void SetCMapPath(std::string path) { cmap_path_ = std::move(path); }

  // Anti-aliased paths rasterised with 4 x 4 samples per pixel instead of
  // Cairo's finer default, for rasters that are reduced to a few colours.
  bool FastAntiAliasing() const { return fast_anti_aliasing_; }
  void SetFastAntiAliasing(bool fast) { fast_anti_aliasing_ = fast; }
  // The targets that pages are drawn onto are white already (fresh
  // rasters), so the page is not painted white first.
  bool TargetsWhite() const { return targets_white_; }
  void SetTargetsWhite(bool white) { targets_white_ = white; }

  // Fonts, colour spaces and images made from this document's objects,
  // shared by the pages rendered from it; emptied when it is unloaded. Not
  // locked: a document is used by one thread at a time (each build worker
  // has its own).
  TPDResourceCache& ResourceCache() { return resource_cache_; }

 private:
  template <typename LoadBase>
  void Load(LoadBase&& loadBase, bool doRepair);

  std::unique_ptr<TPDBaseDoc> base_doc_;
  std::unique_ptr<TPDCatalog> catalog_;
  TPDVersion version_ = v14;
  std::string file_name_;
  std::string password_;
  bool fast_anti_aliasing_ = false;
  bool targets_white_ = false;
  std::string cmap_path_;
  bool is_encrypted_ = false;
  int32_t permissions_ = 0;
  // Last: its values may point into the objects above, so it goes first.
  TPDResourceCache resource_cache_;
};

}  // namespace qp::pdf
