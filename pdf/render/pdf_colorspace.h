#pragma once
// PDF colour spaces: device, calibrated (converted as their device
// counterparts), Lab, ICC-based (converted by the alternate space), Indexed,
// Separation, DeviceN and Pattern. Every space converts a TColor to RGB,
// gray and CMYK in 16.16 fixed point.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "pdf/core/pdf_objects.h"
#include "pdf/render/colour_types.h"
#include "pdf/render/pdf_function.h"

namespace qp::pdf {

enum TColorSpaceMode {
  csDeviceGray,
  csCalGray,
  csDeviceRGB,
  csCalRGB,
  csDeviceCMYK,
  csLab,
  csICCBased,
  csIndexed,
  csSeparation,
  csDeviceN,
  csPattern,
};

class TPDColorSpace;
using TPDColorSpacePtr = std::unique_ptr<TPDColorSpace>;

// Fixed-point conversions shared by the spaces, inline for per-pixel use.
inline TRGB RGBFromGray(int32_t gray) {
  const int32_t g = ClampFixed(gray);
  return {g, g, g};
}
inline TRGB RGBFromRGB(int32_t r, int32_t g, int32_t b) {
  return {ClampFixed(r), ClampFixed(g), ClampFixed(b)};
}
// Interpolation over the corners of the CMYK cube; the components are not
// clamped before it, the result is.
TRGB RGBFromCMYK(int32_t c, int32_t m, int32_t y, int32_t k);
int32_t GrayFromRGB(int32_t r, int32_t g, int32_t b);
// Black generation: K is the common part of the three inks.
TCMYK CMYKFromRGB(int32_t r, int32_t g, int32_t b);

class TPDColorSpace {
 public:
  // Colour space arrays nested deeper than this (through Indexed bases and
  // alternates) are not built.
  static constexpr int kMaxNesting = 4;

  virtual ~TPDColorSpace() = default;
  TPDColorSpace(const TPDColorSpace&) = delete;
  TPDColorSpace& operator=(const TPDColorSpace&) = delete;

  // The space of a name or an array; nothing for anything else. `tagName`
  // is the resource name the object was found under. References are
  // resolved through `document` as well as through the containers' own.
  static TPDColorSpacePtr MakeColorSpace(TPDBaseObject* baseObject, std::string tagName = {},
                                         TPDObjectResolver* document = nullptr);

  virtual TColor GetDefaultColor() const;
  virtual int GetNoOfComps() const = 0;
  virtual TColorSpaceMode GetMode() const = 0;
  // Per component the low value and width of an image's default decode
  // range; `maxImgPixel` is the largest sample value (2^bits − 1).
  virtual void GetDefaultRanges(TComponentRanges& decodeLow, TComponentRanges& decodeRange,
                                int maxImgPixel) const;
  virtual int32_t GetGray(const TColor& color) const;
  virtual TRGB GetRGB(const TColor& color) const = 0;
  virtual TCMYK GetCMYK(const TColor& color) const;
  // GetRGB over `count` colours: one virtual call for a whole row.
  virtual void GetRGBs(const TColor* colors, TRGB* out, size_t count) const;

  const std::string& GetTagName() const { return tag_name_; }
  void SetTagName(std::string name) { tag_name_ = std::move(name); }

 protected:
  struct BuildContext;
  TPDColorSpace() = default;
  static TPDColorSpacePtr Build(TPDBaseObject* baseObject, BuildContext& context);

  std::string tag_name_;
};

class TPDDeviceGrayColorSpace : public TPDColorSpace {
 public:
  TPDDeviceGrayColorSpace() = default;
  int GetNoOfComps() const override { return 1; }
  TColorSpaceMode GetMode() const override { return csDeviceGray; }
  int32_t GetGray(const TColor& color) const override { return ClampFixed(color.Comps[0]); }
  TRGB GetRGB(const TColor& color) const override { return RGBFromGray(color.Comps[0]); }
  TCMYK GetCMYK(const TColor& color) const override;
  void GetRGBs(const TColor* colors, TRGB* out, size_t count) const override;
};

// White and black points and gamma are read but not applied.
class TPDCalGrayColorSpace final : public TPDDeviceGrayColorSpace {
 public:
  explicit TPDCalGrayColorSpace(const TPDDictionary* dict);
  TColorSpaceMode GetMode() const override { return csCalGray; }

