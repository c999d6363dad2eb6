// The interpreter's shading operators: sh paints a shading over the clip;
// scn and SCN with a pattern name choose a pattern that later fills,
// strokes and text paint with (shading and tiling patterns).

#include <algorithm>
#include <cmath>

#include "pdf/core/pdf_resource_cache.h"
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

// The number under `key`, or `fallback` when there is none.
double NumberOr(const TPDDictionary& dict, const char* key, TPDObjectResolver* doc,
                double fallback) {
  const TPDBaseObject* value = Entry(dict, key, doc);
  return value && value->IsNumber() ? value->GetNumber() : fallback;
}

// The four numbers of /BBox in order (x1 < x2, y1 < y2); false without them
// or for an empty box.
bool ReadBox(const TPDDictionary& dict, TPDObjectResolver* doc, double box[4]) {
  const TPDBaseObject* array = Entry(dict, "BBox", doc);
  if (!array || !array->IsArray()) return false;
  const auto& a = static_cast<const TPDArray&>(*array);
  if (a.GetLength() < 4) return false;
  double v[4];
  for (size_t i = 0; i < 4; ++i) {
    const TPDBaseObject* e = ResolveObject(a.Get(i), doc);
    if (!e || !e->IsNumber() || !std::isfinite(e->GetNumber())) return false;
    v[i] = e->GetNumber();
  }
  box[0] = std::min(v[0], v[2]), box[2] = std::max(v[0], v[2]);
  box[1] = std::min(v[1], v[3]), box[3] = std::max(v[1], v[3]);
  return box[2] > box[0] && box[3] > box[1];
}

// A step that is zero or not a number repeats the cell at its box's size.
double StepOr(double step, double size) {
  step = std::fabs(step);
  return step > 0 && std::isfinite(step) ? step : size;
}

// Counts a tiling cell as drawn inside another while it lives.
class NestingGuard {
 public:
  explicit NestingGuard(int& n) : n_(n) { ++n_; }
  ~NestingGuard() { --n_; }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;

 private:
  int& n_;
};

}  // namespace

TPDShadingRef TPDContentStream::ShadingOf(TPDBaseObject* object) {
  if (!object) return nullptr;
  auto found = shadings_.find(object);
  if (found != shadings_.end()) return found->second;
  // A shading holds only samples: one read serves the document's other
  // pages and forms.
  TPDResourceCache* shared =
      state_.DocCache && state_.DocCache->Enabled() ? state_.DocCache : nullptr;
  const TPDResourceCache::Key key{object, TPDResourceCache::Kind::kShading};
  TPDShadingRef shading = shared ? shared->Find<const TPDShading>(key) : nullptr;
  if (!shading) {
    shading = TPDShading::Read(object, document_);
    if (shading && shared) {
      shared->Keep(key, shading,
                   sizeof(TPDShading) + shading->Stops.size() * sizeof(TShadingStop) +
                       shading->Grid.size() * sizeof(uint32_t) +
                       shading->Patches.size() * sizeof(TShadingPatch));
    }
  }
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
  if (!type || !type->IsNumber()) return false;
  if (type->GetNumber() == 1) {
    if (pattern->IsStream()) PaintTilingPattern(*static_cast<TPDStream*>(pattern), stroke, area);
    return true;
  }
  if (type->GetNumber() != 2) return false;
  const TPDShadingRef shading = ShadingOf(ResolveObject(dict->LookUp("Shading"), document_));
  if (shading) {
    device_.PaintShading(state_, *shading, stroke ? state_.StrokePatternCTM : state_.FillPatternCTM,
                         area, true);
  }
  return true;
}

void TPDContentStream::PaintTilingPattern(TPDStream& pattern, bool stroke, TShadingArea area) {
  const TPDDictionary* dict = pattern.GetDict();
  if (!dict || depth_ >= kMaxFormDepth || budget_->forms >= TPDFormBudget::kMaxForms ||
      budget_->patternNesting >= TPDFormBudget::kMaxPatternNesting) {
    return;
  }
  double box[4];
  if (!ReadBox(*dict, document_, box)) return;
  TPDBaseObject* own = ResolveObject(dict->LookUp("Resources"), document_);
  TPDDictionary* resources = own && own->IsDict() ? static_cast<TPDDictionary*>(own) : resources_;
  TPDForm cell(&pattern, resources, document_, depth_ + 1, budget_);
  // The cell starts from the initial graphics state in pattern space.
  TPDState cellState = state_;
  cellState.ResetParameters();
  cellState.CTM = stroke ? state_.StrokePatternCTM : state_.FillPatternCTM;
  TRGB colour{};
  if (NumberOr(*dict, "PaintType", document_, 1) == 2) {
    // Uncoloured: the shape in the colour given with the pattern, through
    // the pattern space's underlying space.
    static const TPDColorSpaceRef kRGB = std::make_shared<TPDDeviceRGBColorSpace>();
    const TPDColorSpaceRef& space = stroke ? state_.StrokeColorSpace : state_.FillColorSpace;
    const TPDColorSpace* under = space && space->GetMode() == csPattern
                                     ? static_cast<const TPDPatternColorSpace&>(*space).GetUnder()
                                     : nullptr;
    if (under) colour = under->GetRGB(stroke ? state_.StrokeColor : state_.FillColor);
    TColor c{};
    c.Comps[0] = colour.R, c.Comps[1] = colour.G, c.Comps[2] = colour.B;
    cellState.SetFillColorSpace(kRGB);
    cellState.SetStrokeColorSpace(kRGB);
    cellState.FillColor = cellState.StrokeColor = c;
    cell.SetUncoloured();
  }
  TPDTiling tiling(cell, std::move(cellState));
  tiling.Key = &pattern;
  tiling.Colour = colour;
  std::copy(box, box + 4, tiling.BBox);
  tiling.XStep = StepOr(NumberOr(*dict, "XStep", document_, 0), box[2] - box[0]);
  tiling.YStep = StepOr(NumberOr(*dict, "YStep", document_, 0), box[3] - box[1]);
  ++budget_->forms;
  NestingGuard nesting(budget_->patternNesting);
  device_.PaintTiling(state_, tiling, area);
}

}  // namespace qp::pdf
