#include "pdf/core/pdf_font_cache.h"

namespace qp::pdf {

std::shared_ptr<TPDFont> TPDDocFontCache::GetFont(const std::string& tag,
                                                  const TPDBaseObject* fontDict) {
  if (!fontDict) return nullptr;
  auto [it, inserted] = fonts_.try_emplace(fontDict);
  if (inserted) it->second = TPDFont::MakeFont(context_, tag, fontDict);
  return it->second;
}

void TPDResourceFonts::Load() {
  if (loaded_) return;
  loaded_ = true;
  if (!resource_dict_) return;
  TPDObjectResolver* document =
      cache_.Context().document ? cache_.Context().document : resource_dict_->GetParentDoc();
  const TPDBaseObject* fonts = ResolveObject(resource_dict_->LookupRefObj("Font"), document);
  if (!fonts || !fonts->IsDict()) return;
  const TPDDictionary* dict = static_cast<const TPDDictionary*>(fonts);
  for (size_t i = 0; i < dict->GetLength(); ++i) {
    const std::string tag(dict->GetKey(i));
    const TPDBaseObject* fontDict = ResolveObject(dict->GetValueRefObj(i), document);
    if (std::shared_ptr<TPDFont> font = cache_.GetFont(tag, fontDict)) {
      fonts_.emplace_back(tag, std::move(font));
    }
  }
}

TPDFont* TPDResourceFonts::FindFont(std::string_view tag) {
  Load();
  for (const auto& [fontTag, font] : fonts_) {
    if (fontTag == tag) return font.get();
  }
  return nullptr;
}

}  // namespace qp::pdf
