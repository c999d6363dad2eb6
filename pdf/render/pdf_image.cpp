// Image dictionaries read into TPDImage and decoded into Cairo-ready
// bitmaps, with stencil, explicit, colour-key and soft masks.

#include "pdf/render/pdf_image.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_memory_stream.h"

namespace qp::pdf {

namespace {

// Encoded JPEG 2000 data larger than this is not read.
constexpr size_t kMaxJpxBytes = size_t{256} << 20;

inline uint32_t PackPixel(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
  return (uint32_t{a} << 24) | (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
}

inline void StorePixel(uint8_t* row, int x, uint32_t pixel) {
  std::memcpy(row + 4 * static_cast<size_t>(x), &pixel, 4);
}

inline uint32_t LoadPixel(const uint8_t* row, int x) {
  uint32_t pixel;
  std::memcpy(&pixel, row + 4 * static_cast<size_t>(x), 4);
  return pixel;
}

inline uint8_t Premultiply(int c, int a) {
  return static_cast<uint8_t>((c * a + 127) / 255);
}

TImageBitmap MakeBitmap(TImageBitmapFormat format, int width, int height) {
  TImageBitmap bitmap;
  bitmap.Format = format;
  bitmap.Width = width;
  bitmap.Height = height;
  bitmap.Stride =
      cairo_format_stride_for_width(format == ibfA8 ? CAIRO_FORMAT_A8 : CAIRO_FORMAT_ARGB32, width);
  bitmap.Data.assign(static_cast<size_t>(bitmap.Stride) * height, 0);
  return bitmap;
}

// A positive integer value, or 0.
int PositiveInt(const TPDBaseObject* value) {
  if (value == nullptr || !value->IsNumber()) return 0;
  const double number = value->GetNumber();
  if (!(number >= 1) || number > 2147483647.0) return 0;
  return static_cast<int>(number);
}

// Source index for each destination index when `from` samples are spread
// over `to` (nearest neighbour).
std::vector<int> ScaleIndices(int from, int to) {
  std::vector<int> indices(static_cast<size_t>(to));
  for (int i = 0; i < to; ++i) {
    indices[i] = static_cast<int>(static_cast<int64_t>(i) * from / to);
  }
  return indices;
}

std::string ReadAll(TStream& stream, size_t limit) {
  std::string data;
  uint8_t buffer[65536];
  while (data.size() < limit) {
    const size_t got = stream.Read(buffer, sizeof buffer);
    if (got == 0) break;
    data.append(reinterpret_cast<const char*>(buffer), got);
  }
  return data;
}

// An Indexed space whose lookup string is shorter than its table, rebuilt
// with the missing entries black (a whole image would otherwise go black).
TPDColorSpacePtr PaddedIndexedSpace(TPDBaseObject* object, TPDObjectResolver* document) {
  object = ResolveObject(object, document);
  if (object == nullptr || !object->IsArray()) return nullptr;
  const auto& array = static_cast<const TPDArray&>(*object);
  if (array.GetLength() != 4) return nullptr;
  const TPDBaseObject* family = array.GetRefObj(0);
  const TPDBaseObject* high = ResolveObject(array.GetRefObj(2), document);
  const TPDBaseObject* lookup = ResolveObject(array.GetRefObj(3), document);
  if (family == nullptr || !(family->IsName("Indexed") || family->IsName("I")) || high == nullptr ||
      !high->IsInteger() || lookup == nullptr || !lookup->IsString()) {
    return nullptr;
  }
  const int32_t hival = static_cast<const TPDInteger*>(high)->Value();
  TPDColorSpacePtr base = TPDColorSpace::MakeColorSpace(array.GetRefObj(1), {}, document);
  if (!base || hival < 0 || hival > 255) return nullptr;
  const size_t size = static_cast<size_t>(hival + 1) * base->GetNoOfComps();
  std::string bytes = static_cast<const TPDString*>(lookup)->GetBytes();
  if (bytes.size() >= size) return nullptr;
  bytes.resize(size, '\0');
  TPDArray padded(document);
  for (size_t i = 0; i < 3; ++i) padded.Add(array.GetRefObjClone(i));
  padded.Add(std::make_unique<TPDString>(std::move(bytes), false));
  return TPDColorSpace::MakeColorSpace(&padded, {}, document);
}

}  // namespace

TBlockReducer::TBlockReducer(TImageBitmapFormat format, int width, int height, int reduceX,
                             int reduceY)
    : width_(width),
      height_(height),
      reduce_x_(std::clamp(reduceX, 1, std::max(width, 1))),
      // Column sums of up to 2^24 rows of bytes fit in 32 bits.
      reduce_y_(std::clamp(reduceY, 1, std::clamp(height, 1, 1 << 24))),
      bytes_(format == ibfA8 ? 1 : 4) {
  out_ =
      MakeBitmap(format, (width + reduce_x_ - 1) / reduce_x_, (height + reduce_y_ - 1) / reduce_y_);
  column_sums_.assign(static_cast<size_t>(width) * bytes_, 0);
}

void TBlockReducer::AddRow(const uint8_t* row) {
  if (rows_added_ >= height_) return;
  // Columns are summed down the block first: a plain loop the compiler
  // vectorises; the sums across are made once per block row.
  uint32_t* sums = column_sums_.data();
  const size_t n = column_sums_.size();
  for (size_t i = 0; i < n; ++i) sums[i] += row[i];
  ++rows_added_;
  if (++rows_in_block_ == reduce_y_ || rows_added_ == height_) EmitRow();
}

namespace {

// Writes one row of block averages from the column sums of a block row.
template <int Bytes>
void EmitBlockRow(const uint32_t* sums, uint8_t* out, int outWidth, int width, int reduceX,
                  int blockRows) {
  const double fullScale = 1.0 / (static_cast<double>(reduceX) * blockRows);
  for (int x = 0; x < outWidth; ++x) {
    const int x0 = x * reduceX, x1 = std::min(x0 + reduceX, width);
    const double scale =
        x1 - x0 == reduceX ? fullScale : 1.0 / (static_cast<double>(x1 - x0) * blockRows);
    int64_t total[Bytes] = {};
    for (int sx = x0; sx < x1; ++sx) {
      for (int b = 0; b < Bytes; ++b) total[b] += sums[static_cast<size_t>(sx) * Bytes + b];
    }
    for (int b = 0; b < Bytes; ++b) {
      out[x * Bytes + b] = static_cast<uint8_t>(static_cast<double>(total[b]) * scale + 0.5);
    }
  }
}

}  // namespace

void TBlockReducer::EmitRow() {
  const int y = (rows_added_ - 1) / reduce_y_;
  const int blockRows = std::min(reduce_y_, height_ - y * reduce_y_);
  if (bytes_ == 4) {
    EmitBlockRow<4>(column_sums_.data(), out_.Row(y), out_.Width, width_, reduce_x_, blockRows);
  } else {
    EmitBlockRow<1>(column_sums_.data(), out_.Row(y), out_.Width, width_, reduce_x_, blockRows);
  }
  std::fill(column_sums_.begin(), column_sums_.end(), 0);
  rows_in_block_ = 0;
}

TImageBitmap TBlockReducer::Finish() {
  // A block the data stopped inside counts its missing rows as transparent.
  if (rows_in_block_ > 0) EmitRow();
  return std::move(out_);
}

TImageBitmap ReduceBitmap(const TImageBitmap& bitmap, int reduceX, int reduceY) {
  TBlockReducer reducer(bitmap.Format, bitmap.Width, bitmap.Height, reduceX, reduceY);
  for (int y = 0; y < bitmap.Height; ++y) reducer.AddRow(bitmap.Row(y));
  return reducer.Finish();
}

uint32_t TImageBitmap::Pixel(int x, int y) const {
  if (Format != ibfARGB32 || x < 0 || y < 0 || x >= Width || y >= Height) return 0;
  return LoadPixel(Row(y), x);
}

namespace {

// Whether a filter of the chain is one that no decoder of ours reads (its
// bytes would pass through encoded and paint noise).
bool HasUndecodableFilter(TStream* top) {
  constexpr int kMaxChain = 64;
  TStream* stream = top;
  for (int i = 0; i < kMaxChain && stream != nullptr; ++i) {
    if (stream->GetType() == stWeird) return true;
    TStream* below = stream->GetUndecodedStream();
    if (below == stream) break;
    stream = below;
  }
  return false;
}

}  // namespace

TPDImage::TPDImage(TPDObjectResolver* document, const TPDDictionary* resources, TPDStream* stream,
                   bool isInline, TImageLimits limits)
    : document_(document),
      resources_(resources),
      stream_(stream),
      is_inline_(isInline),
      limits_(limits) {
  if (stream_ != nullptr) dict_ = stream_->GetDict();
  ReadDictionary();
}

TPDImage::~TPDImage() = default;

TPDBaseObject* TPDImage::Entry(std::string_view key, std::string_view shortKey) const {
  if (dict_ == nullptr) return nullptr;
  TPDBaseObject* value = dict_->LookUp(key);
  if (value == nullptr || value->IsNull()) value = dict_->LookUp(shortKey);
  return value != nullptr && value->IsNull() ? nullptr : value;
}

void TPDImage::ReadDictionary() {
  if (dict_ == nullptr) return;
  width_ = PositiveInt(Entry("Width", "W"));
  height_ = PositiveInt(Entry("Height", "H"));
  const TPDBaseObject* mask = Entry("ImageMask", "IM");
  image_mask_ =
      mask != nullptr && mask->IsBoolean() && static_cast<const TPDBoolean*>(mask)->Value();
  bits_ = image_mask_ ? 1 : PositiveInt(Entry("BitsPerComponent", "BPC"));

  if (TStream* data = stream_->GetStream()) {
    is_jpx_ = data->GetType() == stJPX;
    is_dct_ = data->GetType() == stDCT;
    undecodable_ = HasUndecodableFilter(data);
  }
  // JPEG 2000 data carries its own depth; its samples reach us as bytes.
  if (is_jpx_ && !image_mask_) bits_ = 8;

  if (!image_mask_) {
    TPDBaseObject* space = Entry("ColorSpace", "CS");
    if (space != nullptr) {
      color_space_ = TPDColorSpace::MakeColorSpace(space, {}, document_);
      if (!color_space_ && space->IsName() && resources_ != nullptr) {
        const std::string& name = static_cast<const TPDName*>(space)->Value();
        const TPDBaseObject* spaces = resources_->LookUp("ColorSpace");
        if (spaces != nullptr && spaces->IsDict()) {
          color_space_ = TPDColorSpace::MakeColorSpace(
              static_cast<const TPDDictionary*>(spaces)->LookUp(name), name, document_);
        }
      }
    }
    if (color_space_ && color_space_->GetMode() == csIndexed &&
        static_cast<const TPDIndexedColorSpace&>(*color_space_).GetIndexHigh() < 0) {
      if (TPDColorSpacePtr padded = PaddedIndexedSpace(space, document_)) {
        color_space_ = std::move(padded);
      }
    }
  }

  const TPDBaseObject* decode = Entry("Decode", "D");
  const auto* decodeArray =
      decode != nullptr && decode->IsArray() ? static_cast<const TPDArray*>(decode) : nullptr;
  if (bits_ == 1 || bits_ == 2 || bits_ == 4 || bits_ == 8 || bits_ == 16) {
    color_map_ = std::make_unique<TPDImageColorMap>(bits_, color_space_.get(), decodeArray);
  }

  const TPDBaseObject* maskEntry = dict_->LookUp("Mask");
  if (!image_mask_ && maskEntry != nullptr && maskEntry->IsArray()) {
    const auto& ranges = static_cast<const TPDArray&>(*maskEntry);
    for (size_t i = 0; i + 1 < ranges.GetLength(); i += 2) {
      const TPDBaseObject* a = ranges.GetRefObj(i);
      const TPDBaseObject* b = ranges.GetRefObj(i + 1);
      if (a == nullptr || b == nullptr || !a->IsNumber() || !b->IsNumber()) break;
      const double shift = bits_ == 16 ? 256.0 : 1.0;
      color_key_.emplace_back(static_cast<int>(std::clamp(a->GetNumber() / shift, -1.0, 65536.0)),
                              static_cast<int>(std::clamp(b->GetNumber() / shift, -1.0, 65536.0)));
    }
    has_color_key_ = color_map_ && !color_key_.empty() &&
                     color_key_.size() >= static_cast<size_t>(color_map_->GetNumberOfPixelComps());
  }

  const TPDBaseObject* matte = nullptr;
  if (const TPDBaseObject* smask = dict_->LookUp("SMask"); smask && smask->IsStream()) {
    const TPDDictionary* smaskDict = static_cast<const TPDStream*>(smask)->GetDict();
    if (smaskDict != nullptr) matte = smaskDict->LookUp("Matte");
  }
  if (matte != nullptr && matte->IsArray()) {
    const auto& values = static_cast<const TPDArray&>(*matte);
    for (size_t i = 0; i < values.GetLength() && i < kMaxColorComps; ++i) {
      const TPDBaseObject* v = values.GetRefObj(i);
      matte_.push_back(v != nullptr && v->IsNumber() ? v->GetNumber() : 0.0);
    }
  }
}

bool TPDImage::IsInterpolated() const {
  const TPDBaseObject* value = Entry("Interpolate", "I");
  return value != nullptr && value->IsBoolean() && static_cast<const TPDBoolean*>(value)->Value();
}

bool TPDImage::IsDrawable() const {
  if (stream_ == nullptr || dict_ == nullptr || !color_map_ || undecodable_) return false;
  if (!is_jpx_ && (width_ <= 0 || height_ <= 0)) return false;
  if (color_space_) {
    const TColorSpaceMode mode = color_space_->GetMode();
    if (mode == csDeviceN || mode == csPattern) return false;
  } else if (!image_mask_ && Entry("ColorSpace", "CS") != nullptr) {
    return false;  // named a space that could not be built
  }
  if (!is_jpx_) {
    const int64_t pixels = int64_t{width_} * height_;
    const int64_t samples = int64_t{width_} * color_map_->GetNumberOfPixelComps();
    if (pixels > limits_.max_pixels || samples > limits_.max_pixels) return false;
  }
  return true;
}

TImageBitmap TPDImage::ToBitmap(int reduceX, int reduceY) {
  if (!IsDrawable()) return {};
  try {
    if (image_mask_) return StencilBitmap();
    const TPDBaseObject* smask = dict_->LookUp("SMask");
    const TPDBaseObject* mask = dict_->LookUp("Mask");
    // Masks are applied at full size.
    const bool masked =
        (smask != nullptr && smask->IsStream()) || (mask != nullptr && mask->IsStream());
    TImageBitmap bitmap = masked ? ColorBitmap() : ColorBitmap(reduceX, reduceY);
    if (bitmap.IsEmpty()) return bitmap;
    if (smask != nullptr && smask->IsStream()) {
      ApplySoftMask(bitmap);
    } else if (mask != nullptr && mask->IsStream()) {
      ApplyExplicitMask(bitmap);
    }
    return bitmap;
  } catch (const EPDFEngineError&) {
    return {};
  }
}

TImageBitmap TPDImage::StencilBitmap() {
  TImageBitmap bitmap = MakeBitmap(ibfA8, width_, height_);
  // A sample paints where its decoded value is 0: sample 0 by default,
  // sample 1 under Decode [1 0].
  const uint8_t paint[2] = {static_cast<uint8_t>(color_map_->Lookup(0, 0) <= 0 ? 255 : 0),
                            static_cast<uint8_t>(color_map_->Lookup(0, 1) <= 0 ? 255 : 0)};
  TPDImageStream rows(stream_->GetStream(), 1, 1, width_);
  rows.Reset();
  std::vector<uint8_t> line(static_cast<size_t>(width_));
  rows_read_ = 0;
  for (int y = 0; y < height_; ++y) {
    if (!rows.GetLine(line.data())) break;
    rows_read_ = y + 1;
    uint8_t* out = bitmap.Row(y);
    for (int x = 0; x < width_; ++x) out[x] = paint[line[x]];
  }
  return bitmap;
}

TImageBitmap TPDImage::ColorBitmap(int reduceX, int reduceY) {
  TStream* source = stream_->GetStream();
  std::unique_ptr<TMemoryStream> jpxSamples;
  if (is_jpx_) {
    TStream* encoded = source != nullptr ? source->GetUndecodedStream() : nullptr;
    if (encoded == nullptr) return {};
    encoded->Reset();
    TJpxPixels pixels;
    if (!DecodeJpx(ReadAll(*encoded, kMaxJpxBytes), limits_.max_pixels, pixels)) return {};
    if (!color_space_) {
      const char* name = pixels.Comps >= 4   ? "DeviceCMYK"
                         : pixels.Comps >= 3 ? "DeviceRGB"
                                             : "DeviceGray";
      TPDName spaceName(name);
      color_space_ = TPDColorSpace::MakeColorSpace(&spaceName);
    }
    const int comps = color_space_->GetNoOfComps();
    if (pixels.Comps < comps) return {};
    if (pixels.Comps > comps) {
      // Extra channels (alpha, unassociated data) are dropped.
      std::string packed(static_cast<size_t>(pixels.Width) * pixels.Height * comps, '\0');
      for (size_t p = 0, n = static_cast<size_t>(pixels.Width) * pixels.Height; p < n; ++p) {
        std::memcpy(&packed[p * comps], &pixels.Samples[p * pixels.Comps],
                    static_cast<size_t>(comps));
      }
      pixels.Samples.swap(packed);
    }
    width_ = pixels.Width;
    height_ = pixels.Height;
    const TPDBaseObject* decode = Entry("Decode", "D");
    color_map_ = std::make_unique<TPDImageColorMap>(
        8, color_space_.get(),
        decode != nullptr && decode->IsArray() ? static_cast<const TPDArray*>(decode) : nullptr);
    jpxSamples = std::make_unique<TMemoryStream>(std::move(pixels.Samples));
    source = jpxSamples.get();
  }

  const TPDImageColorMap& map = *color_map_;
  const int samplesPerPixel = map.IsSingleLookup() ? 1 : map.GetNumberOfPixelComps();
  if (!map.IsSingleLookup() && map.TableCount() != samplesPerPixel) return {};
  const int tableEntries = 1 << std::min(bits_, 8);
  const TPDColorSpace* space = map.GetConversionSpace();

  // Reduced images go through one full-size row at a time.
  const bool reduce = reduceX > 1 || reduceY > 1;
  std::optional<TBlockReducer> reducer;
  if (reduce) reducer.emplace(ibfARGB32, width_, height_, reduceX, reduceY);
  TImageBitmap bitmap = MakeBitmap(ibfARGB32, width_, reduce ? 1 : height_);
  TPDImageStream rows(source, bits_, samplesPerPixel, width_);
  rows.Reset();
  std::vector<uint8_t> line(static_cast<size_t>(rows.GetNoVals()));

  // One colour per sample value when a pixel is a single sample; byte
  // tables per component for DeviceRGB; otherwise one conversion per row.
  std::vector<uint32_t> palette;
  std::array<std::vector<uint8_t>, 3> channel;
  std::vector<TColor> colors;
  std::vector<TRGB> rgbs;
  const bool direct = samplesPerPixel == 1;
  const bool deviceRGB = !direct && space != nullptr && space->GetMode() == csDeviceRGB;
  if (direct) {
    colors.resize(static_cast<size_t>(tableEntries));
    rgbs.resize(colors.size());
    for (int v = 0; v < tableEntries; ++v) {
      const uint8_t sample = static_cast<uint8_t>(v);
      map.GetColor(&sample, 0, colors[v]);
    }
    if (space != nullptr) {
      space->GetRGBs(colors.data(), rgbs.data(), colors.size());
    } else {
      for (size_t v = 0; v < colors.size(); ++v) rgbs[v] = RGBFromGray(colors[v].Comps[0]);
    }
    palette.resize(colors.size());
    for (size_t v = 0; v < colors.size(); ++v) {
      palette[v] = PackPixel(255, ByteFromFixed(rgbs[v].R), ByteFromFixed(rgbs[v].G),
                             ByteFromFixed(rgbs[v].B));
    }
  } else if (deviceRGB) {
    for (int c = 0; c < 3; ++c) {
      channel[c].resize(static_cast<size_t>(tableEntries));
      for (int v = 0; v < tableEntries; ++v) channel[c][v] = ByteFromFixed(map.Lookup(c, v));
    }
  } else {
    colors.resize(static_cast<size_t>(width_));
    rgbs.resize(colors.size());
  }

  const int keyComps = samplesPerPixel;
  rows_read_ = 0;
  for (int y = 0; y < height_; ++y) {
    if (!rows.GetLine(line.data())) break;
    rows_read_ = y + 1;
    uint8_t* out = bitmap.Row(reduce ? 0 : y);
    const uint8_t* in = line.data();
    if (direct) {
      for (int x = 0; x < width_; ++x) StorePixel(out, x, palette[in[x]]);
    } else if (deviceRGB) {
      for (int x = 0; x < width_; ++x) {
        const uint8_t* p = in + 3 * x;
        StorePixel(out, x, PackPixel(255, channel[0][p[0]], channel[1][p[1]], channel[2][p[2]]));
      }
    } else {
      for (int x = 0; x < width_; ++x) map.GetColor(in, x * samplesPerPixel, colors[x]);
      if (space != nullptr) space->GetRGBs(colors.data(), rgbs.data(), colors.size());
      for (int x = 0; x < width_; ++x) {
        StorePixel(out, x,
                   PackPixel(255, ByteFromFixed(rgbs[x].R), ByteFromFixed(rgbs[x].G),
                             ByteFromFixed(rgbs[x].B)));
      }
    }
    if (has_color_key_) {
      // A pixel whose every sample lies inside its key range is not painted.
      for (int x = 0; x < width_; ++x) {
        const uint8_t* p = in + static_cast<size_t>(x) * keyComps;
        bool inside = true;
        for (int c = 0; c < keyComps && inside; ++c) {
          inside = p[c] >= color_key_[c].first && p[c] <= color_key_[c].second;
        }
        if (inside) StorePixel(out, x, 0);
      }
    }
    if (reduce) reducer->AddRow(out);
  }
  return reduce ? reducer->Finish() : std::move(bitmap);
}

void TPDImage::ApplyExplicitMask(TImageBitmap& bitmap) {
  auto* maskStream = static_cast<TPDStream*>(dict_->LookUp("Mask"));
  TPDImage mask(document_, resources_, maskStream, false, limits_);
  if (!mask.image_mask_) {
    // A mask stream is a stencil whether or not it says so.
    mask.image_mask_ = true;
    mask.bits_ = 1;
    mask.color_space_.reset();
    const TPDBaseObject* decode = mask.Entry("Decode", "D");
    mask.color_map_ = std::make_unique<TPDImageColorMap>(
        1, nullptr,
        decode != nullptr && decode->IsArray() ? static_cast<const TPDArray*>(decode) : nullptr);
  }
  const TImageBitmap stencil = mask.ToBitmap();
  if (stencil.IsEmpty() || mask.rows_read_ == 0) return;  // a mask without data masks nothing

  // The result takes the mask's size, so a fine mask over a coarse image
  // keeps its edges; unpainted pixels are transparent.
  TImageBitmap result = MakeBitmap(ibfARGB32, stencil.Width, stencil.Height);
  const std::vector<int> xs = ScaleIndices(bitmap.Width, stencil.Width);
  const std::vector<int> ys = ScaleIndices(bitmap.Height, stencil.Height);
  for (int y = 0; y < stencil.Height; ++y) {
    const uint8_t* alpha = stencil.Row(y);
    const uint8_t* in = bitmap.Row(ys[y]);
    uint8_t* out = result.Row(y);
    for (int x = 0; x < stencil.Width; ++x) {
      if (alpha[x] != 0) StorePixel(out, x, LoadPixel(in, xs[x]));
    }
  }
  bitmap = std::move(result);
}

void TPDImage::ApplySoftMask(TImageBitmap& bitmap) {
  auto* smaskStream = static_cast<TPDStream*>(dict_->LookUp("SMask"));
  TPDImage smask(document_, resources_, smaskStream, false, limits_);
  if (smask.image_mask_) return;
  // A soft mask larger than the image is averaged down by whole blocks while
  // it is decoded: it is sampled at the image's size anyway, and a huge mask
  // over a small image would otherwise be expanded whole.
  const int reduceX = std::max(1, smask.width_ / std::max(1, bitmap.Width));
  const int reduceY = std::max(1, smask.height_ / std::max(1, bitmap.Height));
  TImageBitmap gray = smask.IsDrawable() ? smask.ColorBitmap(reduceX, reduceY) : TImageBitmap{};
  if (gray.IsEmpty()) return;  // an unreadable soft mask leaves the image opaque

  // Matte: the colour the image was pre-blended with; undone before the
  // alpha is applied.
  bool hasMatte = false;
  int matte[3] = {0, 0, 0};
  if (!matte_.empty() && color_space_ &&
      matte_.size() >= static_cast<size_t>(color_space_->GetNoOfComps())) {
    TColor color;
    for (size_t i = 0; i < matte_.size(); ++i) color.Comps[i] = FixedTruncFromDouble(matte_[i]);
    const TRGB rgb = color_space_->GetRGB(color);
    matte[0] = ByteFromFixed(rgb.R);
    matte[1] = ByteFromFixed(rgb.G);
    matte[2] = ByteFromFixed(rgb.B);
    hasMatte = true;
  }

  const std::vector<int> xs = ScaleIndices(gray.Width, bitmap.Width);
  const std::vector<int> ys = ScaleIndices(gray.Height, bitmap.Height);
  for (int y = 0; y < bitmap.Height; ++y) {
    const int sy = ys[y];
    const bool maskRow = static_cast<int64_t>(sy) * reduceY < smask.rows_read_;
    const uint8_t* maskIn = gray.Row(sy);
    uint8_t* row = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width; ++x) {
      const uint32_t pixel = LoadPixel(row, x);
      if ((pixel >> 24) == 0) continue;  // already masked out
      // Rows the soft mask's data does not reach leave the image opaque.
      const int a = maskRow ? static_cast<int>(LoadPixel(maskIn, xs[x]) & 0xFF) : 255;
      int c[3] = {static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
                  static_cast<int>(pixel & 0xFF)};
      if (hasMatte && a > 0) {
        for (int i = 0; i < 3; ++i) {
          c[i] = std::clamp(matte[i] + (c[i] - matte[i]) * 255 / a, 0, 255);
        }
      }
      StorePixel(row, x,
                 PackPixel(static_cast<uint8_t>(a), Premultiply(c[0], a), Premultiply(c[1], a),
                           Premultiply(c[2], a)));
    }
  }
}

}  // namespace qp::pdf
