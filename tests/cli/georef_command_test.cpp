#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "cli/command.h"
#include "compiler/geo_reference.h"
#include "tests/cli/cli_run_helpers.h"
#include "tests/pdf/core/pdf_template_helpers.h"

namespace qp::cli {
namespace {

namespace fs = std::filesystem;

// A page of 612 x 792 points, with a geospatial viewport over the whole page
// (latitude 42 + y / 10000, longitude -71 + x / 10000) when `geo`.
fs::path ChartPdf(const std::string& name, bool geo) {
  const fs::path path =
      fs::temp_directory_path() / ("qp-georef-" + std::to_string(::getpid()) + "-" + name + ".pdf");
  const std::string vp =
      "/VP [<< /Type /Viewport /BBox [0 0 612 792] /Measure << /Type /Measure /Subtype /GEO "
      "/GPTS [42 -71 42.0792 -71 42.0792 -70.9388 42 -70.9388] /LPTS [0 0 0 1 1 1 1 0] "
      "/GCS << /Type /GEOGCS /EPSG 4326 >> >> >>]";
  std::ofstream(path, std::ios::binary) << pdf::testing::ExpandPdfTemplate(
      "%PDF-1.7\n{{object 1 0}} << /Type /Catalog /Pages 2 0 R >> endobj\n"
      "{{object 2 0}} << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
      "{{object 3 0}} << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] " +
      (geo ? vp : "") +
      " >> endobj\n{{xref}}trailer << /Size 4 /Root 1 0 R >>\n{{startxref}}\n%%EOF\n");
  return path;
}

TEST(GeorefCommand, PrintsThePlateCornersOrWhyThereAreNone) {
  const fs::path chart = ChartPdf("chart", true);
  const fs::path plain = ChartPdf("plain", false);
  const std::string north = LatToText(RoundHalfEven(42.0792 * kUnitsPerDegree));
  struct Case {
    CommandArgs args;
    int status;
    std::string outPart;
    std::string errPart;
  };
  const Case cases[] = {
      {{"georef", chart.string()}, 0, "Top left      " + north + " W071°00.00\n", ""},
      {{"georef", chart.string(), "--json"}, 0, "\"lat_tl\":7574256,\"long_tl\":-12780000", ""},
      {{"georef", chart.string(), "--rotate", "2"},
       0,
       "Rotation      Do not rotate (turns north up)",
       ""},
      {{"georef", chart.string(), "--clip", "10,10,500,600"},
       0,
       "From          geospatial viewport",
       ""},
      {{"georef", plain.string()}, 1, "", "page 1: No geo-reference found on this page"},
      {{"georef", chart.string(), "--clip", "10,10,5,600"}, 2, "", "--clip needs X1 < X2"},
      {{"georef", chart.string(), "--page", "0"}, 2, "", "--page"},
  };
  for (const Case& c : cases) {
    const CliRun run = Platec(c.args);
    EXPECT_EQ(run.status, c.status) << c.args.back() << ": " << run.err;
    EXPECT_NE(run.out.find(c.outPart), std::string::npos) << c.args.back() << ": " << run.out;
    EXPECT_NE(run.err.find(c.errPart), std::string::npos) << c.args.back() << ": " << run.err;
  }
  fs::remove(chart);
  fs::remove(plain);
}

}  // namespace
}  // namespace qp::cli
