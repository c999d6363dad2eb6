#pragma once
// Optional content as a viewer shows it by default: the default
// configuration of the catalog's /OCProperties decides which groups are
// off, and membership dictionaries combine groups by their policy or
// visibility expression.

#include <unordered_set>

#include "pdf/core/pdf_objects.h"

namespace qp::pdf {

class TPDOptionalContent {
 public:
  // Visibility expressions nested deeper than this count as visible.
  static constexpr int kMaxExpressionDepth = 32;

  // Nothing is hidden without a catalog or its /OCProperties.
  TPDOptionalContent(TPDDictionary* catalog, TPDObjectResolver* doc);

  // True when `object` (a group or a membership dictionary, references
  // resolved here) is hidden by default. Anything else is visible.
  bool IsHidden(TPDBaseObject* object) const;

 private:
  bool Visible(TPDBaseObject* object, int depth) const;
  bool Expression(TPDBaseObject* ve, int depth) const;
  bool GroupOn(TPDBaseObject* group) const;

  TPDObjectResolver* doc_;
  std::unordered_set<const TPDBaseObject*> off_;
};

}  // namespace qp::pdf
