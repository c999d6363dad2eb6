#include "compiler/image_encoder.h"

#include <algorithm>
#include <cstring>
#include <string>

#include <unistd.h>

#include "compiler/binary_file.h"
#include "compiler/group_file.h"
#include "compiler/palette.h"
#include "compiler/plate_error.h"

namespace qp {

bool ClipApplies(bool clip, const ClipRect& r, int rasterWidth, int rasterHeight) {
  return clip && r.Left >= 0 && r.Top >= 0 && r.Left < rasterWidth && r.Top < rasterHeight &&
         r.Right < rasterWidth && r.Bottom < rasterHeight && r.Left < r.Right && r.Top < r.Bottom;
}

// Walks the row once in literal or repeat mode. A record's control byte is
// reserved when it opens and filled when it closes; a control byte reserved
// for a record that never received a pixel is taken back. Runs of three equal
// indices start a repeat record, but in literal mode only when at least one
// more pixel follows them; the output must match these rules byte for byte.
void EncodeRow(std::span<const uint8_t> row, std::vector<uint8_t>& out) {
  const int w = static_cast<int>(row.size());
  const uint8_t* p = row.data();
  // Every closed record holds at least one pixel in at most two bytes per
  // pixel, and at most one record (two bytes) is open without pixels.
  const size_t base = out.size();
  out.resize(base + 2 * size_t(w) + 4);
  uint8_t* const start = out.data() + base;
  uint8_t* q = start;
  uint8_t* control = nullptr;  // the open record's control byte; none yet in this row
  bool repeat = false;
  int count = 0;
  uint8_t runValue = 0;
  int x = 0;

  while (x < w) {
    const uint8_t v = p[x];
    if (!repeat) {
      if (x <= w - 4 && p[x + 1] == v && p[x + 2] == v) {
        if (control && count >= 1) {
          *control = static_cast<uint8_t>(count);
        } else if (control) {
          q = control;
        }
        control = q;
        *q++ = 0;
        *q++ = v;
        count = 3;
        x += 3;
        repeat = true;
        runValue = v;
      } else {
        if (!control) {
          control = q;
          *q++ = 0;
        }
        *q++ = v;
        ++count;
        ++x;
        if (count == 127) {
          *control = 0x7F;
          control = q;
          *q++ = 0;
          count = 0;
        }
      }
    } else if (v == runValue) {
      // Take the rest of the run at once, up to the record's room.
      const int limit = std::min(w, x + (127 - count));
      int end = x + 1;
      while (end < limit && p[end] == v) ++end;
      count += end - x;
      x = end;
      if (count == 127) {
        *control = 0xFF;
        control = q;
        *q++ = 0;
        *q++ = v;
        count = 0;
      }
    } else {
      if (count == 0) {
        q = control;
      } else {
        *control = static_cast<uint8_t>(0x80 + count);
      }
      control = q;
      *q++ = 0;
      *q++ = v;
      ++x;
      runValue = v;
      count = 1;
      repeat = x <= w - 2 && p[x] == v && p[x + 1] == v;
    }
  }

  if (control) {
    if (count == 0) {
      q = control;
    } else {
      *control = static_cast<uint8_t>(repeat ? 0x80 + count : count);
    }
  }
  out.resize(base + static_cast<size_t>(q - start));
}

namespace {

// Maps one row of native pixels to palette indices. Charts are mostly long
// stretches of one colour, so the last match is remembered across calls.
class RowPalettiser {
 public:
  RowPalettiser() : matcher_(PlatePaletteMatcher()) {}

  void Map(const uint32_t* row, int width, uint8_t* out) {
    int x = 0;
    while (x < width) {
      const uint32_t native = row[x] & 0xFFFFFF;
      if (native != lastNative_) {
        lastNative_ = native;
        lastIndex_ = matcher_.Match(PlateRaster::NativeToColour(native));
      }
      const int start = x++;
      while (x < width && (row[x] & 0xFFFFFF) == native) ++x;
      std::memset(out + start, lastIndex_, static_cast<size_t>(x - start));
    }
  }

