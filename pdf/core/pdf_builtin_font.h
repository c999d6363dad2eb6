#pragma once
// Metrics of one standard 14 font over the generated tables.

#include <memory>
#include <string_view>

#include "pdf/core/font_tables.h"
#include "pdf/core/pdf_geometry.h"

namespace qp::pdf {

class TBuiltInFont {
 public:
  // One of the standard 14 names (exact), else nothing.
  static std::unique_ptr<TBuiltInFont> MakeBuiltInFont(std::string_view fontName);

  // Width in thousandths of the named glyph; -1 for an empty or unknown name.
  int GetWidth(std::string_view glyphName) const { return metrics_.GetWidth(glyphName); }

  std::string_view Name() const { return metrics_.name; }
  // In thousandths of the font size.
  double Ascent() const { return metrics_.ascent; }
  double Descent() const { return metrics_.descent; }
  // [llx lly urx ury] in thousandths.
  const TPDRect& BBox() const { return bbox_; }
  std::string_view EncodingName() const { return metrics_.encodingName; }
  const TEncodingArray& DefaultBaseEncoding() const { return *metrics_.defaultEncoding; }
  size_t Size() const { return metrics_.glyphNames.size(); }

 private:
  explicit TBuiltInFont(const BuiltInFontMetrics& metrics);

  const BuiltInFontMetrics& metrics_;
  TPDRect bbox_;
};

}  // namespace qp::pdf
