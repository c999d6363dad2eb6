#include "compiler/image_encoder.h"

#include <algorithm>
#include <cstring>
#include <string>

#include <unistd.h>

#include "compiler/binary_file.h"
#include "compiler/group_file.h"
#include "compiler/palette.h"
#include "compiler/plate_error.h"
#include "compiler/row_runs.h"

namespace qp {

bool ClipApplies(bool clip, const ClipRect& r, int rasterWidth, int rasterHeight) {
  return clip && r.Left >= 0 && r.Top >= 0 && r.Left < rasterWidth && r.Top < rasterHeight &&
         r.Right < rasterWidth && r.Bottom < rasterHeight && r.Left < r.Right && r.Top < r.Bottom;
}

void EncodeRow(std::span<const uint8_t> row, std::vector<uint8_t>& out) {
  std::vector<IndexRun> runs;
  RunsOfIndices(row, runs);
  EncodeRuns(runs, static_cast<int>(row.size()), out);
}

namespace {

// Streams an image block to a file: the header with a DataLength placeholder,
// the encoded rows one by one, then DataLength patched in.
class ImageBlockWriter {
 public:
  ImageBlockWriter(const std::filesystem::path& path, uint16_t width, uint16_t height)
      : file_(path, /*keepContent=*/true), path_(path) {
    file_.WriteU16(width);
    file_.WriteU16(height);
    file_.WriteU32(0);
    encoded_.resize(MaxEncodedRowBytes(width));
  }

  void AddRow(std::span<const IndexRun> runs, int width) {
    if (encoded_.size() < MaxEncodedRowBytes(width)) encoded_.resize(MaxEncodedRowBytes(width));
    const size_t bytes = EncodeRunsInto(runs, width, encoded_.data());
    file_.Write(encoded_.data(), bytes);
    total_ += bytes;
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
  RowRunMapper mapper;
  std::vector<IndexRun> runs;
  uint8_t* out = indices.data();
  for (int y = 0; y < height; ++y) {
    mapper.Map(raster.Row(top + y) + left, width, runs);
    for (const IndexRun& run : runs) {
      std::memset(out, run.index, static_cast<size_t>(run.length));
      out += run.length;
    }
  }
  return indices;
}

uint32_t WriteImageBlock(std::span<const uint8_t> indices, uint16_t width, uint16_t height,
                         const std::filesystem::path& path) {
  ImageBlockWriter writer(path, width, height);
  std::vector<IndexRun> runs;
  for (size_t y = 0; y < height; ++y) {
    RunsOfIndices(indices.subspan(y * width, width), runs);
    writer.AddRow(runs, width);
  }
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
  RowRunMapper mapper;
  std::vector<IndexRun> runs;
  for (int y = 0; y < height; ++y) {
    mapper.Map(raster.Row(top + y) + left, width, runs);
    writer.AddRow(runs, width);
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
