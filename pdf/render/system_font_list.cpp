#include "pdf/render/system_font_list.h"

#include <fontconfig/fontconfig.h>

#include <memory>

namespace qp::pdf {

namespace {

// Windows families that PDF files name without embedding them. Each is in the
// list whatever is installed; fontconfig's substitution picks the face. The
// wide-coverage stand-in names its preferred substitute, because fontconfig
// knows no alias for it and would otherwise take the default sans face.
struct WindowsFamily {
  const char* family;
  const char* preferredSubstitute;
};
constexpr WindowsFamily kWindowsFamilies[] = {
    {"Arial", nullptr},
    {"Times New Roman", nullptr},
    {"Courier New", nullptr},
    {"Symbol", nullptr},
    {"Arial Unicode MS", "DejaVu Sans"},
    {"Arial Narrow", "Nimbus Sans Narrow"},
};
constexpr std::string_view kFallbackKey = "ArialUnicodeMS";

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// Removes the first occurrence of `word`, ignoring case; true when found.
bool RemoveFirstIgnoringCase(std::string& name, std::string_view word) {
  const size_t at = LowerAscii(name).find(LowerAscii(word));
  if (at == std::string::npos) return false;
  name.erase(at, word.size());
  return true;
}

void RemoveFirst(std::string& name, std::string_view word) {
  const size_t at = name.find(word);
  if (at != std::string::npos) name.erase(at, word.size());
}

// "ABCDEF+": the tag of a subset, which says nothing about the family.
bool HasSubsetTag(std::string_view name) {
  if (name.size() < 7 || name[6] != '+') return false;
  for (size_t i = 0; i < 6; ++i) {
    if (name[i] < 'A' || name[i] > 'Z') return false;
  }
  return true;
}

std::string PatternString(FcPattern* pattern, const char* object) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || !value) return {};
  return reinterpret_cast<const char*>(value);
}

}  // namespace

std::string FontListKey(std::string_view familyName) {
  std::string key;
  key.reserve(familyName.size());
  for (char c : familyName) {
    if (c != ' ') key += c;
  }
  return key;
}

TCleanedFontName CleanFontName(std::string_view name) {
  if (HasSubsetTag(name)) name.remove_prefix(7);
  TCleanedFontName cleaned;
  for (char c : name) {
    if (c != ' ' && c != ',' && c != '+' && c != '-') cleaned.name += c;
  }
  RemoveFirst(cleaned.name, "PS");
  RemoveFirst(cleaned.name, "MT");
  cleaned.bold = RemoveFirstIgnoringCase(cleaned.name, "Bold");
  cleaned.italic = RemoveFirstIgnoringCase(cleaned.name, "Italic");
  return cleaned;
}

const TSystemFontList& TSystemFontList::Instance() {
  static const TSystemFontList list;
  return list;
}

// The list has its own fontconfig configuration, released at exit, rather
// than the library's process-wide one, which is never released.
TSystemFontList::TSystemFontList() : config_(FcInitLoadConfigAndFonts()) {
  if (config_) {
    PatternPtr pattern(FcPatternCreate());
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
    FcFontSet* fonts = objects ? FcFontList(config_, pattern.get(), objects) : nullptr;
    if (objects) FcObjectSetDestroy(objects);
    for (int i = 0; fonts && i < fonts->nfont; ++i) {
      FcChar8* family = nullptr;
      for (int n = 0; FcPatternGetString(fonts->fonts[i], FC_FAMILY, n, &family) == FcResultMatch;
           ++n) {
        const std::string name = reinterpret_cast<const char*>(family);
        const std::string key = LowerAscii(FontListKey(name));
        if (!key.empty()) families_.emplace(key, name);
      }
    }
    if (fonts) FcFontSetDestroy(fonts);
  }
  for (const WindowsFamily& windows : kWindowsFamilies) {
    families_.emplace(LowerAscii(FontListKey(windows.family)), windows.family);
  }
}

TSystemFontList::~TSystemFontList() {
  if (config_) FcConfigDestroy(config_);
}

const std::string* TSystemFontList::FindFamily(std::string_view key) const {
  auto it = families_.find(LowerAscii(key));
  return it == families_.end() ? nullptr : &it->second;
}

