#include "pdf/core/pdf_builtin_font.h"

namespace qp::pdf {

TBuiltInFont::TBuiltInFont(const BuiltInFontMetrics& metrics)
    : metrics_(metrics),
      bbox_(metrics.bbox[0], metrics.bbox[1], metrics.bbox[2], metrics.bbox[3]) {}

std::unique_ptr<TBuiltInFont> TBuiltInFont::MakeBuiltInFont(std::string_view fontName) {
  const BuiltInFontMetrics* metrics = FindBuiltInFont(fontName);
  if (!metrics || !metrics->defaultEncoding) return nullptr;
  return std::unique_ptr<TBuiltInFont>(new TBuiltInFont(*metrics));
}

}  // namespace qp::pdf
