// Times a build of one group holding page 1 of every PDF in a folder at
// Scaling 1, single-threaded, plate by plate through the build driver, and
// the stages of each plate measured apart: load (open, cross-reference, page
// tree, page size), interpret (the page drawn onto a recording surface),
// rasterise (the recording played into the raster), palettise, encode (rows
// into the temporary file) and append (into the group file). Each figure is
// the best of --rounds runs, in CPU time. Prints one tab-separated line per chart:
//   chart whole load interpret rasterise palettise encode append   (ms)
// Usage: pdf_group_timing FOLDER [--rounds N]
#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "compiler/build_driver.h"
#include "compiler/group_file_writer.h"
#include "compiler/image_encoder.h"
#include "compiler/pdf_source.h"
#include "pdf/render/render_to_dc.h"
#include "project/project.h"

namespace {

namespace fs = std::filesystem;
// CPU time of the process: the machine may be shared, and the build is
// single-threaded, so this is the time the work itself takes.
struct Clock {
  using time_point = double;  // ms
  static time_point now() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
  }
};

double Ms(Clock::time_point from, Clock::time_point to) {
  return to - from;
}

// Times each plate from its status line to its "done".
class TimingStatus : public qp::BuildStatus {
 public:
  std::vector<double> plate_ms;
  void Start(int) override {}
  void AddLine(const std::string&) override { started_ = Clock::now(); }
  void PlateDone() override { plate_ms.push_back(Ms(started_, Clock::now())); }
  bool StopRequested() const override { return false; }
  void Pump() override {}
  void Finish() override {}

 private:
  Clock::time_point started_;
};

struct Stages {
  double whole = 1e300, load = 1e300, interpret = 1e300, rasterise = 1e300, palettise = 1e300,
         encode = 1e300, append = 1e300;
};

void Keep(double& best, double value) {
  best = std::min(best, value);
}

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;

void TimeStages(const fs::path& chart, const fs::path& home, qp::GroupFileWriter& writer, int index,
                const qp::PlateRecord& plate, Stages& s) {
  qp::pdf::TPDFDocument document;
  document.SetFastAntiAliasing(true);  // as the build draws plates
  auto t0 = Clock::now();
  document.LoadFromFile(chart.string());
  const qp::PdfPageLayout layout = qp::PreparePdfPage(document, 1, 1024, 0, chart);
  auto t1 = Clock::now();
  const cairo_rectangle_t extents{0, 0, double(layout.Width), double(layout.Height)};
  Surface recording(cairo_recording_surface_create(CAIRO_CONTENT_COLOR, &extents),
                    cairo_surface_destroy);
  qp::pdf::RenderToDC(document, recording.get(), uint32_t(layout.Width), uint32_t(layout.Height),
                      1);
  auto t2 = Clock::now();
  qp::PlateRaster raster(int(layout.Width), int(layout.Height));
  Surface target(
      cairo_image_surface_create_for_data(raster.Data(), CAIRO_FORMAT_RGB24, raster.Width(),
                                          raster.Height(), raster.Stride()),
      cairo_surface_destroy);
  cairo_t* cr = cairo_create(target.get());
  cairo_set_source_surface(cr, recording.get(), 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(target.get());
  auto t3 = Clock::now();
  const std::vector<uint8_t> indices =
      qp::PalettiseRaster(raster, 0, 0, raster.Width(), raster.Height());
  auto t4 = Clock::now();
  const fs::path temp = qp::TempImagePath(home / "Temp");
  qp::EncodedImage image;
  image.RasterWidth = image.ImageWidth = uint16_t(raster.Width());
  image.RasterHeight = image.ImageHeight = uint16_t(raster.Height());
  image.DataLength = qp::WriteImageBlock(indices, image.ImageWidth, image.ImageHeight, temp);
  auto t5 = Clock::now();
  writer.AppendPlate(index, plate, image, temp);
  auto t6 = Clock::now();
  Keep(s.load, Ms(t0, t1));
  Keep(s.interpret, Ms(t1, t2));
  Keep(s.rasterise, Ms(t2, t3));
  Keep(s.palettise, Ms(t3, t4));
  Keep(s.encode, Ms(t4, t5));
  Keep(s.append, Ms(t5, t6));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "Usage: pdf_group_timing FOLDER [--rounds N]\n");
    return 2;
  }
  int rounds = 3;
  if (argc == 4 && std::string(argv[2]) == "--rounds") rounds = std::max(1, std::atoi(argv[3]));
  std::vector<fs::path> charts;
  for (const auto& entry : fs::directory_iterator(argv[1])) {
    if (entry.path().extension() == ".pdf") charts.push_back(entry.path());
  }
  std::sort(charts.begin(), charts.end());
  const fs::path home = fs::temp_directory_path() / ("qp-group-timing-" + std::to_string(getpid()));
  fs::create_directories(home / "Export");
  fs::create_directories(home / "Temp");

  qp::Project project;
  project.NewProject((home / "timing.zpl").string());
  project.AddGroup("FAA", "KFAA", 0);
  project.SelectGroup(0);
  std::vector<qp::PlateRecord> plates;
  for (const fs::path& chart : charts) {
    qp::PlateRecord plate;
    plate.Name = chart.stem().string().substr(0, 40);
    plate.SourceFile = chart.string();
    plate.Scaling = qp::sc1024;
    project.AddPlate(plate);
    plates.push_back(plate);
  }
  std::vector<Stages> stages(charts.size());
  qp::BuildDriver driver(home);
  for (int round = 0; round < rounds; ++round) {
    TimingStatus status;
    driver.BuildGroups(project, qp::BuildRequest{}, status);
    for (size_t i = 0; i < charts.size() && i < status.plate_ms.size(); ++i) {
      Keep(stages[i].whole, status.plate_ms[i]);
    }
    qp::GroupRecord group;
    group.ID = "STAG";
    group.Name = "stages";
    qp::GroupFileWriter writer(home / "Export", group, plates);
    for (size_t i = 0; i < charts.size(); ++i) {
      TimeStages(charts[i], home, writer, int(i), plates[i], stages[i]);
    }
    writer.Close();
  }
  for (size_t i = 0; i < charts.size(); ++i) {
    const Stages& s = stages[i];
    std::printf("%s\t%.1f\t%.1f\t%.1f\t%.1f\t%.1f\t%.1f\t%.1f\n", charts[i].filename().c_str(),
                s.whole, s.load, s.interpret, s.rasterise, s.palettise, s.encode, s.append);
  }
  fs::remove_all(home);
  return 0;
}
