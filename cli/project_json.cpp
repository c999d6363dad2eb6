#include "cli/project_json.h"

#include "cli/json_text.h"
#include "project/text_encoding.h"

namespace qp::cli {

std::string CornersJson(int32_t latTL, int32_t longTL, int32_t latBR, int32_t longBR) {
  return JsonObject()
      .Add("lat_tl", int64_t{latTL})
      .Add("long_tl", int64_t{longTL})
      .Add("lat_br", int64_t{latBR})
      .Add("long_br", int64_t{longBR})
      .Text();
}

std::string GroupJson(const GroupRecord& group, int position) {
  return JsonObject()
      .Add("number", position + 1)
      .Add("type", group.IsAirport() ? "airport" : "information")
      .Add("id", group.IsAirport() ? Windows1252ToUtf8(group.ID) : std::string())
      .Add("name", Windows1252ToUtf8(group.Name))
      .Add("plates", int64_t{group.Count})
      .Text();
}

std::string PlateJson(const PlateRecord& plate, int index) {
  const std::string corners = CornersJson(plate.LatTL, plate.LongTL, plate.LatBR, plate.LongBR);
  const std::string clip = JsonObject()
                               .Add("x1", int64_t{plate.ClipX1})
                               .Add("y1", int64_t{plate.ClipY1})
                               .Add("x2", int64_t{plate.ClipX2})
                               .Add("y2", int64_t{plate.ClipY2})
                               .Text();
  return JsonObject()
      .Add("number", index + 1)
      .Add("name", Windows1252ToUtf8(plate.Name))
      .Add("source", plate.SourceFile)
      .Add("page", int64_t{plate.FirstPage})
      .Add("pages", int64_t{plate.NumberOfPages})
      .Add("scaling", int64_t{plate.Scaling})
      .Add("rotate", int64_t{plate.Rotate})
      .Add("georeferenced", plate.GEOREF)
      .AddRaw("corners", corners)
      .Add("clip", plate.Clip)
      .AddRaw("clip_rect", clip)
      .Text();
}

}  // namespace qp::cli
