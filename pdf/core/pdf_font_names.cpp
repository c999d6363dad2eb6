#include "pdf/core/pdf_font_names.h"

#include <array>

namespace qp::pdf {
namespace {

constexpr std::array<TFontAlias, 49> kAliases = {{
    {"Arial", "Helvetica"},
    {"Arial,Bold", "Helvetica-Bold"},
    {"Arial,BoldItalic", "Helvetica-BoldOblique"},
    {"Arial,Italic", "Helvetica-Oblique"},
    {"Arial-Bold", "Helvetica-Bold"},
    {"Arial-BoldItalic", "Helvetica-BoldOblique"},
    {"Arial-BoldItalicMT", "Helvetica-BoldOblique"},
    {"Arial-BoldMT", "Helvetica-Bold"},
    {"Arial-Italic", "Helvetica-Oblique"},
    {"Arial-ItalicMT", "Helvetica-Oblique"},
    {"Helvetica-Compressed", "Helvetica"},
    {"ArialMT", "Helvetica"},
    {"CourierNew", "Courier"},
    {"CourierNew,Bold", "Courier-Bold"},
    {"CourierNew,BoldItalic", "Courier-BoldOblique"},
    {"CourierNew,Italic", "Courier-Oblique"},
    {"CourierNew-Bold", "Courier-Bold"},
    {"CourierNew-BoldItalic", "Courier-BoldOblique"},
    {"CourierNew-Italic", "Courier-Oblique"},
    {"CourierNewPS-BoldItalicMT", "Courier-BoldOblique"},
    {"CourierNewPS-BoldMT", "Courier-Bold"},
    {"CourierNewPS-ItalicMT", "Courier-Oblique"},
    {"CourierNewPSMT", "Courier"},
    {"Helvetica,Bold", "Helvetica-Bold"},
    {"Helvetica,BoldItalic", "Helvetica-BoldOblique"},
    {"Helvetica,Italic", "Helvetica-Oblique"},
    {"Helvetica-BoldItalic", "Helvetica-BoldOblique"},
    {"Helvetica-Italic", "Helvetica-Oblique"},
    {"Symbol,Bold", "Symbol"},
    {"Symbol,BoldItalic", "Symbol"},
    {"Symbol,Italic", "Symbol"},
    {"TimesNewRoman", "Times-Roman"},
    {"TimesNewRoman,Bold", "Times-Bold"},
    {"TimesNewRoman,BoldItalic", "Times-BoldItalic"},
    {"TimesNewRoman,Italic", "Times-Italic"},
    {"TimesNewRoman-Bold", "Times-Bold"},
    {"TimesNewRoman-BoldItalic", "Times-BoldItalic"},
    {"TimesNewRoman-Italic", "Times-Italic"},
    {"TimesNewRomanPS", "Times-Roman"},
    {"TimesNewRomanPS-Bold", "Times-Bold"},
    {"TimesNewRomanPS-BoldItalic", "Times-BoldItalic"},
    {"TimesNewRomanPS-BoldItalicMT", "Times-BoldItalic"},
    {"TimesNewRomanPS-BoldMT", "Times-Bold"},
    {"TimesNewRomanPS-Italic", "Times-Italic"},
    {"TimesNewRomanPS-ItalicMT", "Times-Italic"},
    {"TimesNewRomanPSMT", "Times-Roman"},
    {"TimesNewRomanPSMT,Bold", "Times-Bold"},
    {"TimesNewRomanPSMT,BoldItalic", "Times-BoldItalic"},
    {"TimesNewRomanPSMT,Italic", "Times-Italic"},
}};

struct TSystemName {
  std::string_view standard;
  std::string_view system;
};

constexpr std::array<TSystemName, 14> kSystemNames = {{
    {"Courier", "CourierNew"},
    {"Courier-Bold", "CourierNewBold"},
    {"Courier-BoldOblique", "CourierNewBoldItalic"},
    {"Courier-Oblique", "CourierNewItalic"},
    {"Helvetica", "Arial"},
    {"Helvetica-Bold", "ArialBold"},
    {"Helvetica-BoldOblique", "ArialBoldItalic"},
    {"Helvetica-Oblique", "ArialItalic"},
    {"Symbol", "Symbol"},
    {"Times-Bold", "TimesNewRomanBold"},
    {"Times-BoldItalic", "TimesNewRomanBoldItalic"},
    {"Times-Italic", "TimesNewRomanItalic"},
    {"Times-Roman", "TimesNewRoman"},
    {"ZapfDingbats", "ArialUnicodeMS"},
}};

void EraseFirst(std::string& text, std::string_view part) {
  const size_t at = text.find(part);
  if (at != std::string::npos) text.erase(at, part.size());
}

}  // namespace

const TFontAlias* FindFontAlias(std::string_view name) {
  for (const TFontAlias& alias : kAliases) {
    if (alias.name == name || alias.standard == name) return &alias;
  }
  return nullptr;
}

std::string_view SystemFontNameOf(std::string_view standardName) {
  for (const TSystemName& row : kSystemNames) {
    if (row.standard == standardName) return row.system;
  }
  return {};
}

std::string CleanDescriptorFontName(std::string_view name) {
  std::string cleaned;
  cleaned.reserve(name.size());
  for (char c : name) {
    if (c != ',' && c != '+' && c != '-') cleaned.push_back(c);
  }
  EraseFirst(cleaned, "PS");
  EraseFirst(cleaned, "MT");
  return cleaned;
}

std::string_view TrimFontName(std::string_view name) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  while (!name.empty() && blank(name.front())) name.remove_prefix(1);
  while (!name.empty() && blank(name.back())) name.remove_suffix(1);
  return name;
}

}  // namespace qp::pdf
