// Parse and render page 1 of each chart of the FAA corpus at width 1024 into
// a raster (no PNG writing), single-threaded: one benchmark per chart, named
// after it, so that the median over charts can be compared chart for chart
// with another renderer (bench/render_speed.sh does that).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "compiler/plate_raster.h"
#include "pdf/core/pdf_facade.h"
#include "pdf/render/render_to_dc.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Charts() {
  std::vector<std::string> charts;
  const fs::path folder = fs::path(QP_SHARED_DIR) / "corpus" / "faa";
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.path().extension() == ".pdf") charts.push_back(entry.path().string());
  }
  std::sort(charts.begin(), charts.end());
  return charts;
}

void RenderChart(benchmark::State& state, const std::string& chart) {
  for (auto _ : state) {
    qp::pdf::TPDFDocument document;
    document.LoadFromFile(chart);
    const qp::pdf::TPageSize size = document.GetPageSize(1, qp::pdf::muPixels);
    const int width = 1024;
    const int height = static_cast<int>(std::nearbyint(size.Height * (width / size.Width)));
    qp::PlateRaster raster(width, height);
    qp::pdf::RenderToDC(document, raster.Data(), raster.Stride(), width, height, 1);
    benchmark::DoNotOptimize(raster.Data());
  }
}

const bool kRegistered = [] {
  for (const std::string& chart : Charts()) {
    benchmark::RegisterBenchmark(("BM_Render/" + fs::path(chart).stem().string()).c_str(),
                                 RenderChart, chart)
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace
