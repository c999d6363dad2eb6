// Drawing a page that holds one 2000 x 2000 RGB DCT image (made at set-up,
// written to a temporary file) at width 1024: load, decode and paint into a
// raster, single-threaded. Beside it, mutool rendering the same file at the
// same width in the same run (its own page time, `-s t`, start-up left out;
// uncompressed PAM output to /dev/null).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_jpeg.h"
#include "compiler/plate_raster.h"
#include "pdf/core/pdf_facade.h"
#include "pdf/render/render_to_dc.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSide = 2000;
constexpr int kTargetWidth = 1024;

// A one-page PDF: a 600 x 600 point page covered by the image.
std::string ImagePage(const std::string& jpeg) {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 600] /Contents 4 0 R "
      "/Resources << /XObject << /Im 5 0 R >> >> >>",
  };
  const std::string content = "q 600 0 0 600 0 0 cm /Im Do Q";
  objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
                    "\nendstream");
  objects.push_back("<< /Type /XObject /Subtype /Image /Width " + std::to_string(kSide) +
                    " /Height " + std::to_string(kSide) +
                    " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode /Length " +
                    std::to_string(jpeg.size()) + " >>\nstream\n" + jpeg + "\nendstream");
  std::string pdf = "%PDF-1.5\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    pdf += line;
  }
  pdf += "trailer << /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

const std::string& PageFile() {
  static const std::string path = [] {
    const fs::path file = fs::temp_directory_path() / "qp_image_draw_bench.pdf";
    const std::string jpeg = qp::bench::EncodeJpeg(qp::bench::SyntheticRgb(kSide), kSide);
    std::ofstream(file, std::ios::binary) << ImagePage(jpeg);
    return file.string();
  }();
  return path;
}

void BM_DrawImagePage(benchmark::State& state) {
  const std::string& file = PageFile();
  for (auto _ : state) {
    qp::pdf::TPDFDocument document;
    if (!document.LoadFromFile(file)) {
      state.SkipWithError("page not loaded");
      return;
    }
    qp::PlateRaster raster(kTargetWidth, kTargetWidth);
    qp::pdf::RenderToDC(document, raster.Data(), raster.Stride(), kTargetWidth, kTargetWidth, 1);
    benchmark::DoNotOptimize(raster.Data());
  }
}
BENCHMARK(BM_DrawImagePage)->Unit(benchmark::kMillisecond);

// mutool's page time for the same file, in whole milliseconds.
void BM_MutoolSamePage(benchmark::State& state) {
  const std::string command = "mutool draw -s t -w " + std::to_string(kTargetWidth) +
                              " -o /dev/null -F pam '" + PageFile() + "' 1 2>&1";
  for (auto _ : state) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
      state.SkipWithError("mutool not started");
      return;
    }
    char line[512];
    double ms = -1;
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
      int milliseconds = 0;
      const std::string text = line;
      const size_t at = text.rfind(' ');
      if (text.rfind("page ", 0) == 0 && at != std::string::npos &&
          std::sscanf(text.c_str() + at + 1, "%dms", &milliseconds) == 1) {
        ms = milliseconds;
      }
    }
    pclose(pipe);
    if (ms < 0) {
      state.SkipWithError("no page time from mutool");
      return;
    }
    state.SetIterationTime(ms / 1000.0);
  }
}
BENCHMARK(BM_MutoolSamePage)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
