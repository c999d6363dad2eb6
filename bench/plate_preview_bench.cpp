// The plate editor's preview redraw of each FAA chart at 1024 pixels wide,
// as the editor runs it on the user-interface thread: load the file, render
// page 1, copy it into the 2000 x 2000 preview image and draw the clip
// outline. One benchmark per chart; BM_PreviewShownAsDisplay adds the
// mapping to the plate palette for the first chart.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/core/compiler_preview_renderer.h"
#include "app/core/plate_editor_model.h"
#include "bench/bench_corpus.h"
#include "pdf/core/pdf_facade.h"
#include "project/project.h"

namespace {

namespace fs = std::filesystem;

class QuietView : public qp::app::PlateEditorView {
 public:
  int messages = 0;
  void ShowMessage(const std::string&) override { ++messages; }
  void ShowFields() override {}
  void ShowImage() override {}
  void DrawCrosshair(int, int) override {}
  void ShowReadOut(const std::string&) override {}
  void SetBusy(bool) override {}
  qp::app::LatLongTexts AskLatLong(const qp::app::LatLongTexts& initial) override {
    return initial;
  }
  std::optional<std::string> ChooseSourceFile(const std::string&) override { return {}; }
};

void PreviewChart(benchmark::State& state, const std::string& chart, bool shownAsDisplay) {
  qp::pdf::TPDFDocument document;
  qp::app::CompilerPreviewRenderer renderer(document);
  QuietView view;
  qp::Project project;
  qp::app::PlateEditorModel model(view, renderer, project, "/tmp/");
  qp::app::PlateEditorFields fields;
  qp::app::ResetFields(fields, chart, "Chart", 1);
  fields.scaling = qp::sc1024;
  fields.clip = true;
  fields.clip_x1 = "100";
  fields.clip_y1 = "150";
  fields.clip_x2 = "900";
  fields.clip_y2 = "1200";
  model.LoadFields(fields);
  model.SetVisible(true);
  if (shownAsDisplay) model.SetShowAsDisplay(true);
  for (auto _ : state) {
    model.Redraw();
    benchmark::DoNotOptimize(model.Image().Data());
  }
  if (view.messages > 0 || model.PreviewWidth() != 1024) state.SkipWithError("preview failed");
}

const bool kRegistered = [] {
  const std::vector<std::string> charts = qp::bench::FaaCharts();
  for (const std::string& chart : charts) {
    benchmark::RegisterBenchmark(("BM_PreviewRedraw/" + fs::path(chart).stem().string()).c_str(),
                                 PreviewChart, chart, false)
        ->Unit(benchmark::kMillisecond);
  }
  if (!charts.empty()) {
    benchmark::RegisterBenchmark(
        ("BM_PreviewShownAsDisplay/" + fs::path(charts.front()).stem().string()).c_str(),
        PreviewChart, charts.front(), true)
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace
