#pragma once
// The chart corpus as the benchmarks use it, and the render they time.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "compiler/plate_raster.h"
#include "pdf/core/pdf_facade.h"
#include "pdf/render/render_to_dc.h"

namespace qp::bench {

// Every PDF file of the FAA corpus, sorted by name (nothing when the shared
// folder is absent).
inline std::vector<std::string> FaaCharts() {
  namespace fs = std::filesystem;
  std::vector<std::string> charts;
  const fs::path folder = fs::path(QP_SHARED_DIR) / "corpus" / "faa";
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.path().extension() == ".pdf") charts.push_back(entry.path().string());
  }
  std::sort(charts.begin(), charts.end());
  return charts;
}

// Loads `file` and renders its page 1 into a raster `width` pixels wide,
// its height from the page's proportions.
inline void RenderPageOne(const std::string& file, int width) {
  pdf::TPDFDocument document;
  document.LoadFromFile(file);
  const pdf::TPageSize size = document.GetPageSize(1, pdf::muPixels);
  const int height = static_cast<int>(std::nearbyint(size.Height * (width / size.Width)));
  PlateRaster raster(width, height);
  pdf::RenderToDC(document, raster.Data(), raster.Stride(), width, height, 1);
  benchmark::DoNotOptimize(raster.Data());
}

}  // namespace qp::bench
