#pragma once
// PDF images (image XObjects and inline images) turned into bitmaps that a
// Cairo image surface can take as they are: premultiplied ARGB32 for colour
// images, A8 for stencil masks (the device fills the alpha with its fill
// colour). Rows run top to bottom in data order.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_stream.h"
#include "pdf/render/pdf_colorspace.h"

namespace qp::pdf {

// Bounds on what an image may allocate.
struct TImageLimits {
  int64_t max_pixels = int64_t{1} << 28;
};

enum TImageBitmapFormat { ibfNone, ibfARGB32, ibfA8 };

// Pixels ready for cairo_image_surface_create_for_data with
// CAIRO_FORMAT_ARGB32 (native-endian premultiplied 0xAARRGGBB words) or
// CAIRO_FORMAT_A8. `Stride` is what cairo_format_stride_for_width gives.
struct TImageBitmap {
  TImageBitmapFormat Format = ibfNone;
  int Width = 0;
  int Height = 0;
  int Stride = 0;
  std::vector<uint8_t> Data;

  bool IsEmpty() const { return Format == ibfNone; }
  uint8_t* Row(int y) { return Data.data() + static_cast<size_t>(y) * Stride; }
  const uint8_t* Row(int y) const { return Data.data() + static_cast<size_t>(y) * Stride; }
  // ARGB32 only: the pixel as 0xAARRGGBB (premultiplied).
  uint32_t Pixel(int x, int y) const;
};

// Reads the rows of decoded image data: each row starts on a byte boundary
// and yields width × components samples of one byte each (16-bit samples
// keep their high byte; bits left at the end of a row are dropped).
class TPDImageStream {
 public:
  TPDImageStream(TStream* stream, int bits, int comps, int width);

  void Reset();
  // Fills `line` (width × components bytes); false when the data has ended
  // before the row (a row cut short is completed with zeros).
  bool GetLine(uint8_t* line);
  bool SkipLine();
  int GetNoVals() const { return no_vals_; }

 private:
  TStream* stream_;
  int bits_;
  int no_vals_;
  std::vector<uint8_t> raw_;
};

// Precomputed colour components per sample value (2^bits entries per
// table), from the bit depth, the colour space and the Decode array.
class TPDImageColorMap {
 public:
  // `decode` may be null (default ranges). A space is borrowed and must
  // outlive the map; null means one gray component 0 … 1.
  TPDImageColorMap(int bits, const TPDColorSpace* colorSpace, const TPDArray* decode);

  bool IsOk() const { return ok_; }
  int GetNumberOfPixelComps() const { return ncomps_; }
  // The space pixels are converted by: the base of Indexed, the alternate
  // of Separation, otherwise the image's space (null without one).
  const TPDColorSpace* GetConversionSpace() const;
  // True when each pixel is one sample that indexes every table.
  bool IsSingleLookup() const { return color_space2_ != nullptr; }

  // The colour of the pixel whose first sample is at `line[index]`.
  void GetColor(const uint8_t* line, int index, TColor& color) const;
  TRGB GetRGB(const uint8_t* line, int index) const;
  int32_t GetGray(const uint8_t* line, int index) const;
  // Table `comp` entry for sample value `value` (16.16).
  int32_t Lookup(int comp, int value) const { return lookup_[comp][value]; }
  int TableCount() const { return ntables_; }

 private:
  const TPDColorSpace* color_space_;
  const TPDColorSpace* color_space2_ = nullptr;
  int ncomps_ = 1;
  int ntables_ = 1;
  bool ok_ = true;
  std::vector<std::vector<int32_t>> lookup_;
};

// An image XObject or inline image. The stream is borrowed; `resources` is
// the resource dictionary the image was found in (named colour spaces are
// looked up in its /ColorSpace entry), may be null.
class TPDImage {
 public:
  TPDImage(TPDObjectResolver* document, const TPDDictionary* resources, TPDStream* stream,
           bool isInline = false, TImageLimits limits = {});
  ~TPDImage();
  TPDImage(const TPDImage&) = delete;
  TPDImage& operator=(const TPDImage&) = delete;

