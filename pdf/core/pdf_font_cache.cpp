#include "pdf/core/pdf_font_cache.h"

namespace qp::pdf {

namespace {

// What a font holds, roughly: its tables, and its program decoded (about
// twice the stored length).
size_t FontBytes(const TPDBaseObject* fontDict, TPDObjectResolver* document) {
  constexpr size_t kFontTables = size_t{32} << 10;
  size_t program = 0;
  if (!fontDict->IsDict()) return kFontTables;
  const auto* dict = static_cast<const TPDDictionary*>(fontDict);
  const TPDBaseObject* descriptor = ResolveObject(dict->LookupRefObj("FontDescriptor"), document);
  const TPDBaseObject* descendants = ResolveObject(dict->LookupRefObj("DescendantFonts"), document);
  if (!descriptor && descendants && descendants->IsArray()) {
    const auto* array = static_cast<const TPDArray*>(descendants);
    const TPDBaseObject* first =
        array->GetLength() > 0 ? ResolveObject(array->Get(0), document) : nullptr;
    if (first && first->IsDict()) {
      descriptor = ResolveObject(
          static_cast<const TPDDictionary*>(first)->LookupRefObj("FontDescriptor"), document);
    }
  }
  if (descriptor && descriptor->IsDict()) {
    for (const char* key : {"FontFile", "FontFile2", "FontFile3"}) {
      const TPDBaseObject* file =
          ResolveObject(static_cast<const TPDDictionary*>(descriptor)->LookupRefObj(key), document);
      if (!file || !file->IsStream()) continue;
      const TPDDictionary* fileDict = static_cast<const TPDStream*>(file)->GetDict();
      const TPDBaseObject* length =
          fileDict ? ResolveObject(fileDict->LookupRefObj("Length"), document) : nullptr;
      if (length && length->IsNumber() && length->GetNumber() > 0 &&
          length->GetNumber() < double(size_t{1} << 30)) {
        program = 2 * static_cast<size_t>(length->GetNumber());
      }
    }
  }
  return kFontTables + program;
}

}  // namespace

std::shared_ptr<TPDFont> TPDDocFontCache::MakeFont(const std::string& tag,
                                                   const TPDBaseObject* fontDict) {
  if (!shared_ || !shared_->Enabled()) return TPDFont::MakeFont(context_, tag, fontDict);
  const TPDResourceCache::Key key{fontDict, TPDResourceCache::Kind::kFont};
  if (std::shared_ptr<TPDFont> kept = shared_->Find<TPDFont>(key)) return kept;
  std::shared_ptr<TPDFont> font = TPDFont::MakeFont(context_, tag, fontDict);
  if (font) shared_->Keep(key, font, FontBytes(fontDict, context_.document));
  return font;
}

std::shared_ptr<TPDFont> TPDDocFontCache::GetFont(const std::string& tag,
                                                  const TPDBaseObject* fontDict) {
  if (!fontDict) return nullptr;
  auto [it, inserted] = fonts_.try_emplace(fontDict);
  if (inserted) it->second = MakeFont(tag, fontDict);
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
