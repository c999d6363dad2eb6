// Palettising and encoding a chart-like 1024 x 1325 raster into the
// temporary image file, as a build does for every plate.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "compiler/image_encoder.h"
#include "compiler/palette.h"
#include "tests/compiler/chart_raster_helpers.h"

namespace {

std::filesystem::path BenchTempFile() {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "qp_encode_bench";
  std::filesystem::create_directories(dir);
  return dir / "EXP.TMP";
}

void BM_EncodeChart(benchmark::State& state) {
  const qp::PlateRaster raster = qp::testing::MakeChartRaster(1024, 1325);
  const std::filesystem::path temp = BenchTempFile();
  for (auto _ : state) {
    qp::EncodedImage e = qp::EncodePlateImage(raster, false, {}, temp);
    benchmark::DoNotOptimize(e.DataLength);
  }
  state.SetItemsProcessed(state.iterations() * 1024 * 1325);
}
BENCHMARK(BM_EncodeChart)->Unit(benchmark::kMillisecond);

// The first plate of a run also pays for filling the matcher's cells.
void BM_EncodeChartColdMatcher(benchmark::State& state) {
  const qp::PlateRaster raster = qp::testing::MakeChartRaster(1024, 1325);
  const std::filesystem::path temp = BenchTempFile();
  for (auto _ : state) {
    state.PauseTiming();
    auto matcher = std::make_unique<qp::PaletteMatcher>(qp::PlatePalette());
    state.ResumeTiming();
    uint8_t sum = 0;
    for (int y = 0; y < raster.Height(); ++y) {
      const uint32_t* row = raster.Row(y);
      for (int x = 0; x < raster.Width(); ++x) {
        sum += matcher->Match(qp::PlateRaster::NativeToColour(row[x]));
      }
    }
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_EncodeChartColdMatcher)->Unit(benchmark::kMillisecond);

// The reference: a full palette scan per pixel.
void BM_FullScanPalettise(benchmark::State& state) {
  const qp::PlateRaster raster = qp::testing::MakeChartRaster(1024, 1325);
  for (auto _ : state) {
    uint8_t sum = 0;
    for (int y = 0; y < raster.Height(); ++y)
      for (int x = 0; x < raster.Width(); ++x) sum += qp::NearestPaletteIndex(raster.Pixel(x, y));
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_FullScanPalettise)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