  int GetWidth() const { return width_; }
  int GetHeight() const { return height_; }
  int GetBitsPerComponent() const { return bits_; }
  bool IsImageMask() const { return image_mask_; }
  bool IsInlineImage() const { return is_inline_; }
  const TPDColorSpace* GetColorSpace() const { return color_space_.get(); }
  const TPDImageColorMap* GetColorMap() const { return color_map_.get(); }
  bool HasColorKeyMask() const { return has_color_key_; }
  // /Interpolate (or /I) true: the image asks to be smoothed when enlarged.
  bool IsInterpolated() const;
  // False for images that are never painted: DeviceN or Pattern spaces,
  // no or absurd dimensions, a colour image without a usable space.
  bool IsDrawable() const;
  // JPEG 2000 data (decoded with OpenJPEG) or DCT data.
  bool IsJpx() const { return is_jpx_; }
  bool IsDct() const { return is_dct_; }

  // Decodes the image: A8 for image masks, ARGB32 otherwise; an empty
  // bitmap when the image is not drawable or its data cannot be decoded.
  // Rows the data does not reach come out transparent. With `reduceX` or
  // `reduceY` above 1, colour images without a mask stream come back with
  // blocks of that many pixels averaged as the rows are decoded (as
  // ReduceBitmap would give, without holding the full-size bitmap); other
  // images come back at full size.
  TImageBitmap ToBitmap(int reduceX = 1, int reduceY = 1);

 private:
  TPDBaseObject* Entry(std::string_view key, std::string_view shortKey) const;
  void ReadDictionary();
  TImageBitmap StencilBitmap();
  TImageBitmap ColorBitmap(int reduceX = 1, int reduceY = 1);
  void ApplyExplicitMask(TImageBitmap& bitmap);
  void ApplySoftMask(TImageBitmap& bitmap);

  TPDObjectResolver* document_;
  const TPDDictionary* resources_;
  TPDStream* stream_;
  const TPDDictionary* dict_ = nullptr;
  bool is_inline_;
  TImageLimits limits_;
  int width_ = 0;
  int height_ = 0;
  int bits_ = 0;
  bool image_mask_ = false;
  bool is_jpx_ = false;
  bool is_dct_ = false;
  // A filter of the chain has no decoder here (JBIG2 and unknown names).
  bool undecodable_ = false;
  TPDColorSpacePtr color_space_;
  std::unique_ptr<TPDImageColorMap> color_map_;
  bool has_color_key_ = false;
  std::vector<std::pair<int, int>> color_key_;
  std::vector<double> matte_;
  int rows_read_ = 0;
};

// Averages blocks of reduceX × reduceY pixels (premultiplied channels, or
// alpha) fed one source row at a time; blocks cut by the right and bottom
// edges average what they hold, rows never fed count as transparent.
class TBlockReducer {
 public:
  TBlockReducer(TImageBitmapFormat format, int width, int height, int reduceX, int reduceY);
  void AddRow(const uint8_t* row);
  TImageBitmap Finish();

 private:
  void EmitRow();

  TImageBitmap out_;
  int width_, height_, reduce_x_, reduce_y_, bytes_;
  int rows_in_block_ = 0;
  int rows_added_ = 0;
  std::vector<uint32_t> column_sums_;
};

// `bitmap` with blocks of reduceX × reduceY pixels averaged into one.
TImageBitmap ReduceBitmap(const TImageBitmap& bitmap, int reduceX, int reduceY);

// Decodes JPEG 2000 data (a codestream or a JP2 file) into 8-bit samples,
// `comps` per pixel, rows top to bottom. False when the data is refused or
// holds more than `maxPixels` samples over all its components.
struct TJpxPixels {
  int Width = 0;
  int Height = 0;
  int Comps = 0;
  std::string Samples;
};
bool DecodeJpx(const std::string& data, int64_t maxPixels, TJpxPixels& out);

}  // namespace qp::pdf
