// Opening a chart: load, page count, page 1 size in pixels and rotation, for
// every chart of the FAA corpus. One iteration opens every chart once; the
// per-file time is reported as a counter.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_corpus.h"
#include "pdf/core/pdf_facade.h"

namespace {

namespace fs = std::filesystem;

void BM_OpenChart(benchmark::State& state) {
  const std::vector<std::string> charts = qp::bench::FaaCharts();
  if (charts.empty()) {
    state.SkipWithError("no charts in ../shared/corpus/faa");
    return;
  }
  double checksum = 0;
  for (auto _ : state) {
    for (const std::string& chart : charts) {
      qp::pdf::TPDFDocument document;
      document.LoadFromFile(chart);
      checksum += document.GetPageCount();
      const qp::pdf::TPageSize size = document.GetPageSize(1, qp::pdf::muPixels);
      checksum += size.Width + size.Height + document.GetPageRotate(1);
    }
  }
  benchmark::DoNotOptimize(checksum);
  state.counters["files"] = static_cast<double>(charts.size());
  state.counters["per_file"] = benchmark::Counter(
      static_cast<double>(charts.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_OpenChart)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
