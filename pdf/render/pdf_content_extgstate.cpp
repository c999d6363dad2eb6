// The gs operator: the entries of a graphics state parameter dictionary
// that change drawing (line parameters, dashes, font, alphas, blend mode,
// soft mask, alpha-is-shape and text knockout).

#include <algorithm>
#include <array>
#include <cmath>

#include "pdf/render/pdf_colorspace.h"
#include "pdf/render/pdf_content_stream.h"
#include "pdf/render/pdf_function.h"

namespace qp::pdf {

namespace {

constexpr const char* kBlendModes[] = {"Normal",    "Multiply",   "Screen",     "Overlay",
                                       "Darken",    "Lighten",    "ColorDodge", "ColorBurn",
                                       "HardLight", "SoftLight",  "Difference", "Exclusion",
                                       "Hue",       "Saturation", "Color",      "Luminosity"};

// The blend mode of a name, or of the first known name of an array; -1 for
// none known.
int BlendModeOf(const TPDBaseObject* value, TPDObjectResolver* doc) {
  if (!value) return -1;
  if (value->IsArray()) {
    const auto& array = static_cast<const TPDArray&>(*value);
    for (size_t i = 0; i < array.GetLength(); ++i) {
      const int mode = BlendModeOf(ResolveObject(array.Get(i), doc), doc);
      if (mode >= 0) return mode;
    }
    return -1;
  }
  for (int i = 0; i < int(std::size(kBlendModes)); ++i) {
    if (value->IsName(kBlendModes[i])) return i;
  }
  if (value->IsName("Compatible")) return bmNormal;
  return -1;
}

bool BoolOf(const TPDBaseObject* value, bool& out) {
  if (!value || !value->IsBoolean()) return false;
  out = static_cast<const TPDBoolean*>(value)->Value();
  return true;
}

// The backdrop colour of a luminosity mask: its components read as gray,
// RGB or CMYK by their count; black without them.
TRGB BackdropOf(const TPDBaseObject* value, TPDObjectResolver* doc) {
  if (!value || !value->IsArray()) return {};
  const auto& array = static_cast<const TPDArray&>(*value);
  TColor c{};
  const size_t n = array.GetLength();
  for (size_t i = 0; i < n && i < 4; ++i) {
    const TPDBaseObject* e = ResolveObject(array.Get(i), doc);
    c.Comps[i] = FixedFromDouble(e && e->IsNumber() ? e->GetNumber() : 0);
  }
  if (n == 1) return TPDDeviceGrayColorSpace().GetRGB(c);
  if (n == 3) return TPDDeviceRGBColorSpace().GetRGB(c);
  if (n == 4) return TPDDeviceCMYKColorSpace().GetRGB(c);
  return {};
}

}  // namespace

void TPDContentStream::ApplyExtGState() {
  TPDBaseObject* object = LookupResource("ExtGState", args_[0].text);
  if (!object || !object->IsDict()) return;
  auto* dict = static_cast<TPDDictionary*>(object);
  TPDState& s = state_;
  auto entry = [&](const char* key) { return ResolveObject(dict->LookUp(key), document_); };
  auto number = [&](const char* key, double& out) {
    const TPDBaseObject* v = entry(key);
    if (!v || !v->IsNumber()) return false;
    out = v->GetNumber();
    return true;
  };
  double v;
  if (number("LW", v)) {
    s.LineWidth = v;
    device_.UpdateLineWidth(s);
  }
  if (number("LC", v)) {
    s.LineCap = static_cast<int>(v);
    device_.UpdateLineCap(s);
  }
  if (number("LJ", v)) {
    s.LineJoin = static_cast<int>(v);
    device_.UpdateLineJoin(s);
  }
  if (number("ML", v)) {
    s.MiterLimit = v;
    device_.UpdateMiterLimit(s);
  }
  // D: [dash-array phase].
  if (const TPDBaseObject* d = entry("D"); d && d->IsArray()) {
    const auto& pair = static_cast<const TPDArray&>(*d);
    const TPDBaseObject* dashes =
        pair.GetLength() == 2 ? ResolveObject(pair.Get(0), document_) : nullptr;
    const TPDBaseObject* phase =
        pair.GetLength() == 2 ? ResolveObject(pair.Get(1), document_) : nullptr;
    if (dashes && dashes->IsArray() && phase && phase->IsNumber()) {
      const auto& array = static_cast<const TPDArray&>(*dashes);
      std::vector<float> dash;
      for (size_t i = 0; i < array.GetLength(); ++i) {
        const TPDBaseObject* e = ResolveObject(array.Get(i), document_);
        dash.push_back(e && e->IsNumber() ? static_cast<float>(e->GetNumber()) : 0.0f);
      }
      s.SetLineDash(std::move(dash), phase->GetNumber());
      device_.UpdateLineDash(s);
    }
  }
  if (number("CA", v)) s.StrokeOpacity = v;
  if (number("ca", v)) s.FillOpacity = v;
  device_.UpdateStrokeOpacity(s);
  device_.UpdateFillOpacity(s);
  if (const int mode = BlendModeOf(entry("BM"), document_); mode >= 0) {
    s.BlendMode = mode;
    device_.UpdateBlendMode(s);
  }
  BoolOf(entry("AIS"), s.AlphaIsShape);
  BoolOf(entry("TK"), s.TextKnockout);
  if (const TPDBaseObject* mask = entry("SMask")) ApplySoftMask(mask);
  SelectFontOfGState(*dict, args_[0].text);
}

void TPDContentStream::ApplySoftMask(const TPDBaseObject* mask) {
  state_.SoftMask.reset();
  if (!mask->IsDict()) return;  // None, or nothing usable
  const auto& dict = static_cast<const TPDDictionary&>(*mask);
  auto entry = [&](const char* key) { return ResolveObject(dict.LookUp(key), document_); };
  TPDBaseObject* group = entry("G");
  if (!group || !group->IsStream() || !static_cast<TPDStream*>(group)->GetDict()) return;
  const TPDBaseObject* type = entry("S");
  const bool luminosity = !(type && type->IsName("Alpha"));
  if (depth_ >= kMaxFormDepth || budget_->forms >= TPDFormBudget::kMaxForms ||
      budget_->patternNesting >= TPDFormBudget::kMaxPatternNesting ||
      budget_->softMasks >= TPDFormBudget::kMaxSoftMasks) {
    return;
  }
  std::array<uint8_t, 256> table{};
  bool mapped = false;
  if (TPDBaseObject* tr = entry("TR"); tr && !tr->IsName("Identity")) {
    TPDFunctionPtr f = TPDFunction::MakeFunction(tr, document_);
    if (f && f->IsOk() && f->GetInputSize() == 1 && f->GetOutputSize() >= 1) {
      TFuncValues in{}, out{};
      for (int i = 0; i < 256; ++i) {
        in[0] = i / 255.0;
        f->Transform(in, out);
        const double o = std::isfinite(out[0]) ? std::clamp(out[0], 0.0, 1.0) : 0.0;
        table[i] = static_cast<uint8_t>(std::lround(o * 255));
      }
      mapped = true;
    }
  }
  auto* stream = static_cast<TPDStream*>(group);
  TPDBaseObject* own = ResolveObject(stream->GetDict()->LookUp("Resources"), document_);
  TPDDictionary* resources = own && own->IsDict() ? static_cast<TPDDictionary*>(own) : resources_;
  // The mask's group is drawn in the state gs ran in, with nothing of
  // transparency.
  TPDState groupState = state_;
  groupState.FillOpacity = groupState.StrokeOpacity = 1;
  groupState.BlendMode = bmNormal;
  groupState.ClearPath();
  ++budget_->forms;
  ++budget_->softMasks;
  ++budget_->patternNesting;
  try {
    state_.SoftMask = device_.MakeSoftMask(
        groupState, TPDForm(stream, resources, document_, depth_ + 1, budget_), luminosity,
        BackdropOf(entry("BC"), document_), mapped ? &table : nullptr);
  } catch (...) {
    --budget_->patternNesting;
    throw;
  }
  --budget_->patternNesting;
}

}  // namespace qp::pdf
