#pragma once
// The installed fonts, by family, for PDF fonts that embed no font program.
//
// The list is built once per process, on first use, from fontconfig: every
// installed outline family, plus the Windows family names that PDF files
// name most (Arial, Times New Roman, Courier New, Symbol, Arial Unicode MS,
// Arial Narrow), which fontconfig's substitution resolves to the
// metric-compatible Liberation fonts, URW's Standard Symbols PS, DejaVu Sans
// and URW's Nimbus Sans Narrow. A key is the
// family name without blanks ("TimesNewRoman"); lookups ignore letter case.

#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>

// fontconfig's configuration handle.
struct _FcConfig;

namespace qp::pdf {

// One installed face: the file FreeType opens, and what it is.
struct TSystemFontFace {
  std::string family;  // the installed family, e.g. "Liberation Sans"
  std::string style;   // e.g. "Bold Italic"
  std::string filePath;
  int faceIndex = 0;
  bool bold = false;    // the face itself is bold (fontconfig may offer a regular
  bool italic = false;  // face for a bold request when the family has none)
};

// A PDF font name made into a family key: blanks, ",", "+" and "-" removed,
// then the first "PS" and the first "MT" (case-sensitive), then the first
// "Bold" and the first "Italic" (any case), which set the style marks.
// "TimesNewRomanPS-BoldItalicMT" gives "TimesNewRoman", bold and italic.
struct TCleanedFontName {
  std::string name;
  bool bold = false;
  bool italic = false;
};
TCleanedFontName CleanFontName(std::string_view name);

// The key of a family name: the name without blanks.
std::string FontListKey(std::string_view familyName);

class TSystemFontList {
 public:
  // The process's list, built on first use.
  static const TSystemFontList& Instance();

  // Number of keys.
  size_t Size() const { return families_.size(); }

  // The family name stored under a key (compared ignoring case), or nullptr.
  const std::string* FindFamily(std::string_view key) const;

  // The installed face for a key with bold and italic marks; nothing when the
  // key is not in the list or fontconfig finds no file for it.
  std::optional<TSystemFontFace> FindFace(std::string_view key, bool bold, bool italic) const;

  // The face for a PDF font without a font program: the name itself as a key
  // (style from the font's own marks), else the cleaned name (style also from
  // the marks in the name). Nothing when neither is in the list: the caller
  // then takes Fallback().
  std::optional<TSystemFontFace> ResolveFontName(std::string_view pdfFontName, bool bold,
                                                 bool italic) const;

  // The face of URW's base 35 fonts that draws a standard 14 font (e.g.
  // "Courier-Bold" gives Nimbus Mono PS Bold): the same design and metrics.
  // Nothing for another name or when the URW family is not installed.
  std::optional<TSystemFontFace> StandardFontFace(std::string_view standardName) const;

  // An installed face that draws Chinese, Japanese and Korean text (WenQuanYi
  // Zen Hei, else Noto Sans CJK); nothing when none is installed.
  std::optional<TSystemFontFace> CJKFace() const;

  // The wide-coverage fallback that stands in for "Arial Unicode MS".
  std::optional<TSystemFontFace> Fallback(bool bold, bool italic) const;

 private:
  TSystemFontList();
  ~TSystemFontList();
  TSystemFontList(const TSystemFontList&) = delete;
  TSystemFontList& operator=(const TSystemFontList&) = delete;
  std::optional<TSystemFontFace> MatchFace(const std::string& family, bool bold, bool italic) const;

  _FcConfig* config_ = nullptr;
  // Lower-case key -> family name.
  std::unordered_map<std::string, std::string> families_;

  // Faces found so far, by family and style: a fontconfig match costs far
  // more than a lookup, and a page asks for the same few fonts again and again.
  mutable std::mutex cacheMutex_;
  mutable std::map<std::tuple<std::string, bool, bool>, std::optional<TSystemFontFace>> faces_;
};

}  // namespace qp::pdf
