// A 50-page PDF whose pages share one embedded font and one large JPEG
// picture, built as 50 plates (load, render, encode, as a one-worker build
// does) with the document's resource cache and without it (budget 0). The
// file is generated here, so the figures need nothing from the corpus.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include "bench/bench_jpeg.h"
#include "compiler/pdf_source.h"
#include "pdf/core/pdf_facade.h"
#include "tests/pdf/core/pdf_template_helpers.h"

namespace qp::bench {
namespace {

constexpr int kPages = 50;
constexpr int kPictureSide = 2000;
constexpr int kPlateWidth = 1024;
constexpr char kFontFile[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream whole;
  whole << in.rdbuf();
  return std::move(whole).str();
}

// Objects 1 catalog, 2 pages, 3 font, 4 picture, 5 descriptor, 6 font program,
// then each page and its content. Without the font file the font is a
// standard one (nothing embedded).
std::string SharedResourcesPdf() {
  std::string pdf = "%PDF-1.4\n";
  std::map<uint32_t, size_t> offsets;
  auto object = [&](int number, const std::string& body, const std::string& stream = {},
                    bool isStream = false) {
    offsets[number] = pdf.size();
    pdf += std::to_string(number) + " 0 obj\n" + body;
    if (isStream) pdf += "\nstream\n" + stream + "\nendstream";
    pdf += "\nendobj\n";
  };
  object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  std::string kids;
  for (int p = 0; p < kPages; ++p) kids += std::to_string(10 + 2 * p) + " 0 R ";
  object(2, "<< /Type /Pages /Count " + std::to_string(kPages) + " /Kids [" + kids + "] >>");
  const std::string program = ReadFile(kFontFile);
  std::string widths;
  for (int c = 32; c <= 126; ++c) widths += "600 ";
  if (program.empty()) {
    object(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  } else {
    object(3,
           "<< /Type /Font /Subtype /TrueType /BaseFont /DejaVuSans /FirstChar 32 /LastChar 126 "
           "/Widths [" +
               widths + "] /Encoding /WinAnsiEncoding /FontDescriptor 5 0 R >>");
    object(5,
           "<< /Type /FontDescriptor /FontName /DejaVuSans /Flags 32 /FontBBox [-1021 -463 1793 "
           "1232] /ItalicAngle 0 /Ascent 928 /Descent -236 /CapHeight 729 /StemV 80 /FontFile2 "
           "6 0 R >>");
    object(6,
           "<< /Length " + std::to_string(program.size()) + " /Length1 " +
               std::to_string(program.size()) + " >>",
           program, true);
  }
  const std::string jpeg = EncodeJpeg(SyntheticRgb(kPictureSide), kPictureSide);
  object(4,
         "<< /Type /XObject /Subtype /Image /Width " + std::to_string(kPictureSide) + " /Height " +
             std::to_string(kPictureSide) +
             " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode /Length " +
             std::to_string(jpeg.size()) + " >>",
         jpeg, true);
  for (int p = 0; p < kPages; ++p) {
    std::string content = "q 400 0 0 400 100 340 cm /Im Do Q BT /F1 9 Tf 40 300 Td 11 TL\n";
    for (int line = 0; line < 24; ++line) {
      content += "(Page " + std::to_string(p + 1) + ", line " + std::to_string(line + 1) +
                 ": THE QUICK BROWN FOX JUMPS OVER 0123456789 the lazy dog) '\n";
    }
    content += "ET";
    object(10 + 2 * p,
           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " +
               std::to_string(11 + 2 * p) +
               " 0 R /Resources << /Font << /F1 3 0 R >> /XObject << /Im 4 0 R >> >> >>");
    object(11 + 2 * p, "<< /Length " + std::to_string(content.size()) + " >>", content, true);
  }
  const size_t xref = pdf.size();
  pdf += pdf::testing::template_detail::XrefTable(offsets);
  const uint32_t size = offsets.rbegin()->first + 1;
  pdf += "trailer\n<< /Size " + std::to_string(size) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

const std::filesystem::path& SharedPdf() {
  static const std::filesystem::path path = [] {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / "qp-shared-resources-bench.pdf";
    std::ofstream(file, std::ios::binary) << SharedResourcesPdf();
    // A file written just now is loaded afresh every time; dated back, it is
    // kept between plates as a file at rest is.
    std::filesystem::last_write_time(
        file, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    return file;
  }();
  return path;
}

// Every page as a plate, into one document as one build worker does.
void BuildPlates(benchmark::State& state, size_t budget) {
  const std::filesystem::path& source = SharedPdf();
  const std::filesystem::path temp =
      std::filesystem::temp_directory_path() / "qp-shared-resources-bench.TMP";
  for (auto _ : state) {
    pdf::TPDFDocument document;
    document.SetResourceCacheBudget(budget);
    for (int page = 1; page <= kPages; ++page) {
      EncodedImage image =
          RasterisePdfPlate(document, source, page, kPlateWidth, 0, false, ClipRect{}, temp);
      benchmark::DoNotOptimize(image);
    }
  }
  std::filesystem::remove(temp);
  state.counters["plates/s"] =
      benchmark::Counter(double(kPages) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_FiftyPlatesWithCache(benchmark::State& state) {
  BuildPlates(state, pdf::TPDResourceCache::kDefaultBudget);
}
BENCHMARK(BM_FiftyPlatesWithCache)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FiftyPlatesWithoutCache(benchmark::State& state) {
  BuildPlates(state, 0);
}
BENCHMARK(BM_FiftyPlatesWithoutCache)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace qp::bench
