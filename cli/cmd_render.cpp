#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <memory>
#include <ostream>
#include <string>

#include "cli/command.h"
#include "compiler/pdf_source.h"
#include "compiler/plate_raster.h"
#include "pdf/core/pdf_errors.h"
#include "pdf/core/pdf_facade.h"
#include "pdf/render/render_to_dc.h"

namespace qp::cli {

namespace {

constexpr std::string_view kUsage =
    "Usage: platec render FILE.pdf [--page N] [--width W] [--rotate 0..3] [--password P] -o "
    "OUT.png\n";

bool ParseInt(const std::string& text, int64_t& value) {
  try {
    size_t used = 0;
    value = std::stoll(text, &used);
    return used == text.size();
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

int RunRender(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  std::string file, output, password;
  int64_t page = 1, width = 0, rotate = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--page" && hasValue && ParseInt(args[i + 1], page)) {
      ++i;
    } else if (a == "--width" && hasValue && ParseInt(args[i + 1], width) && width >= 0) {
      ++i;
    } else if (a == "--rotate" && hasValue && ParseInt(args[i + 1], rotate) && rotate >= 0 &&
               rotate <= 3) {
      ++i;
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
  document.SetPassword(password);
  if (!document.LoadFromFile(file)) {
    err << "platec render: " << pdf::ExPasswordRequired().what() << "\n";
    return 1;
  }
  const auto pageNo = static_cast<int32_t>(page);
  const PdfPageLayout layout =
      PreparePdfPage(document, pageNo, static_cast<int>(std::min<int64_t>(width, INT32_MAX)),
                     static_cast<int>(rotate), file);
  const int64_t t = layout.Width, th = layout.Height;
  PlateRaster raster(static_cast<int>(t), static_cast<int>(th));
  pdf::RenderToDC(document, raster.Data(), raster.Stride(), static_cast<uint32_t>(t),
                  static_cast<uint32_t>(th), pageNo);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      cairo_image_surface_create_for_data(raster.Data(), CAIRO_FORMAT_RGB24, raster.Width(),
                                          raster.Height(), raster.Stride()),
      cairo_surface_destroy);
  const cairo_status_t status = cairo_surface_write_to_png(surface.get(), output.c_str());
  if (status != CAIRO_STATUS_SUCCESS) {
    err << "platec render: " << output << ": " << cairo_status_to_string(status) << "\n";
    return 1;
  }
  if (document.WasRepaired()) err << "platec render: " << file << ": " << kRepairedNote << "\n";
  out << "Size: " << t << " x " << th << "\n";
  out << "Time: " << static_cast<int64_t>(std::llround(seconds * 1000)) << " ms\n";
  return 0;
}

}  // namespace qp::cli
