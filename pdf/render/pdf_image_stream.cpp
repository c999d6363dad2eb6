// Row reader and per-sample colour tables of images.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "pdf/render/pdf_image.h"

namespace qp::pdf {

namespace {

size_t RawRowBytes(int bits, int64_t samples) {
  return static_cast<size_t>((samples * bits + 7) / 8);
}

}  // namespace

TPDImageStream::TPDImageStream(TStream* stream, int bits, int comps, int width)
    : stream_(stream),
      bits_(bits),
      no_vals_(width * comps),
      raw_(RawRowBytes(bits, static_cast<int64_t>(width) * comps)) {}

void TPDImageStream::Reset() {
  if (stream_ != nullptr) stream_->Reset();
}

bool TPDImageStream::SkipLine() {
  if (stream_ == nullptr) return false;
  return stream_->Read(raw_.data(), raw_.size()) > 0;
}

bool TPDImageStream::GetLine(uint8_t* line) {
  if (stream_ == nullptr) return false;
  const size_t got = stream_->Read(raw_.data(), raw_.size());
  if (got == 0 && !raw_.empty()) return false;
  if (got < raw_.size()) std::memset(raw_.data() + got, 0, raw_.size() - got);
  const uint8_t* in = raw_.data();
  const int n = no_vals_;
  switch (bits_) {
    case 8:
      std::memcpy(line, in, static_cast<size_t>(n));
      break;
    case 16:
      for (int i = 0; i < n; ++i) line[i] = in[2 * i];
      break;
    case 1:
      for (int i = 0; i < n; ++i) line[i] = (in[i >> 3] >> (7 - (i & 7))) & 1;
      break;
    case 2:
      for (int i = 0; i < n; ++i) line[i] = (in[i >> 2] >> (6 - 2 * (i & 3))) & 3;
      break;
    case 4:
      for (int i = 0; i < n; ++i) line[i] = (in[i >> 1] >> (4 - 4 * (i & 1))) & 15;
      break;
    default:
      std::memset(line, 0, static_cast<size_t>(n));
      break;
  }
  return true;
}

// ---- colour map

TPDImageColorMap::TPDImageColorMap(int bits, const TPDColorSpace* colorSpace,
                                   const TPDArray* decode)
    : color_space_(colorSpace) {
  // 16-bit samples arrive as their high byte, so they map like 8-bit ones.
  const int tableBits = std::min(bits, 8);
  const int maxValue = (1 << tableBits) - 1;
  const int entries = maxValue + 1;

  TComponentRanges low{};
  TComponentRanges range{};
  low.fill(0.0);
  range.fill(1.0);
  ncomps_ = 1;
  if (colorSpace != nullptr) {
    ncomps_ = std::clamp(colorSpace->GetNoOfComps(), 1, kMaxColorComps);
    colorSpace->GetDefaultRanges(low, range, maxValue);
  }
  if (decode != nullptr) {
    const size_t pairs = decode->GetLength() / 2;
    if (pairs != static_cast<size_t>(ncomps_)) ok_ = false;
    for (size_t i = 0; i < pairs && i < static_cast<size_t>(ncomps_); ++i) {
      const TPDBaseObject* a = decode->GetRefObj(2 * i);
      const TPDBaseObject* b = decode->GetRefObj(2 * i + 1);
      if (a == nullptr || b == nullptr || !a->IsNumber() || !b->IsNumber()) {
        ok_ = false;
        continue;
      }
      low[i] = a->GetNumber();
      range[i] = b->GetNumber() - low[i];
    }
  }
  const auto decoded = [&](int comp, int v) {
    return static_cast<double>(v) * range[comp] / maxValue + low[comp];
  };

  const TColorSpaceMode mode = colorSpace != nullptr ? colorSpace->GetMode() : csDeviceGray;
  if (mode == csIndexed) {
    const auto* indexed = static_cast<const TPDIndexedColorSpace*>(colorSpace);
    color_space2_ = indexed->GetBase();
    const int high = indexed->GetIndexHigh();
    ntables_ =
        color_space2_ != nullptr ? std::clamp(color_space2_->GetNoOfComps(), 1, kMaxColorComps) : 1;
    lookup_.assign(ntables_, std::vector<int32_t>(entries, 0));
    if (high >= 0) {
      for (int v = 0; v < entries; ++v) {
        const double position = std::trunc(decoded(0, v) + 0.5);
        const int index = position <= 0 ? 0 : position >= high ? high : static_cast<int>(position);
        const TColor& base = indexed->GetBaseColor(index);
        for (int j = 0; j < ntables_; ++j) lookup_[j][v] = base.Comps[j];
      }
    }
    return;
  }
  if (mode == csSeparation) {
    const auto* separation = static_cast<const TPDSeparationColorSpace*>(colorSpace);
    color_space2_ = separation->GetAlt();
    ntables_ =
        color_space2_ != nullptr ? std::clamp(color_space2_->GetNoOfComps(), 1, kMaxColorComps) : 1;
    lookup_.assign(ntables_, std::vector<int32_t>(entries, 0));
    for (int v = 0; v < entries; ++v) {
      TColor tint;
      tint.Comps[0] = FixedTruncFromDouble(decoded(0, v));
      const TColor alt = separation->ToAlternate(tint);
      for (int j = 0; j < ntables_; ++j) lookup_[j][v] = alt.Comps[j];
    }
    return;
  }
  ntables_ = ncomps_;
  lookup_.assign(ntables_, std::vector<int32_t>(entries, 0));
  for (int i = 0; i < ntables_; ++i) {
    for (int v = 0; v < entries; ++v) lookup_[i][v] = FixedTruncFromDouble(decoded(i, v));
  }
}

const TPDColorSpace* TPDImageColorMap::GetConversionSpace() const {
  return color_space2_ != nullptr ? color_space2_ : color_space_;
}

void TPDImageColorMap::GetColor(const uint8_t* line, int index, TColor& color) const {
  if (IsSingleLookup()) {
    const uint8_t v = line[index];
    for (int j = 0; j < ntables_; ++j) color.Comps[j] = lookup_[j][v];
  } else {
    for (int i = 0; i < ntables_; ++i) color.Comps[i] = lookup_[i][line[index + i]];
  }
}

TRGB TPDImageColorMap::GetRGB(const uint8_t* line, int index) const {
  TColor color;
  GetColor(line, index, color);
  const TPDColorSpace* space = GetConversionSpace();
  return space != nullptr ? space->GetRGB(color) : RGBFromGray(color.Comps[0]);
}

int32_t TPDImageColorMap::GetGray(const uint8_t* line, int index) const {
  TColor color;
  GetColor(line, index, color);
  const TPDColorSpace* space = GetConversionSpace();
  return space != nullptr ? space->GetGray(color) : color.Comps[0];
}

}  // namespace qp::pdf
