#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <memory>
#include <ostream>
#include <string>

#include "cli/argument_reader.h"
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

int RunRender(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  ArgumentReader reader(args);
  const int64_t page = reader.Number("--page", 1, INT32_MAX, 1);
  // Cairo's largest image side.
  const int64_t width = reader.Number("--width", 0, 32767, 0);
  const int64_t rotate = reader.Number("--rotate", 0, 3, 0);
  const std::string password = reader.Value("--password").value_or("");
  const std::optional<std::string> output = reader.Value("-o");
  const std::string file = reader.Positionals({"FILE.pdf"}, 1)[0];
  if (!output) throw UsageError("no output file given (-o OUT.png)");
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
  std::ostream& report = *output == "-" ? err : out;
  if (*output == "-") {
    out << Rgb24PngBytes(raster.Width(), raster.Height(), raster.Stride(), raster.Data());
  } else {
    WriteRgb24Png(*output, raster.Width(), raster.Height(), raster.Stride(), raster.Data());
  }
  if (document.WasRepaired()) err << "platec render: " << file << ": " << kRepairedNote << "\n";
  report << "Size: " << t << " x " << th << "\n";
  report << "Time: " << static_cast<int64_t>(std::llround(seconds * 1000)) << " ms\n";
  return 0;
}

}  // namespace qp::cli
