#include <ostream>

#include "cli/command.h"
#include "compiler/geo_reference.h"
#include "compiler/group_file_reader.h"
#include "compiler/plate_error.h"

namespace qp::cli {

namespace {

std::string Quoted(const std::string& windows1252) {
  return "\"" + Windows1252ToUtf8(windows1252) + "\"";
}

}  // namespace

int RunInspect(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) {
    err << "Usage: platec inspect FILE.ZPG\n";
    return 2;
  }
  const GroupFileContent content = ReadGroupFile(std::filesystem::path(args[0]));
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