 private:
  const PaletteMatcher& matcher_;
  uint32_t lastNative_ = 0xFFFFFFFF;  // matches no pixel
  uint8_t lastIndex_ = 0;
};

// Streams an image block to a file: the header with a DataLength placeholder,
// the encoded rows one by one, then DataLength patched in.
class ImageBlockWriter {
 public:
  ImageBlockWriter(const std::filesystem::path& path, uint16_t width, uint16_t height)
      : file_(path, /*keepContent=*/true), path_(path) {
    file_.WriteU16(width);
    file_.WriteU16(height);
    file_.WriteU32(0);
    encoded_.reserve(2 * size_t(width) + 4);
  }

  void AddRow(std::span<const uint8_t> indices) {
    encoded_.clear();
    EncodeRow(indices, encoded_);
    file_.Write(encoded_.data(), encoded_.size());
    total_ += encoded_.size();
  }

  uint32_t Finish() {
    if (total_ > UINT32_MAX) throw PlateError("Image of " + path_.string() + " is too large");
    file_.Truncate(kImageBlockHeaderSize + total_);  // drop what an earlier image left
    file_.Seek(4);
    file_.WriteU32(static_cast<uint32_t>(total_));
    file_.Close();
    return static_cast<uint32_t>(total_);
  }

 private:
  OutputFile file_;
  std::filesystem::path path_;
  std::vector<uint8_t> encoded_;
  uint64_t total_ = 0;
};

}  // namespace

std::vector<uint8_t> PalettiseRaster(const PlateRaster& raster, int left, int top, int width,
                                     int height) {
  std::vector<uint8_t> indices(size_t(width) * size_t(height));
  RowPalettiser palettiser;
  for (int y = 0; y < height; ++y) {
    palettiser.Map(raster.Row(top + y) + left, width, indices.data() + size_t(y) * width);
  }
  return indices;
}

uint32_t WriteImageBlock(std::span<const uint8_t> indices, uint16_t width, uint16_t height,
                         const std::filesystem::path& path) {
  ImageBlockWriter writer(path, width, height);
  for (size_t y = 0; y < height; ++y) writer.AddRow(indices.subspan(y * width, width));
  return writer.Finish();
}

EncodedImage EncodePlateImage(const PlateRaster& raster, bool clip, const ClipRect& rect,
                              const std::filesystem::path& tempFile) {
  if (raster.Width() < 1 || raster.Height() < 1) throw PlateError("Empty raster to encode");
  EncodedImage result;
  result.RasterWidth = static_cast<uint16_t>(raster.Width());
  result.RasterHeight = static_cast<uint16_t>(raster.Height());
  result.Clip = rect;
  result.Clipped = ClipApplies(clip, rect, raster.Width(), raster.Height());
  // The clipped part is read where it lies, which gives the same pixels as
  // moving it to the raster's top-left corner first; rows are palettised and
  // encoded one at a time, so no whole-image index buffer is needed.
  int left = 0, top = 0, width = raster.Width(), height = raster.Height();
  if (result.Clipped) {
    left = rect.Left;
    top = rect.Top;
    width = rect.Right - rect.Left;
    height = rect.Bottom - rect.Top;
  }
  result.ImageWidth = static_cast<uint16_t>(width);
  result.ImageHeight = static_cast<uint16_t>(height);
  ImageBlockWriter writer(tempFile, result.ImageWidth, result.ImageHeight);
  RowPalettiser palettiser;
  std::vector<uint8_t> row(static_cast<size_t>(width));
  for (int y = 0; y < height; ++y) {
    palettiser.Map(raster.Row(top + y) + left, width, row.data());
    writer.AddRow(row);
  }
  result.DataLength = writer.Finish();
  return result;
}

std::filesystem::path TempImagePath(const std::filesystem::path& tempFolder) {
  return tempFolder / "EXP.TMP";
}

std::filesystem::path BuildTempImagePath(const std::filesystem::path& tempFolder) {
  return tempFolder / ("EXP" + std::to_string(getpid()) + ".TMP");
}

}  // namespace qp