 private:
  std::array<double, 3> white_{1, 1, 1};
  std::array<double, 3> black_{0, 0, 0};
  double gamma_ = 1;
};

class TPDDeviceRGBColorSpace : public TPDColorSpace {
 public:
  TPDDeviceRGBColorSpace() = default;
  int GetNoOfComps() const override { return 3; }
  TColorSpaceMode GetMode() const override { return csDeviceRGB; }
  int32_t GetGray(const TColor& color) const override;
  TRGB GetRGB(const TColor& color) const override {
    return RGBFromRGB(color.Comps[0], color.Comps[1], color.Comps[2]);
  }
  TCMYK GetCMYK(const TColor& color) const override;
  void GetRGBs(const TColor* colors, TRGB* out, size_t count) const override;
};

// White and black points, gammas and matrix are read but not applied.
class TPDCalRGBColorSpace final : public TPDDeviceRGBColorSpace {
 public:
  explicit TPDCalRGBColorSpace(const TPDDictionary* dict);
  TColorSpaceMode GetMode() const override { return csCalRGB; }

 private:
  std::array<double, 3> white_{1, 1, 1};
  std::array<double, 3> black_{0, 0, 0};
  std::array<double, 3> gamma_{1, 1, 1};
  std::array<double, 9> matrix_{1, 0, 0, 0, 1, 0, 0, 0, 1};
};

class TPDDeviceCMYKColorSpace final : public TPDColorSpace {
 public:
  TPDDeviceCMYKColorSpace() = default;
  TColor GetDefaultColor() const override;
  int GetNoOfComps() const override { return 4; }
  TColorSpaceMode GetMode() const override { return csDeviceCMYK; }
  int32_t GetGray(const TColor& color) const override;
  TRGB GetRGB(const TColor& color) const override {
    return RGBFromCMYK(color.Comps[0], color.Comps[1], color.Comps[2], color.Comps[3]);
  }
  TCMYK GetCMYK(const TColor& color) const override;
  void GetRGBs(const TColor* colors, TRGB* out, size_t count) const override;
};

class TPDLabColorSpace final : public TPDColorSpace {
 public:
  explicit TPDLabColorSpace(const TPDDictionary* dict);
  TColor GetDefaultColor() const override;
  int GetNoOfComps() const override { return 3; }
  TColorSpaceMode GetMode() const override { return csLab; }
  void GetDefaultRanges(TComponentRanges& decodeLow, TComponentRanges& decodeRange,
                        int maxImgPixel) const override;
  int32_t GetGray(const TColor& color) const override;
  TRGB GetRGB(const TColor& color) const override;

 private:
  std::array<double, 3> white_{1, 1, 1};
  std::array<double, 3> black_{0, 0, 0};
  double a_min_ = -100, a_max_ = 100, b_min_ = -100, b_max_ = 100;
  std::array<double, 3> gain_{};
};

// Converted by its alternate device space; the profile is not read.
class TPDICCBasedColorSpace final : public TPDColorSpace {
 public:
  explicit TPDICCBasedColorSpace(TPDBaseObject* profile);
  TColor GetDefaultColor() const override;
  int GetNoOfComps() const override { return no_of_comps_; }
  TColorSpaceMode GetMode() const override { return csICCBased; }
  void GetDefaultRanges(TComponentRanges& decodeLow, TComponentRanges& decodeRange,
                        int maxImgPixel) const override;
  int32_t GetGray(const TColor& color) const override;
  TRGB GetRGB(const TColor& color) const override;
  TCMYK GetCMYK(const TColor& color) const override;
  void GetRGBs(const TColor* colors, TRGB* out, size_t count) const override;
  const TPDColorSpace* GetAlt() const { return alt_.get(); }

