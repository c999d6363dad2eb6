#include <ostream>

#include "cli/argument_reader.h"
#include "cli/command.h"
#include "cli/json_text.h"
#include "cli/project_json.h"
#include "compiler/geo_reference.h"
#include "compiler/group_file_reader.h"
#include "compiler/plate_error.h"

namespace qp::cli {

namespace {

std::string Quoted(const std::string& windows1252) {
  return "\"" + Windows1252ToUtf8(windows1252) + "\"";
}

std::string InspectJson(const GroupFileContent& content, const std::string& file) {
  JsonArray plates;
  for (size_t i = 0; i < content.entries.size(); ++i) {
    const GroupFileEntry& entry = content.entries[i];
    JsonObject plate;
    plate.Add("number", static_cast<int64_t>(i + 1))
        .Add("name", Windows1252ToUtf8(entry.EntryName))
        .Add("written", entry.plate.has_value())
        .Add("offset", int64_t{entry.PlateOffset});
    if (entry.plate) {
      const GroupFilePlate& p = *entry.plate;
      plate.Add("width", int64_t{p.ImageWidth})
          .Add("height", int64_t{p.ImageHeight})
          .Add("georeferenced", p.GEOREF)
          .Add("pages", int64_t{p.NumberOfPages})
          .Add("data_length", int64_t{p.DataLength})
          .AddRaw("corners", CornersJson(p.Corners.LatTL, p.Corners.LongTL, p.Corners.LatBR,
                                         p.Corners.LongBR));
    }
    plates.Add(plate.Text());
  }
  return JsonObject()
      .Add("file", file)
      .Add("group_id", Windows1252ToUtf8(content.GroupId))
      .Add("group_name", Windows1252ToUtf8(content.GroupName))
      .Add("plate_count", int64_t{content.PlateCount})
      .AddRaw("plates", plates.Text())
      .Text();
}

}  // namespace

int RunInspect(const CommandArgs& given, std::ostream& out, std::ostream& err) {
  ArgumentReader reader(given);
  const bool json = reader.Flag("--json");
  const CommandArgs args = reader.Positionals({"FILE.ZPG"}, 1);
  const GroupFileContent content = ReadGroupFile(std::filesystem::path(args[0]));
  if (json) {
    out << InspectJson(content, args[0]) << "\n";
    if (const std::string line = PlatesNotWrittenLine(content, args[0]); !line.empty()) {
      err << line << "\n";
    }
    return 0;
  }
  out << "Group file " << args[0] << "\n"
      << "  GroupId     " << Quoted(content.GroupId) << "\n"
      << "  GroupName   " << Quoted(content.GroupName) << "\n"
      << "  HeaderMark  " << int(content.HeaderMark) << "\n"
      << "  PlateCount  " << content.PlateCount << "\n";
  for (size_t i = 0; i < content.entries.size(); ++i) {
    const GroupFileEntry& entry = content.entries[i];
    out << "Plate " << i + 1 << " " << Quoted(entry.EntryName);
    if (!entry.plate) {
      out << ": not written (PlateOffset 0)\n";
      continue;
    }
    const GroupFilePlate& p = *entry.plate;
    out << " at offset " << entry.PlateOffset << "\n"
        << "  Top left      " << LatToText(p.Corners.LatTL) << " " << LongToText(p.Corners.LongTL)
        << "  (" << p.Corners.LatTL << ", " << p.Corners.LongTL << ")\n"
        << "  Bottom right  " << LatToText(p.Corners.LatBR) << " " << LongToText(p.Corners.LongBR)
        << "  (" << p.Corners.LatBR << ", " << p.Corners.LongBR << ")\n"
        << "  GEOREF " << int(p.GEOREF) << "  NumberOfPages " << p.NumberOfPages << "  PlateMark "
        << p.PlateMark << "\n"
        << "  Image " << p.ImageWidth << " x " << p.ImageHeight << ", DataLength " << p.DataLength
        << "\n";
  }
  if (const std::string line = PlatesNotWrittenLine(content, args[0]); !line.empty()) {
    err << line << "\n";
  }
  return 0;
}

}  // namespace qp::cli
