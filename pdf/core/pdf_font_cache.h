#pragma once
// Fonts made once: a cache keyed by font dictionary, so a font dictionary
// shared by several pages or forms becomes one font object, and the font list
// of one resource dictionary, created at its first lookup.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "pdf/core/pdf_font.h"
#include "pdf/core/pdf_resource_cache.h"

namespace qp::pdf {

class TPDDocFontCache {
 public:
  // With `shared` (the document's cache, borrowed), fonts are also looked up
  // there and kept there for the document's other pages; the fonts this
  // cache has handed out stay with it whatever the shared one evicts.
  explicit TPDDocFontCache(TPDFontContext context, TPDResourceCache* shared = nullptr)
      : context_(std::move(context)), shared_(shared) {}

  // The font of `fontDict` (made on the first request, tagged `tag`), or
  // nullptr when the dictionary makes no font. Dictionaries are the
  // document's objects and must outlive the cache.
  std::shared_ptr<TPDFont> GetFont(const std::string& tag, const TPDBaseObject* fontDict);
  size_t Size() const { return fonts_.size(); }
  const TPDFontContext& Context() const { return context_; }
  TPDResourceCache* Shared() const { return shared_; }

 private:
  std::shared_ptr<TPDFont> MakeFont(const std::string& tag, const TPDBaseObject* fontDict);

  TPDFontContext context_;
  TPDResourceCache* shared_;
  std::unordered_map<const TPDBaseObject*, std::shared_ptr<TPDFont>> fonts_;
};

class TPDResourceFonts {
 public:
  // Borrows both; `resourceDict` may be nullptr (no fonts).
  TPDResourceFonts(const TPDDictionary* resourceDict, TPDDocFontCache& cache)
      : resource_dict_(resourceDict), cache_(cache) {}

  // The font under `tag` in the resource's Font dictionary, or nullptr. All
  // fonts of that dictionary are made, in order, at the first lookup.
  TPDFont* FindFont(std::string_view tag);
  // Fonts made so far, with the tags they are found under.
  const std::vector<std::pair<std::string, std::shared_ptr<TPDFont>>>& Fonts() {
    Load();
    return fonts_;
  }

 private:
  void Load();

  const TPDDictionary* resource_dict_;
  TPDDocFontCache& cache_;
  bool loaded_ = false;
  std::vector<std::pair<std::string, std::shared_ptr<TPDFont>>> fonts_;
};

}  // namespace qp::pdf
