#include <cstdio>
#include <filesystem>
#include <ostream>

#include "cli/argument_reader.h"
#include "cli/command.h"
#include "compiler/group_file_reader.h"
#include "compiler/palette.h"
#include "compiler/plate_error.h"
#include "compiler/png_writer.h"

namespace qp::cli {

int RunExtract(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  ArgumentReader reader(args);
  std::optional<std::string> output = reader.Value("-o");
  const std::optional<std::string> out_option = reader.Value("--out");
  RefuseTogether(output.has_value(), "-o", out_option.has_value(), "--out");
  if (!output) output = out_option;
  const std::string file = reader.Positionals({"FILE.ZPG"}, 1)[0];
  if (!output) throw UsageError("no output folder given (-o DIR)");
  const std::string& folder = *output;
  const GroupFileContent content = ReadGroupFile(std::filesystem::path(file));
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) throw PlateError("Unable to create folder " + folder + ": " + ec.message());

  const std::string stem = std::filesystem::path(file).stem().string();
  int written = 0;
  for (size_t i = 0; i < content.entries.size(); ++i) {
    const GroupFileEntry& entry = content.entries[i];
    if (!entry.plate) {
      out << "Plate " << i + 1 << " not written, skipped\n";
      continue;
    }
    const GroupFilePlate& p = *entry.plate;
    if (p.ImageWidth == 0 || p.ImageHeight == 0) {
      out << "Plate " << i + 1 << " has an empty image, skipped\n";
      continue;
    }
    char name[32];
    std::snprintf(name, sizeof name, "-%03zu.png", i + 1);
    const std::filesystem::path png = std::filesystem::path(folder) / (stem + name);
    // Indexed in the plate palette, as the display holds the plate.
    const PlatePaletteTable& palette = PlatePalette();
    WriteIndexedPng(png, p.ImageWidth, p.ImageHeight, p.Indices, palette.entries);
    out << png.string() << "  " << p.ImageWidth << " x " << p.ImageHeight << "  \""
        << Windows1252ToUtf8(entry.EntryName) << "\"\n";
    ++written;
  }
  out << written << " plate" << (written == 1 ? "" : "s") << " extracted\n";
  if (const std::string line = PlatesNotWrittenLine(content, file); !line.empty()) {
    err << line << "\n";
  }
  return 0;
}

}  // namespace qp::cli
