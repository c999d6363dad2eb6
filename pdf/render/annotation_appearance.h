#pragma once
// Appearances made for annotations that carry none: the common markup types
// (ink, lines, squares and circles, polygons, text markup, free text) drawn
// from their own keys as viewers draw them, written as content for the
// interpreter.

#include <memory>
#include <optional>
#include <string>

#include "pdf/core/pdf_objects.h"

namespace qp::pdf {

struct TAnnotationDrawing {
  std::string Content;  // operators in default user space
  double StrokeOpacity = 1;
  double FillOpacity = 1;
  bool Multiply = false;  // highlights darken what they cover
  // Fonts the content names (free text), else nothing.
  std::unique_ptr<TPDDictionary> Resources;
};

// Nothing for a type drawn only from its appearance stream (widgets, links,
// stamps, ...) or an annotation whose keys describe nothing to draw.
std::optional<TAnnotationDrawing> MakeAnnotationDrawing(const TPDDictionary& annot,
                                                        TPDObjectResolver* doc);

}  // namespace qp::pdf