std::optional<TSystemFontFace> TSystemFontList::FindFace(std::string_view key, bool bold,
                                                         bool italic) const {
  const std::string* family = FindFamily(key);
  if (!family) return std::nullopt;
  std::lock_guard lock(cacheMutex_);
  auto cacheKey = std::make_tuple(*family, bold, italic);
  if (auto it = faces_.find(cacheKey); it != faces_.end()) return it->second;
  auto face = MatchFace(*family, bold, italic);
  faces_.emplace(std::move(cacheKey), face);
  return face;
}

std::optional<TSystemFontFace> TSystemFontList::MatchFace(const std::string& family, bool bold,
                                                          bool italic) const {
  if (!config_) return std::nullopt;
  PatternPtr pattern(FcPatternCreate());
  if (!pattern) return std::nullopt;
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  for (const WindowsFamily& windows : kWindowsFamilies) {
    if (windows.preferredSubstitute && family == windows.family) {
      FcPatternAddString(pattern.get(), FC_FAMILY,
                         reinterpret_cast<const FcChar8*>(windows.preferredSubstitute));
    }
  }
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  if (!FcConfigSubstitute(config_, pattern.get(), FcMatchPattern)) return std::nullopt;
  FcDefaultSubstitute(pattern.get());

  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(config_, pattern.get(), &result));
  if (!match) return std::nullopt;
  TSystemFontFace face;
  face.filePath = PatternString(match.get(), FC_FILE);
  if (face.filePath.empty()) return std::nullopt;
  face.family = PatternString(match.get(), FC_FAMILY);
  face.style = PatternString(match.get(), FC_STYLE);
  int value = 0;
  if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &value) == FcResultMatch) {
    face.faceIndex = value;  // the upper 16 bits name an instance of a variable font
  }
  if (FcPatternGetInteger(match.get(), FC_WEIGHT, 0, &value) == FcResultMatch) {
    face.bold = value >= FC_WEIGHT_DEMIBOLD;
  }
  if (FcPatternGetInteger(match.get(), FC_SLANT, 0, &value) == FcResultMatch) {
    face.italic = value != FC_SLANT_ROMAN;
  }
  return face;
}

std::optional<TSystemFontFace> TSystemFontList::ResolveFontName(std::string_view pdfFontName,
                                                                bool bold, bool italic) const {
  if (FindFamily(pdfFontName)) return FindFace(pdfFontName, bold, italic);
  const TCleanedFontName cleaned = CleanFontName(pdfFontName);
  if (!FindFamily(cleaned.name)) return std::nullopt;
  return FindFace(cleaned.name, bold || cleaned.bold, italic || cleaned.italic);
}

std::optional<TSystemFontFace> TSystemFontList::StandardFontFace(
    std::string_view standardName) const {
  struct StandardFamily {
    std::string_view prefix;
    std::string_view urwFamily;
  };
  static constexpr StandardFamily kFamilies[] = {
      {"Helvetica", "NimbusSans"},     {"Times", "NimbusRoman"},     {"Courier", "NimbusMonoPS"},
      {"Symbol", "StandardSymbolsPS"}, {"ZapfDingbats", "D050000L"},
  };
  for (const StandardFamily& family : kFamilies) {
    if (!standardName.starts_with(family.prefix) || !FindFamily(family.urwFamily)) continue;
    const std::string_view style = standardName.substr(family.prefix.size());
    const bool bold = style.find("Bold") != std::string_view::npos;
    const bool italic = style.find("Italic") != std::string_view::npos ||
                        style.find("Oblique") != std::string_view::npos;
    std::optional<TSystemFontFace> face = FindFace(family.urwFamily, bold, italic);
    // fontconfig may answer another family for a missing style.
    if (face && FontListKey(face->family) == family.urwFamily) return face;
    return std::nullopt;
  }
  return std::nullopt;
}

std::optional<TSystemFontFace> TSystemFontList::CJKFace() const {
  for (const std::string_view key : {"WenQuanYiZenHei", "NotoSansCJKJP", "NotoSansCJKSC"}) {
    if (std::optional<TSystemFontFace> face = FindFace(key, false, false)) return face;
  }
  return std::nullopt;
}

std::optional<TSystemFontFace> TSystemFontList::Fallback(bool bold, bool italic) const {
  return FindFace(kFallbackKey, bold, italic);
}

}  // namespace qp::pdf
