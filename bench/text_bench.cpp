// Parse and render page 1 of text-heavy PDF files at width 1024 into a
// raster, single-threaded: one benchmark per file, named after it. The files
// come from QP_TEXT_BENCH_FILES (colon-separated paths; bench/text_speed.sh
// sets it and times mutool on the same files), else from the corpus: the two
// text pages of the charts and the mixed corpus's text samples.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_corpus.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Files() {
  std::vector<std::string> files;
  if (const char* list = std::getenv("QP_TEXT_BENCH_FILES")) {
    std::istringstream in(list);
    for (std::string path; std::getline(in, path, ':');) {
      if (!path.empty()) files.push_back(path);
    }
    return files;
  }
  const fs::path corpus = fs::path(QP_SHARED_DIR) / "corpus";
  for (const char* name :
       {"faa/MA-BOS-HOT-SPOT.pdf", "faa/MA-BOS-LAHSO.pdf", "mixed/fonts/reportlab-standard14.pdf",
        "mixed/fonts/cairo-truetype-subset.pdf"}) {
    if (fs::exists(corpus / name)) files.push_back((corpus / name).string());
  }
  return files;
}

void RenderFile(benchmark::State& state, const std::string& file) {
  for (auto _ : state) qp::bench::RenderPageOne(file, 1024);
}

const bool kRegistered = [] {
  for (const std::string& file : Files()) {
    benchmark::RegisterBenchmark(("BM_Text/" + fs::path(file).stem().string()).c_str(), RenderFile,
                                 file)
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace
