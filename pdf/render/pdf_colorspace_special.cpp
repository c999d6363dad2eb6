// Indexed, Separation and DeviceN spaces: colours that another space (the
// base or alternate) converts after a table lookup or a tint transform.

#include <algorithm>

#include "pdf/core/pdf_errors.h"
#include "pdf/render/pdf_colorspace.h"
#include "pdf/render/pdf_colorspace_build.h"

namespace qp::pdf {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The `size` bytes of an Indexed lookup: from a stream (missing bytes at
// its end are 0), or from a string at least that long. False when there is
// no usable table.
bool ReadLookup(TPDBaseObject* object, size_t size, std::string& out) {
  if (object == nullptr) return false;
  if (object->IsStream()) {
    try {
      auto& stream = static_cast<TPDStream&>(*object);
      stream.Reset();
      stream.Read(out, size);
    } catch (const EPDFEngineError&) {
      return false;
    }
    out.resize(size, '\0');
    return true;
  }
  if (!object->IsString()) return false;
  const auto& string = static_cast<const TPDString&>(*object);
  const std::string& text = string.GetString();
  if (!string.IsHexString()) {
    if (text.size() < size) return false;
    out.assign(text, 0, size);
    return true;
  }
  // Pairs of digits; a pair that is not two digits gives 0.
  if (text.size() / 2 < size) return false;
  out.resize(size);
  for (size_t i = 0; i < size; ++i) {
    const int high = HexValue(text[2 * i]);
    const int low = HexValue(text[2 * i + 1]);
    out[i] = static_cast<char>(high < 0 || low < 0 ? 0 : high * 16 + low);
  }
  return true;
}

bool IsProcessColorant(const std::string& name) {
  return name == "Black" || name == "Cyan" || name == "Magenta" || name == "Yellow";
}

// The tint transform from `count` components to the alternate space,
// outputs truncated to 16.16.
TColor TransformTints(const TPDFunction& function, const TColor& color, int count, int altComps) {
  TFuncValues input{};
  TFuncValues output{};
  for (int i = 0; i < count; ++i) input[i] = DoubleFromFixed(color.Comps[i]);
  function.Transform(input, output);
  TColor result;
  for (int j = 0; j < altComps; ++j) result.Comps[j] = FixedTruncFromDouble(output[j]);
  return result;
}

bool SamePrefix(const TColor& a, const TColor& b, int count) {
  return std::equal(a.Comps.begin(), a.Comps.begin() + count, b.Comps.begin());
}

}  // namespace

// ---- Indexed

TPDIndexedColorSpace::TPDIndexedColorSpace(const TPDArray& array, BuildContext& context) {
  if (array.GetLength() != 4) return;
  base_ = Build(array.Get(1), context);
  const TPDBaseObject* high = ResolveObject(array.Get(2), context.document);
  if (!base_ || high == nullptr || !high->IsInteger()) return;
  const int32_t hival = static_cast<const TPDInteger*>(high)->Value();
  if (hival < 0 || hival > 255) return;
  const int n = base_->GetNoOfComps();
  const size_t size = static_cast<size_t>(hival + 1) * n;
  if (!ReadLookup(ResolveObject(array.Get(3), context.document), size, lookup_)) return;

  TComponentRanges low;
  TComponentRanges range;
  base_->GetDefaultRanges(low, range, 255);
  base_colors_.resize(hival + 1);
  rgb_.resize(hival + 1);
  for (int i = 0; i <= hival; ++i) {
    for (int j = 0; j < n; ++j) {
      const auto byte = static_cast<uint8_t>(lookup_[static_cast<size_t>(i) * n + j]);
      base_colors_[i].Comps[j] = FixedTruncFromDouble(low[j] + (byte / 255.0) * range[j]);
    }
    rgb_[i] = base_->GetRGB(base_colors_[i]);
  }
  index_high_ = hival;
}

int TPDIndexedColorSpace::IndexOf(const TColor& color) const {
  if (index_high_ < 0) return -1;
  return std::clamp(RoundToInt32(DoubleFromFixed(color.Comps[0])), 0, index_high_);
}

void TPDIndexedColorSpace::GetDefaultRanges(TComponentRanges& decodeLow,
                                            TComponentRanges& decodeRange, int maxImgPixel) const {
  TPDColorSpace::GetDefaultRanges(decodeLow, decodeRange, maxImgPixel);
  decodeRange[0] = maxImgPixel;
}

int32_t TPDIndexedColorSpace::GetGray(const TColor& color) const {
  const int index = IndexOf(color);
  return index < 0 ? 0 : base_->GetGray(base_colors_[index]);
}

TRGB TPDIndexedColorSpace::GetRGB(const TColor& color) const {
  const int index = IndexOf(color);
  return index < 0 ? TRGB{} : rgb_[index];
}

TCMYK TPDIndexedColorSpace::GetCMYK(const TColor& color) const {
  const int index = IndexOf(color);
  return index < 0 ? TCMYK{0, 0, 0, kFixedOne} : base_->GetCMYK(base_colors_[index]);
}

void TPDIndexedColorSpace::GetRGBs(const TColor* colors, TRGB* out, size_t count) const {
  for (size_t i = 0; i < count; ++i) {
    const int index = IndexOf(colors[i]);
    out[i] = index < 0 ? TRGB{} : rgb_[index];
  }
}

// ---- Separation

TPDSeparationColorSpace::TPDSeparationColorSpace(const TPDArray& array, BuildContext& context) {
  if (array.GetLength() != 4) return;
  const TPDBaseObject* name = ResolveObject(array.Get(1), context.document);
  if (name == nullptr || !name->IsName()) return;
  name_ = static_cast<const TPDName*>(name)->Value();
  is_non_marking_ = name_ == "None";
  alt_ = Build(array.Get(2), context);
  func_ = TPDFunction::MakeFunction(array.Get(3), context.document);
}

TColor TPDSeparationColorSpace::GetDefaultColor() const {
  if (!func_ && alt_ && alt_->GetMode() == csDeviceCMYK && IsProcessColorant(name_)) {
    return alt_->GetDefaultColor();
  }
  TColor color;
  color.Comps[0] = kFixedOne;
  return color;
}

TColor TPDSeparationColorSpace::ToAlternate(const TColor& color) const {
  if (!alt_) return {};
  if (!func_) {
    TColor result = alt_->GetDefaultColor();
    if (name_ == "Black") result.Comps[3] = color.Comps[0];
    return result;
  }
  if (!cache_.valid || cache_.input.Comps[0] != color.Comps[0]) {
    cache_.output = TransformTints(*func_, color, 1, alt_->GetNoOfComps());
    cache_.input.Comps[0] = color.Comps[0];
    cache_.valid = true;
  }
  return cache_.output;
}

int32_t TPDSeparationColorSpace::GetGray(const TColor& color) const {
  return alt_ ? alt_->GetGray(ToAlternate(color)) : 0;
}

TRGB TPDSeparationColorSpace::GetRGB(const TColor& color) const {
  return alt_ ? alt_->GetRGB(ToAlternate(color)) : TRGB{};
}

TCMYK TPDSeparationColorSpace::GetCMYK(const TColor& color) const {
  return alt_ ? alt_->GetCMYK(ToAlternate(color)) : TCMYK{0, 0, 0, kFixedOne};
}

// ---- DeviceN

TPDDeviceNColorSpace::TPDDeviceNColorSpace(const TPDArray& array, BuildContext& context) {
  const TPDBaseObject* names = ResolveObject(array.Get(1), context.document);
  if (names == nullptr || !names->IsArray()) return;
  const auto& list = static_cast<const TPDArray&>(*names);
  bool allNames = true;
  for (size_t i = 0; i < list.GetLength() && names_.size() < kMaxColorComps; ++i) {
    const TPDBaseObject* name = ResolveObject(list.Get(i), context.document);
    if (name == nullptr || !name->IsName()) {
      allNames = false;
      break;
    }
    names_.push_back(static_cast<const TPDName*>(name)->Value());
  }
  is_non_marking_ = !names_.empty() && std::all_of(names_.begin(), names_.end(),
                                                   [](const auto& n) { return n == "None"; });
  if (!allNames || array.GetLength() < 4) return;
  func_ = TPDFunction::MakeFunction(array.Get(3), context.document);
  if (func_) alt_ = Build(array.Get(2), context);
}

TColor TPDDeviceNColorSpace::GetDefaultColor() const {
  TColor color;
  std::fill(color.Comps.begin(), color.Comps.begin() + names_.size(), kFixedOne);
  return color;
}

TColor TPDDeviceNColorSpace::ToAlternate(const TColor& color) const {
  if (!alt_) return {};
  const int count = GetNoOfComps();
  if (!cache_.valid || !SamePrefix(cache_.input, color, count)) {
    cache_.output = TransformTints(*func_, color, count, alt_->GetNoOfComps());
    cache_.input = color;
    cache_.valid = true;
  }
  return cache_.output;
}

int32_t TPDDeviceNColorSpace::GetGray(const TColor& color) const {
  return alt_ ? alt_->GetGray(ToAlternate(color)) : 0;
}

TRGB TPDDeviceNColorSpace::GetRGB(const TColor& color) const {
  return alt_ ? alt_->GetRGB(ToAlternate(color)) : TRGB{};
}

TCMYK TPDDeviceNColorSpace::GetCMYK(const TColor& color) const {
  return alt_ ? alt_->GetCMYK(ToAlternate(color)) : TCMYK{0, 0, 0, kFixedOne};
}

}  // namespace qp::pdf
