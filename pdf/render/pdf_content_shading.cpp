// The interpreter's shading operators: sh paints a shading over the clip;
// scn and SCN with a pattern name choose a pattern that later fills and
// strokes paint with (shading patterns; tiling patterns paint nothing yet).

#include "pdf/render/pdf_content_stream.h"

namespace qp::pdf {

namespace {

const TPDBaseObject* Entry(const TPDDictionary& dict, const char* key, TPDObjectResolver* doc) {
  return ResolveObject(dict.LookUp(key), doc);
}

TPDDictionary* DictOf(TPDBaseObject* object) {
  if (!object) return nullptr;
  if (object->IsStream()) return static_cast<TPDStream*>(object)->GetDict();
  return object->IsDict() ? static_cast<TPDDictionary*>(object) : nullptr;
}

}  // namespace

TPDShadingRef TPDContentStream::ShadingOf(TPDBaseObject* object) {
  if (!object) return nullptr;
  auto found = shadings_.find(object);
  if (found != shadings_.end()) return found->second;
  TPDShadingRef shading = TPDShading::Read(object, document_);
  shadings_.emplace(object, shading);
  return shading;
}

void TPDContentStream::PaintShadingOperator() {
  const TPDShadingRef shading = ShadingOf(LookupResource("Shading", args_[0].text));
  if (shading) device_.PaintShading(state_, *shading, state_.CTM, TShadingArea::kClip, false);
}

void TPDContentStream::ChoosePattern(bool fill, const std::string& name) {
  TPDBaseObject* pattern = LookupResource("Pattern", name);
  // Pattern space is the space of the stream the pattern was named in,
  // placed by the pattern's own matrix.
  TPDMatrix ctm = base_ctm_;
  if (const TPDDictionary* dict = DictOf(pattern)) {
    const TPDBaseObject* matrix = Entry(*dict, "Matrix", document_);
    if (matrix && matrix->IsArray()) ctm = base_ctm_.PreMultiply(TPDMatrix(matrix));
  }
  if (fill) {
    state_.FillPattern = pattern;
    state_.FillPatternCTM = ctm;
  } else {
    state_.StrokePattern = pattern;
    state_.StrokePatternCTM = ctm;
  }
}

bool TPDContentStream::PaintPattern(bool stroke, TShadingArea area) {
  TPDBaseObject* pattern = stroke ? state_.StrokePattern : state_.FillPattern;
  const TPDDictionary* dict = DictOf(pattern);
  if (!dict) return false;
  const TPDBaseObject* type = Entry(*dict, "PatternType", document_);
  if (!type || !type->IsNumber() || type->GetNumber() != 2) return false;
  const TPDShadingRef shading = ShadingOf(ResolveObject(dict->LookUp("Shading"), document_));
  if (shading) {
    device_.PaintShading(state_, *shading, stroke ? state_.StrokePatternCTM : state_.FillPatternCTM,
                         area, true);
  }
  return true;
}

}  // namespace qp::pdf
