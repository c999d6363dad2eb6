#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <memory>
#include <ostream>
#include <string>

#include "cli/command.h"
#include "cli/option_values.h"
#include "cli/pdf_loading.h"
#include "compiler/pdf_source.h"
#include "compiler/plate_raster.h"
#include "compiler/png_writer.h"
#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_facade.h"
#include "pdf/render/render_to_dc.h"

namespace qp::cli {

namespace {

constexpr std::string_view kUsage =
    "Usage: platec render FILE.pdf [--page N] [--width W] [--rotate 0..3] [--password P] -o "
    "OUT.png\n";

}  // namespace

int RunRender(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  std::string file, output, password;
  int64_t page = 1, width = 0, rotate = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--page" && hasValue) {
      page = WholeNumberOption(a, args[++i], 1, INT32_MAX);
    } else if (a == "--width" && hasValue) {
      // Cairo's largest image side.
      width = WholeNumberOption(a, args[++i], 0, 32767);
    } else if (a == "--rotate" && hasValue) {
      rotate = WholeNumberOption(a, args[++i], 0, 3);
    } else if (a == "--password" && hasValue) {
      password = args[++i];
    } else if (a == "-o" && hasValue) {
      output = args[++i];
    } else if (file.empty() && a.rfind("-", 0) != 0) {
      file = a;
    } else {
      err << kUsage;
      return 2;
    }
  }
  if (file.empty() || output.empty()) {
    err << kUsage;
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  pdf::TPDFDocument document;
  LoadPdfFile(document, file, password);
  const auto pageNo = static_cast<int32_t>(page);
  const PdfPageLayout layout =
      PreparePdfPage(document, pageNo, static_cast<int>(std::min<int64_t>(width, INT32_MAX)),
                     static_cast<int>(rotate), file);
  const int64_t t = layout.Width, th = layout.Height;
  PlateRaster raster(static_cast<int>(t), static_cast<int>(th));
  const bool complete =
      pdf::RenderToDC(document, raster.Data(), raster.Stride(), static_cast<uint32_t>(t),
                      static_cast<uint32_t>(th), pageNo);
  if (!complete) {
    err << "platec render: " << file << ", page " << pageNo << ": " << kDrawingStoppedNote << "\n";
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // With "-o -" the image is the output, and the report goes beside it.
  std::ostream& report = output == "-" ? err : out;
  if (output == "-") {
    out << Rgb24PngBytes(raster.Width(), raster.Height(), raster.Stride(), raster.Data());
  } else {
    WriteRgb24Png(output, raster.Width(), raster.Height(), raster.Stride(), raster.Data());
  }
  if (document.WasRepaired()) err << "platec render: " << file << ": " << kRepairedNote << "\n";
  report << "Size: " << t << " x " << th << "\n";
  report << "Time: " << static_cast<int64_t>(std::llround(seconds * 1000)) << " ms\n";
  return 0;
}

}  // namespace qp::cli
