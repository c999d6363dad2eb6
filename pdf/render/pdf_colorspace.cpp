// The colour space factory, the device and calibrated spaces, Lab, ICC-based
// and Pattern. Indexed, Separation and DeviceN are in
// pdf_colorspace_special.cpp.

#include "pdf/render/pdf_colorspace.h"

#include <cmath>

#include "pdf/render/pdf_colorspace_build.h"

namespace qp::pdf {
namespace {

// RGB of the corners of the CMYK cube, in the order c, m, y, k (bit 3 … 0).
struct CmykCorner {
  double r, g, b;
};
constexpr CmykCorner kCmykCorners[16] = {
    {1, 1, 1},                 // 0 0 0 0
    {0.1373, 0.1216, 0.1255},  // 0 0 0 1
    {1, 0.949, 0},             // 0 0 1 0
    {0.1098, 0.102, 0},        // 0 0 1 1
    {0.9255, 0, 0.549},        // 0 1 0 0
    {0.1412, 0, 0},            // 0 1 0 1
    {0.9294, 0.1098, 0.1412},  // 0 1 1 0
    {0.1333, 0, 0},            // 0 1 1 1
    {0, 0.6784, 0.9373},       // 1 0 0 0
    {0, 0.0588, 0.1412},       // 1 0 0 1
    {0, 0.651, 0.3137},        // 1 0 1 0
    {0, 0.0745, 0},            // 1 0 1 1
    {0.1804, 0.1922, 0.5725},  // 1 1 0 0
    {0, 0, 0.0078},            // 1 1 0 1
    {0.2118, 0.2119, 0.2235},  // 1 1 1 0
    {0, 0, 0},                 // 1 1 1 1
};

int32_t ClampedTrunc(double v) {
  return ClampFixed(FixedTruncFromDouble(v));
}

// Up to `count` numbers of a dictionary's array entry; false when absent or
// not all numbers.
bool ReadDictNumbers(const TPDDictionary* dict, std::string_view key, double* out, size_t count) {
  if (dict == nullptr) return false;
  const TPDBaseObject* object = dict->LookUp(key);
  if (object == nullptr || !object->IsArray()) return false;
  const auto& array = static_cast<const TPDArray&>(*object);
  if (array.GetLength() < count) return false;
  for (size_t i = 0; i < count; ++i) {
    const TPDBaseObject* element = array.Get(i);
    if (element == nullptr || !element->IsNumber()) return false;
  }
  for (size_t i = 0; i < count; ++i) out[i] = array.Get(i)->GetNumber();
  return true;
}

const TPDDictionary* AsDict(const TPDBaseObject* object) {
  if (object == nullptr) return nullptr;
  if (object->IsDict()) return static_cast<const TPDDictionary*>(object);
  if (object->IsStream()) return static_cast<const TPDStream*>(object)->GetDict();
  return nullptr;
}

// 0 moved into lo … hi: the minimum when it is above 0, the maximum when it
// is below 0.
double ZeroIntoRange(double lo, double hi) {
  if (lo > 0) return lo;
  if (hi < 0) return hi;
  return 0;
}

TPDColorSpacePtr MakeDeviceSpace(std::string_view name) {
  if (name == "DeviceGray" || name == "G") return std::make_unique<TPDDeviceGrayColorSpace>();
  if (name == "DeviceRGB" || name == "RGB") return std::make_unique<TPDDeviceRGBColorSpace>();
  if (name == "DeviceCMYK" || name == "CMYK") return std::make_unique<TPDDeviceCMYKColorSpace>();
  return nullptr;
}

}  // namespace

// ---- shared conversions

namespace {

TRGB InterpolateCMYK(int32_t c32, int32_t m32, int32_t y32, int32_t k32) {
  const double c = DoubleFromFixed(c32), m = DoubleFromFixed(m32);
  const double y = DoubleFromFixed(y32), k = DoubleFromFixed(k32);
  const double cw[2] = {1 - c, c}, mw[2] = {1 - m, m};
  const double yw[2] = {1 - y, y}, kw[2] = {1 - k, k};
  double r = 0, g = 0, b = 0;
  for (int corner = 0; corner < 16; ++corner) {
    const double w =
        cw[corner >> 3] * mw[(corner >> 2) & 1] * yw[(corner >> 1) & 1] * kw[corner & 1];
    r += w * kCmykCorners[corner].r;
    g += w * kCmykCorners[corner].g;
    b += w * kCmykCorners[corner].b;
  }
  return {ClampedTrunc(r), ClampedTrunc(g), ClampedTrunc(b)};
}

// The corners themselves, computed once by the same interpolation.
const std::array<TRGB, 16>& CornerRGBs() {
  static const std::array<TRGB, 16> corners = [] {
    std::array<TRGB, 16> result;
    for (int corner = 0; corner < 16; ++corner) {
      result[corner] = InterpolateCMYK((corner >> 3) * kFixedOne, ((corner >> 2) & 1) * kFixedOne,
                                       ((corner >> 1) & 1) * kFixedOne, (corner & 1) * kFixedOne);
    }
    return result;
  }();
  return corners;
}

}  // namespace

TRGB RGBFromCMYK(int32_t c, int32_t m, int32_t y, int32_t k) {
  // Solid inks (every component 0 or 1) are common in vector art.
  const auto solid = [](int32_t v) { return v == 0 || v == kFixedOne; };
  if (solid(c) && solid(m) && solid(y) && solid(k)) {
    return CornerRGBs()[(c != 0) << 3 | (m != 0) << 2 | (y != 0) << 1 | (k != 0)];
  }
  return InterpolateCMYK(c, m, y, k);
}

int32_t GrayFromRGB(int32_t r, int32_t g, int32_t b) {
  return ClampFixed(RoundToInt32(0.3 * r + 0.59 * g + 0.11 * b + 0.5));
}

TCMYK CMYKFromRGB(int32_t r, int32_t g, int32_t b) {
  const int32_t c = ClampFixed(kFixedOne - ClampFixed(r));
  const int32_t m = ClampFixed(kFixedOne - ClampFixed(g));
  const int32_t y = ClampFixed(kFixedOne - ClampFixed(b));
  const int32_t k = std::min({c, m, y});
  return {c - k, m - k, y - k, k};
}

// ---- base

TColor TPDColorSpace::GetDefaultColor() const {
  return {};
}

void TPDColorSpace::GetDefaultRanges(TComponentRanges& decodeLow, TComponentRanges& decodeRange,
                                     int) const {
  decodeLow.fill(0.0);
  decodeRange.fill(1.0);
}

int32_t TPDColorSpace::GetGray(const TColor& color) const {
  const TRGB rgb = GetRGB(color);
  return GrayFromRGB(rgb.R, rgb.G, rgb.B);
}

TCMYK TPDColorSpace::GetCMYK(const TColor& color) const {
  const TRGB rgb = GetRGB(color);
  return CMYKFromRGB(rgb.R, rgb.G, rgb.B);
}

void TPDColorSpace::GetRGBs(const TColor* colors, TRGB* out, size_t count) const {
  for (size_t i = 0; i < count; ++i) out[i] = GetRGB(colors[i]);
}

// ---- factory

TPDColorSpacePtr TPDColorSpace::MakeColorSpace(TPDBaseObject* baseObject, std::string tagName,
                                               TPDObjectResolver* document) {
  BuildContext context;
  context.document = document;
  TPDColorSpacePtr space = Build(baseObject, context);
  if (space) space->SetTagName(std::move(tagName));
  return space;
}

TPDColorSpacePtr TPDColorSpace::Build(TPDBaseObject* baseObject, BuildContext& context) {
  baseObject = ResolveObject(baseObject, context.document);
  if (baseObject == nullptr) return nullptr;
  if (baseObject->IsName()) return MakeDeviceSpace(static_cast<TPDName*>(baseObject)->Value());
  if (!baseObject->IsArray()) return nullptr;

  const auto& array = static_cast<const TPDArray&>(*baseObject);
  const TPDBaseObject* first = ResolveObject(array.Get(0), context.document);
  if (first == nullptr || !first->IsName()) return nullptr;
  const std::string& family = static_cast<const TPDName*>(first)->Value();
  if (TPDColorSpacePtr device = MakeDeviceSpace(family)) return device;

  TPDBaseObject* second = ResolveObject(array.Get(1), context.document);
  if (family == "CalRGB") return std::make_unique<TPDCalRGBColorSpace>(AsDict(second));
  if (family == "CalGray") return std::make_unique<TPDCalGrayColorSpace>(AsDict(second));
  if (family == "Lab") return std::make_unique<TPDLabColorSpace>(AsDict(second));
  if (family == "ICCBased") return std::make_unique<TPDICCBasedColorSpace>(second);

  const bool indexed = family == "Indexed" || family == "I";
  const bool composite =
      indexed || family == "Separation" || family == "DeviceN" || family == "Pattern";
  if (!composite || context.depth >= kMaxNesting) return nullptr;
  ++context.depth;
  TPDColorSpacePtr space;
  if (indexed) {
    space = std::make_unique<TPDIndexedColorSpace>(array, context);
  } else if (family == "Separation") {
    space = std::make_unique<TPDSeparationColorSpace>(array, context);
  } else if (family == "DeviceN") {
    space = std::make_unique<TPDDeviceNColorSpace>(array, context);
  } else {
    space = std::make_unique<TPDPatternColorSpace>(array.GetLength() > 1 ? Build(second, context)
                                                                         : nullptr);
  }
  --context.depth;
  return space;
}

// ---- gray

TCMYK TPDDeviceGrayColorSpace::GetCMYK(const TColor& color) const {
  return {0, 0, 0, ClampFixed(kFixedOne - ClampFixed(color.Comps[0]))};
}

void TPDDeviceGrayColorSpace::GetRGBs(const TColor* colors, TRGB* out, size_t count) const {
  for (size_t i = 0; i < count; ++i) out[i] = RGBFromGray(colors[i].Comps[0]);
}

TPDCalGrayColorSpace::TPDCalGrayColorSpace(const TPDDictionary* dict) {
  ReadDictNumbers(dict, "WhitePoint", white_.data(), 3);
  ReadDictNumbers(dict, "BlackPoint", black_.data(), 3);
  const TPDBaseObject* gamma = dict ? dict->LookUp("Gamma") : nullptr;
  if (gamma != nullptr && gamma->IsNumber()) gamma_ = gamma->GetNumber();
}

// ---- RGB

int32_t TPDDeviceRGBColorSpace::GetGray(const TColor& color) const {
  return GrayFromRGB(color.Comps[0], color.Comps[1], color.Comps[2]);
}

TCMYK TPDDeviceRGBColorSpace::GetCMYK(const TColor& color) const {
  return CMYKFromRGB(color.Comps[0], color.Comps[1], color.Comps[2]);
}

void TPDDeviceRGBColorSpace::GetRGBs(const TColor* colors, TRGB* out, size_t count) const {
  for (size_t i = 0; i < count; ++i) {
    out[i] = RGBFromRGB(colors[i].Comps[0], colors[i].Comps[1], colors[i].Comps[2]);
  }
}

TPDCalRGBColorSpace::TPDCalRGBColorSpace(const TPDDictionary* dict) {
  ReadDictNumbers(dict, "WhitePoint", white_.data(), 3);
  ReadDictNumbers(dict, "BlackPoint", black_.data(), 3);
  ReadDictNumbers(dict, "Gamma", gamma_.data(), 3);
  ReadDictNumbers(dict, "Matrix", matrix_.data(), 9);
}

// ---- CMYK

TColor TPDDeviceCMYKColorSpace::GetDefaultColor() const {
  TColor color;
  color.Comps[3] = kFixedOne;
  return color;
}

int32_t TPDDeviceCMYKColorSpace::GetGray(const TColor& color) const {
  const auto& c = color.Comps;
  // Clamped: full ink coverage would otherwise give a negative intensity.
  return ClampFixed(RoundToInt32(kFixedOne - static_cast<double>(c[3]) - 0.3 * c[0] - 0.59 * c[1] -
                                 0.11 * c[2] + 0.5));
}

TCMYK TPDDeviceCMYKColorSpace::GetCMYK(const TColor& color) const {
  const auto& c = color.Comps;
  return {ClampFixed(c[0]), ClampFixed(c[1]), ClampFixed(c[2]), ClampFixed(c[3])};
}

void TPDDeviceCMYKColorSpace::GetRGBs(const TColor* colors, TRGB* out, size_t count) const {
  for (size_t i = 0; i < count; ++i) {
    const auto& c = colors[i].Comps;
    out[i] = RGBFromCMYK(c[0], c[1], c[2], c[3]);
  }
}

// ---- Lab

TPDLabColorSpace::TPDLabColorSpace(const TPDDictionary* dict) {
  ReadDictNumbers(dict, "WhitePoint", white_.data(), 3);
  ReadDictNumbers(dict, "BlackPoint", black_.data(), 3);
  double range[4];
  if (ReadDictNumbers(dict, "Range", range, 4)) {
    a_min_ = range[0];
    a_max_ = range[1];
    b_min_ = range[2];
    b_max_ = range[3];
  }
  static constexpr double kM[3][3] = {{3.240449, -1.537136, -0.498531},
                                      {-0.969265, 1.876011, 0.041556},
                                      {0.055643, -0.204026, 1.057229}};
  for (int i = 0; i < 3; ++i) {
    const double white = kM[i][0] * white_[0] + kM[i][1] * white_[1] + kM[i][2] * white_[2];
    gain_[i] = white != 0 ? 1 / white : 0;
  }
}

TColor TPDLabColorSpace::GetDefaultColor() const {
  TColor color;
  color.Comps[1] = FixedFromDouble(ZeroIntoRange(a_min_, a_max_));
  color.Comps[2] = FixedFromDouble(ZeroIntoRange(b_min_, b_max_));
  return color;
}

void TPDLabColorSpace::GetDefaultRanges(TComponentRanges& decodeLow, TComponentRanges& decodeRange,
                                        int maxImgPixel) const {
  TPDColorSpace::GetDefaultRanges(decodeLow, decodeRange, maxImgPixel);
  decodeLow[0] = 0;
  decodeRange[0] = 100;
  decodeLow[1] = a_min_;
  decodeRange[1] = a_max_ - a_min_;
  decodeLow[2] = b_min_;
  decodeRange[2] = b_max_ - b_min_;
}

int32_t TPDLabColorSpace::GetGray(const TColor& color) const {
  const TRGB rgb = GetRGB(color);
  return ClampFixed(RoundToInt32(0.299 * rgb.R + 0.587 * rgb.G + 0.114 * rgb.B + 0.5));
}

TRGB TPDLabColorSpace::GetRGB(const TColor& color) const {
  const double l = DoubleFromFixed(color.Comps[0]);
  const double a = DoubleFromFixed(color.Comps[1]);
  const double b = DoubleFromFixed(color.Comps[2]);
  const double t1 = (l + 16) / 116;
  const double t2 = t1 + a / 500;
  const double t3 = t1 - b / 200;
  const auto g = [](double t) {
    return t >= 6.0 / 29.0 ? t * t * t : (108.0 / 841.0) * (t - 4.0 / 29.0);
  };
  const double x = g(t2) * white_[0];
  const double y = g(t1) * white_[1];
  const double z = g(t3) * white_[2];
  const double linear[3] = {3.240449 * x + -1.537136 * y + -0.498531 * z,
                            -0.969265 * x + 1.876011 * y + 0.041556 * z,
                            0.055643 * x + -0.204026 * y + 1.057229 * z};
  int32_t out[3];
  for (int i = 0; i < 3; ++i) {
    double v = linear[i] * gain_[i];
    v = v > 0 ? (v < 1 ? v : 1) : 0;  // NaN becomes 0
    out[i] = FixedTruncFromDouble(std::sqrt(v));
  }
  return {out[0], out[1], out[2]};
}

// ---- ICC-based

TPDICCBasedColorSpace::TPDICCBasedColorSpace(TPDBaseObject* profile) {
  const TPDDictionary* dict = AsDict(profile);
  const TPDBaseObject* n = dict ? dict->LookUp("N") : nullptr;
  if (n != nullptr && n->IsNumber()) {
    const double value = n->GetNumber();
    no_of_comps_ = value >= kMaxColorComps ? kMaxColorComps : value >= 1 ? int(value) : 0;
  }
  const TPDBaseObject* alternate = dict ? dict->LookUp("Alternate") : nullptr;
  if (alternate != nullptr && alternate->IsName()) {
    const std::string& name = static_cast<const TPDName*>(alternate)->Value();
    if (name == "DeviceGray" || name == "DeviceRGB" || name == "DeviceCMYK") {
      alt_ = MakeDeviceSpace(name);
    }
  }
  // Without a usable Alternate the component count decides.
  if (!alt_) {
    alt_ = no_of_comps_ == 1   ? MakeDeviceSpace("DeviceGray")
           : no_of_comps_ == 3 ? MakeDeviceSpace("DeviceRGB")
           : no_of_comps_ == 4 ? MakeDeviceSpace("DeviceCMYK")
                               : nullptr;
  }
  double ranges[2 * kMaxColorComps];
  if (no_of_comps_ > 0 && ReadDictNumbers(dict, "Range", ranges, 2 * size_t(no_of_comps_))) {
    for (int i = 0; i < no_of_comps_; ++i) {
      range_min_[i] = ranges[2 * i];
      range_max_[i] = ranges[2 * i + 1];
    }
  } else {
    for (int i = 0; i < 4; ++i) range_max_[i] = 1;
  }
}

TColor TPDICCBasedColorSpace::GetDefaultColor() const {
  TColor color;
  for (int i = 0; i < no_of_comps_; ++i) {
    color.Comps[i] = FixedFromDouble(ZeroIntoRange(range_min_[i], range_max_[i]));
  }
  return color;
}

void TPDICCBasedColorSpace::GetDefaultRanges(TComponentRanges& decodeLow,
                                             TComponentRanges& decodeRange, int maxImgPixel) const {
  if (alt_) {
    alt_->GetDefaultRanges(decodeLow, decodeRange, maxImgPixel);
  } else {
    TPDColorSpace::GetDefaultRanges(decodeLow, decodeRange, maxImgPixel);
  }
}

int32_t TPDICCBasedColorSpace::GetGray(const TColor& color) const {
  return alt_ ? alt_->GetGray(color) : 0;
}

TRGB TPDICCBasedColorSpace::GetRGB(const TColor& color) const {
  return alt_ ? alt_->GetRGB(color) : TRGB{};
}

TCMYK TPDICCBasedColorSpace::GetCMYK(const TColor& color) const {
  return alt_ ? alt_->GetCMYK(color) : TCMYK{0, 0, 0, kFixedOne};
}

void TPDICCBasedColorSpace::GetRGBs(const TColor* colors, TRGB* out, size_t count) const {
  if (alt_) {
    alt_->GetRGBs(colors, out, count);
  } else {
    std::fill(out, out + count, TRGB{});
  }
}

}  // namespace qp::pdf
