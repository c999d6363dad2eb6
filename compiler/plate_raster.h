#pragma once
// PlateRaster: the compiler's RGB raster. Its memory is a Cairo RGB24 image
// buffer (one native 32-bit word 0x00RRGGBB per pixel, rows `Stride()` bytes
// apart), so a renderer can paint into it through a cairo image surface made
// with cairo_image_surface_create_for_data over Data(). The pixel accessors
// speak colour values 0x00BBGGRR.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace qp {

class PlateRaster {
 public:
  // Largest raster the compiler allocates: each side fits the 16-bit size
  // fields of the group file, and the pixels stay within 1 GiB.
  static constexpr int kMaxSide = 65535;
  static constexpr int64_t kMaxPixels = int64_t{1} << 28;

  PlateRaster() = default;
  // A white raster. Throws PlateError for a size outside 1..kMaxSide or more
  // than kMaxPixels pixels.
  PlateRaster(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Stride() const { return stride_; }  // bytes per row
  uint8_t* Data() { return data_.get(); }
  const uint8_t* Data() const { return data_.get(); }

  // Native words of one row, 0x00RRGGBB (the top byte carries no meaning).
  uint32_t* Row(int y) { return reinterpret_cast<uint32_t*>(data_.get() + size_t(y) * stride_); }
  const uint32_t* Row(int y) const {
    return reinterpret_cast<const uint32_t*>(data_.get() + size_t(y) * stride_);
  }

  uint32_t Pixel(int x, int y) const { return NativeToColour(Row(y)[x]); }
  void SetPixel(int x, int y, uint32_t colour) { Row(y)[x] = ColourToNative(colour); }

  // 0x00RRGGBB <-> 0x00BBGGRR; the top byte is dropped.
  static uint32_t NativeToColour(uint32_t native) {
    return ((native & 0xFF) << 16) | (native & 0xFF00) | ((native >> 16) & 0xFF);
  }
  static uint32_t ColourToNative(uint32_t colour) { return NativeToColour(colour); }

  // Throws PlateError unless width x height is a size this class accepts.
  static void CheckSize(int64_t width, int64_t height);

 private:
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  std::unique_ptr<uint8_t[]> data_;
};

}  // namespace qp
