#include "app/core/group_file_view.h"

#include "compiler/geo_reference.h"
#include "project/text_encoding.h"

namespace qp::app {

GroupFileView::GroupFileView(const std::filesystem::path& file) : content_(ReadGroupFile(file)) {
  const size_t missing = PlatesNotWritten(content_);
  title_ = file.filename().string() + ": ";
  if (!content_.GroupId.empty()) title_ += Windows1252ToUtf8(content_.GroupId) + ", ";
  title_ += Windows1252ToUtf8(content_.GroupName) + ", " + std::to_string(content_.entries.size()) +
            " plates";
  if (missing > 0) title_ += " (" + std::to_string(missing) + " not written)";

  for (size_t i = 0; i < content_.entries.size(); ++i) {
    const GroupFileEntry& entry = content_.entries[i];
    std::string line = std::to_string(i + 1) + "  " + Windows1252ToUtf8(entry.EntryName) + "  ";
    if (!entry.plate) {
      lines_.push_back(line + "not written");
      continue;
    }
    const GroupFilePlate& p = *entry.plate;
    line += std::to_string(p.ImageWidth) + " x " + std::to_string(p.ImageHeight);
    if (p.GEOREF) {
      line += "  " + LatToText(p.Corners.LatTL) + " " + LongToText(p.Corners.LongTL) + " to " +
              LatToText(p.Corners.LatBR) + " " + LongToText(p.Corners.LongBR);
    }
    lines_.push_back(line + "  offset " + std::to_string(entry.PlateOffset));
  }
}

PlateImage GroupFileView::Image(size_t index) const {
  const GroupFileEntry& entry = content_.entries.at(index);
  if (!entry.plate) return {};
  return {entry.plate->ImageWidth, entry.plate->ImageHeight, entry.plate->Colours()};
}

}  // namespace qp::app
