// Parse and render page 1 of each chart of the FAA corpus at width 1024 into
// a raster (no PNG writing), single-threaded: one benchmark per chart, named
// after it, so that the median over charts can be compared chart for chart
// with another renderer (bench/render_speed.sh does that).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench/bench_corpus.h"

namespace {

namespace fs = std::filesystem;

void RenderChart(benchmark::State& state, const std::string& chart) {
  for (auto _ : state) qp::bench::RenderPageOne(chart, 1024);
}

const bool kRegistered = [] {
  for (const std::string& chart : qp::bench::FaaCharts()) {
    benchmark::RegisterBenchmark(("BM_Render/" + fs::path(chart).stem().string()).c_str(),
                                 RenderChart, chart)
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace
