#include <climits>
#include <ostream>
#include <string>

#include "cli/argument_reader.h"
#include "cli/command.h"
#include "cli/json_text.h"
#include "cli/option_values.h"
#include "cli/pdf_loading.h"
#include "cli/project_json.h"
#include "compiler/chart_georef.h"
#include "compiler/geo_reference.h"
#include "compiler/plate_georef.h"
#include "pdf/core/pdf_facade.h"

namespace qp::cli {

namespace {

constexpr const char* kRotationCaptions[] = {"Do not rotate", "Rotate 90 degrees left",
                                             "Rotate 90 degrees right", "Rotate upside down"};

// "X1,Y1,X2,Y2" in preview pixels.
void ReadClip(const std::string& text, PlateRecord& plate) {
  int32_t values[4];
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const size_t comma = i < 3 ? text.find(',', start) : text.size();
    if (comma == std::string::npos) {
      throw UsageError("--clip takes X1,Y1,X2,Y2 in preview pixels, not '" + text + "'");
    }
    values[i] = static_cast<int32_t>(
        WholeNumberOption("--clip", text.substr(start, comma - start), 0, 65535));
    start = comma + 1;
  }
  if (values[2] <= values[0] || values[3] <= values[1]) {
    throw UsageError("--clip needs X1 < X2 and Y1 < Y2, not '" + text + "'");
  }
  plate.Clip = true;
  plate.ClipX1 = values[0], plate.ClipY1 = values[1];
  plate.ClipX2 = values[2], plate.ClipY2 = values[3];
}

std::string ResultJson(const std::string& file, const PlateRecord& plate,
                       const PlateGeoResult& found) {
  const PlateCorners& c = found.Corners;
  return JsonObject()
      .Add("file", file)
      .Add("page", int64_t{plate.FirstPage})
      .Add("rotate", int64_t{found.Rotate})
      .Add("rotate_changed", found.Rotate != plate.Rotate)
      .Add("origin", found.Origin)
      .AddRaw("corners", CornersJson(c.LatTL, c.LongTL, c.LatBR, c.LongBR))
      .AddRaw("texts", JsonObject()
                           .Add("lat_tl", LatToText(c.LatTL))
                           .Add("long_tl", LongToText(c.LongTL))
                           .Add("lat_br", LatToText(c.LatBR))
                           .Add("long_br", LongToText(c.LongBR))
                           .Text())
      .Text();
}

}  // namespace

int RunGeoref(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  ArgumentReader reader(args);
  PlateRecord plate;
  plate.FirstPage = static_cast<int32_t>(reader.Number("--page", 1, INT32_MAX, plate.FirstPage));
  plate.Scaling = static_cast<uint8_t>(reader.Number("--scaling", 0, 4, sc1024));
  plate.Rotate = static_cast<uint8_t>(reader.Number("--rotate", 0, 3, plate.Rotate));
  if (const std::optional<std::string> clip = reader.Value("--clip")) ReadClip(*clip, plate);
  const std::string password = reader.Value("--password").value_or("");
  const bool json = reader.Flag("--json");
  const std::string file = reader.Positionals({"FILE.pdf"}, 1)[0];
  plate.SourceFile = file;
  pdf::TPDFDocument document;
  LoadPdfFile(document, file, password);
  std::string problem;
  const std::optional<PlateGeoResult> found =
      GeoReferenceLoadedPlate(document, plate, FindChartGeoReference, &problem);
  if (!found) {
    err << "platec georef: " << file << ", page " << plate.FirstPage << ": " << problem << "\n";
    return 1;
  }
  if (json) {
    out << ResultJson(file, plate, *found) << "\n";
    return 0;
  }
  const PlateCorners& c = found->Corners;
  out << "Top left      " << LatToText(c.LatTL) << " " << LongToText(c.LongTL) << "\n"
      << "Bottom right  " << LatToText(c.LatBR) << " " << LongToText(c.LongBR) << "\n"
      << "Rotation      " << kRotationCaptions[found->Rotate]
      << (found->Rotate != plate.Rotate ? " (turns north up)" : "") << "\n"
      << "From          " << found->Origin << "\n";
  return 0;
}

}  // namespace qp::cli