 private:
  int no_of_comps_ = 0;
  TPDColorSpacePtr alt_;
  TComponentRanges range_min_{};
  TComponentRanges range_max_{};
};

class TPDIndexedColorSpace final : public TPDColorSpace {
 public:
  TPDIndexedColorSpace(const TPDArray& array, BuildContext& context);
  int GetNoOfComps() const override { return 1; }
  TColorSpaceMode GetMode() const override { return csIndexed; }
  void GetDefaultRanges(TComponentRanges& decodeLow, TComponentRanges& decodeRange,
                        int maxImgPixel) const override;
  int32_t GetGray(const TColor& color) const override;
  TRGB GetRGB(const TColor& color) const override;
  TCMYK GetCMYK(const TColor& color) const override;
  void GetRGBs(const TColor* colors, TRGB* out, size_t count) const override;

  const TPDColorSpace* GetBase() const { return base_.get(); }
  // -1 when the space has no table.
  int GetIndexHigh() const { return index_high_; }
  // (hival + 1) × n bytes; empty without a table.
  const std::string& GetLookup() const { return lookup_; }
  // The base colour of an entry (0 … hival) as the base space reads it.
  const TColor& GetBaseColor(int index) const { return base_colors_[index]; }

 private:
  // The table entry of a colour, or -1 without a table. An index outside
  // 0 … hival is clamped into it.
  int IndexOf(const TColor& color) const;

  TPDColorSpacePtr base_;
  int index_high_ = -1;
  std::string lookup_;
  std::vector<TColor> base_colors_;
  std::vector<TRGB> rgb_;
};

// The last conversion of a Separation or DeviceN space: the tint transform
// is deterministic, so a repeated colour reuses its result. Conversions of
// one space object must therefore not run on two threads at once.
struct TTintCache {
  bool valid = false;
  TColor input;
  TColor output;
};

class TPDSeparationColorSpace final : public TPDColorSpace {
 public:
  TPDSeparationColorSpace(const TPDArray& array, BuildContext& context);
  TColor GetDefaultColor() const override;
  int GetNoOfComps() const override { return 1; }
  TColorSpaceMode GetMode() const override { return csSeparation; }
  int32_t GetGray(const TColor& color) const override;
  TRGB GetRGB(const TColor& color) const override;
  TCMYK GetCMYK(const TColor& color) const override;

  const std::string& GetName() const { return name_; }
  bool IsNonMarking() const { return is_non_marking_; }
  const TPDColorSpace* GetAlt() const { return alt_.get(); }
  const TPDFunction* GetFunc() const { return func_.get(); }
  // The alternate space's colour for a tint, as the conversions use it.
  TColor ToAlternate(const TColor& color) const;

 private:
  std::string name_;
  TPDColorSpacePtr alt_;
  TPDFunctionPtr func_;
  bool is_non_marking_ = false;
  mutable TTintCache cache_;
};

class TPDDeviceNColorSpace final : public TPDColorSpace {
 public:
  TPDDeviceNColorSpace(const TPDArray& array, BuildContext& context);
  TColor GetDefaultColor() const override;
  int GetNoOfComps() const override { return static_cast<int>(names_.size()); }
  TColorSpaceMode GetMode() const override { return csDeviceN; }
  int32_t GetGray(const TColor& color) const override;
  TRGB GetRGB(const TColor& color) const override;
  TCMYK GetCMYK(const TColor& color) const override;

  const std::vector<std::string>& GetNames() const { return names_; }
  bool IsNonMarking() const { return is_non_marking_; }
  const TPDColorSpace* GetAlt() const { return alt_.get(); }
  const TPDFunction* GetFunc() const { return func_.get(); }
  TColor ToAlternate(const TColor& color) const;

 private:
  std::vector<std::string> names_;
  TPDColorSpacePtr alt_;
  TPDFunctionPtr func_;
  bool is_non_marking_ = false;
  mutable TTintCache cache_;
};

// Exists so that pattern colours can be selected; paints nothing and
// converts every colour to black.
class TPDPatternColorSpace final : public TPDColorSpace {
 public:
  explicit TPDPatternColorSpace(TPDColorSpacePtr under = nullptr) : under_(std::move(under)) {}
  int GetNoOfComps() const override { return 1; }
  TColorSpaceMode GetMode() const override { return csPattern; }
  TRGB GetRGB(const TColor&) const override { return {}; }
  const TPDColorSpace* GetUnder() const { return under_.get(); }

 private:
  TPDColorSpacePtr under_;
};

}  // namespace qp::pdf
