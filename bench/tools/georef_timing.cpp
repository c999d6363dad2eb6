// The graticule geo-reference of PDF pages, timed next to a render of the
// same page at width 1024. Each figure is the best of --rounds runs in CPU
// time, from loading the file to the result. Prints one tab-separated line
// per page:
//   file page render_ms georef_ms result
// where result is "offered" with the mapping and the residual of every
// label's line against it (points), or the reason nothing was offered.
// With --no-render the render is skipped (for sweeps); --pages N reads the
// first N pages (default 1).
// Usage: georef_timing [--rounds N] [--pages N] [--no-render] FILE...
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "compiler/graticule_georef.h"
#include "compiler/plate_raster.h"
#include "pdf/core/pdf_facade.h"
#include "pdf/render/pdf_text_page.h"
#include "pdf/render/render_to_dc.h"

namespace {

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void Render(const std::string& file, int page) {
  qp::pdf::TPDFDocument document;
  if (!document.LoadFromFile(file)) return;
  const qp::pdf::TPageSize size = document.GetPageSize(page, qp::pdf::muPixels);
  if (!(size.Width > 0) || !(size.Height > 0)) return;
  const int height =
      std::clamp(static_cast<int>(std::nearbyint(size.Height * (1024 / size.Width))), 1, 32767);
  qp::PlateRaster raster(1024, height);
  qp::pdf::RenderToDC(document, raster.Data(), raster.Stride(), 1024, height, page);
}

// The result column: the mapping and the residual of each mark, in points.
std::string Describe(const std::string& file, int page) {
  qp::pdf::TPDFDocument document;
  if (!document.LoadFromFile(file)) return "not loaded";
  std::string problem;
  const auto found = qp::FindGraticuleGeoReference(document, page, &problem);
  if (!found) return problem;
  const auto& m = static_cast<const qp::AffineGeoMapping&>(*found->Mapping);
  char text[512];
  std::snprintf(text, sizeof(text),
                "offered: lon = %.10g x + %.10g y + %.10g; lat = %.10g x + %.10g y + %.10g;"
                " residuals (pt)",
                m.LonX, m.LonY, m.Lon0, m.LatX, m.LatY, m.Lat0);
  std::string out = text;
  const qp::pdf::PageText pageText = qp::pdf::ExtractPageText(*document.Document(), page);
  for (const qp::GraticuleMark& mark : qp::FindGraticuleMarks(pageText)) {
    // The line of this value under the mapping, against the line found.
    const double scale = mark.Label.IsLatitude ? (mark.Vertical ? m.LatX : m.LatY)
                                               : (mark.Vertical ? m.LonX : m.LonY);
    const double offset = mark.Label.IsLatitude ? m.Lat0 : m.Lon0;
    if (scale == 0) continue;
    std::snprintf(text, sizeof(text), " %s%.4f:%.3f", mark.Label.IsLatitude ? "lat" : "lon",
                  mark.Label.Degrees, (mark.Label.Degrees - offset) / scale - mark.Position);
    out += text;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 3, pages = 1;
  bool render = true;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--pages" && i + 1 < argc) {
      pages = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--no-render") {
      render = false;
    } else {
      files.push_back(a);
    }
  }
  for (const std::string& file : files) {
    int count = 1;
    {
      qp::pdf::TPDFDocument document;
      try {
        if (!document.LoadFromFile(file)) {
          std::printf("%s\t-\t-\t-\tnot loaded\n", file.c_str());
          continue;
        }
        count = std::min(pages, static_cast<int>(document.GetPageCount()));
      } catch (const std::exception& e) {
        std::printf("%s\t-\t-\t-\tnot loaded: %s\n", file.c_str(), e.what());
        continue;
      }
    }
    for (int page = 1; page <= count; ++page) {
      double renderMs = -1, georefMs = 1e300;
      std::string result;
      try {
        if (render) {
          renderMs = 1e300;
          for (int r = 0; r < rounds; ++r) {
            const double start = CpuMs();
            Render(file, page);
            renderMs = std::min(renderMs, CpuMs() - start);
          }
        }
        for (int r = 0; r < rounds; ++r) {
          const double start = CpuMs();
          qp::pdf::TPDFDocument document;
          if (document.LoadFromFile(file)) qp::FindGraticuleGeoReference(document, page);
          georefMs = std::min(georefMs, CpuMs() - start);
        }
        result = Describe(file, page);
      } catch (const std::exception& e) {
        result = std::string("error: ") + e.what();
      }
      std::printf("%s\t%d\t%.2f\t%.2f\t%s\n", file.c_str(), page, renderMs, georefMs,
                  result.c_str());
    }
  }
  return 0;
}
