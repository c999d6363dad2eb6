// Finding a chart's geo-reference next to rendering it: for each chart of the
// FAA corpus, BM_GeoRef loads it and looks for a geospatial viewport and a
// printed graticule on page 1, BM_Render loads it and renders page 1 at
// width 1024 (the same work as render_bench). The finding should take no
// longer than the render, chart for chart.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench/bench_corpus.h"
#include "compiler/chart_georef.h"

namespace {

namespace fs = std::filesystem;

void FindGeoReference(benchmark::State& state, const std::string& chart) {
  for (auto _ : state) {
    qp::pdf::TPDFDocument document;
    document.LoadFromFile(chart);
    std::string problem;
    benchmark::DoNotOptimize(qp::FindChartGeoReference(document, 1, std::nullopt, &problem));
  }
}

void RenderChart(benchmark::State& state, const std::string& chart) {
  for (auto _ : state) qp::bench::RenderPageOne(chart, 1024);
}

const bool kRegistered = [] {
  for (const std::string& chart : qp::bench::FaaCharts()) {
    const std::string name = fs::path(chart).stem().string();
    benchmark::RegisterBenchmark(("BM_GeoRef/" + name).c_str(), FindGeoReference, chart)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_Render/" + name).c_str(), RenderChart, chart)
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace
