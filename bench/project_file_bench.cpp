// Time of the project file operations on a large project: 20 groups of 500
// plates (about 3 MB of INI text).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "project/project.h"

namespace {

constexpr int kGroups = 20;

class BigProject {
 public:
  BigProject() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qp-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    project.NewProject(folder_ + "/big.zpl");
    for (int g = 0; g < kGroups; ++g) project.AddGroup("Group", "KXYZ", 0);
    for (int g = 0; g < kGroups; ++g) {
      project.SelectGroup(g);
      for (int i = 0; i < qp::kMaxPlatesPerGroup; ++i) {
        qp::PlateRecord plate;
        plate.Name = "Approach chart \xE9";
        plate.SourceFile = "/charts/g" + std::to_string(g) + "/p" + std::to_string(i) + ".pdf";
        plate.LatTL = 8100000 + i;
        project.AddPlate(plate);
      }
    }
    project.FlushPending();
  }
  ~BigProject() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  qp::Project project;

 private:
  std::string folder_;
};

BigProject& Shared() {
  static BigProject big;
  return big;
}

void BM_LoadProject(benchmark::State& state) {
  qp::Project& project = Shared().project;
  for (auto _ : state) project.LoadProject();
}
BENCHMARK(BM_LoadProject)->Unit(benchmark::kMillisecond);

void BM_LoadGroup500(benchmark::State& state) {
  qp::Project& project = Shared().project;
  for (auto _ : state) project.LoadGroup(kGroups - 1);
}
BENCHMARK(BM_LoadGroup500)->Unit(benchmark::kMillisecond);

// Includes the atomic replacement of the whole file, fsync included.
void BM_SaveGroup500(benchmark::State& state) {
  qp::Project& project = Shared().project;
  project.LoadGroup(kGroups - 1);
  for (auto _ : state) project.SaveGroup(kGroups - 1);
}
BENCHMARK(BM_SaveGroup500)->Unit(benchmark::kMillisecond);

}  // namespace
