// Fuzz target: the JPEG reader over arbitrary bytes held in memory.
#include <cstddef>
#include <cstdint>
#include <span>

#include "compiler/jpeg_reader.h"
#include "compiler/plate_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    // Small images only, so the fuzzer spends its time on the decoder.
    qp::PlateRaster raster = qp::DecodeJpeg(std::span<const uint8_t>(data, size), 1 << 22);
    (void)raster.Pixel(raster.Width() - 1, raster.Height() - 1);
  } catch (const qp::PlateError&) {
  }
  return 0;
}
