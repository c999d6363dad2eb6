#include "app/core/build_summary.h"

#include <algorithm>

#include "project/text_encoding.h"

namespace qp::app {
namespace {

std::string FileNameOnly(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Plates(int count) {
  return std::to_string(count) + (count == 1 ? " plate" : " plates");
}

}  // namespace

std::string BuildSummaryText(const BuildCounts& counts) {
  std::string text;
  if (counts.files.empty()) {
    text = counts.total == 0 && counts.ending == BuildEnding::kCompleted
               ? "Nothing to build: no group with plates"
               : "Built no plates";
  } else {
    text = "Built ";
    for (size_t i = 0; i < counts.files.size(); ++i) {
      const BuildCounts::GroupFile& file = counts.files[i];
      if (i > 0) text += ", ";
      text += Plates(file.plates) + " of " + file.group + " into " + file.file;
    }
  }
  if (counts.skipped > 0)
    text += "; " + std::to_string(counts.skipped) + " skipped (unsupported type)";
  const std::string progress = std::to_string(counts.done) + " of " + std::to_string(counts.total);
  if (counts.ending == BuildEnding::kCancelled) text += "; cancelled after " + progress;
  if (counts.ending == BuildEnding::kFailed) {
    text += "; failed after " + progress;
    if (!counts.error.empty()) text += ": " + counts.error;
  }
  return text;
}

void BuildTally::Start(int plates_to_build) {
  counts_ = BuildCounts{};
  counts_.total = plates_to_build;
  inner_.Start(plates_to_build);
}

void BuildTally::PlateDone() {
  ++counts_.done;
  inner_.PlateDone();
}

void BuildTally::Finish() {
  inner_.AddLine(BuildSummaryText(Counts()));
  inner_.Finish();
}

BuildCounts::GroupFile& BuildTally::FileEntry(const std::string& path, int group) {
  const std::string name = FileNameOnly(path);
  auto found = std::find_if(counts_.files.begin(), counts_.files.end(),
                            [&](const BuildCounts::GroupFile& file) { return file.file == name; });
  if (found != counts_.files.end()) return *found;
  BuildCounts::GroupFile entry;
  entry.file = name;
  if (const GroupRecord* record = project_.GroupAt(group)) {
    entry.group =
        Windows1252ToUtf8(record->IsAirport() && !record->ID.empty() ? record->ID : record->Name);
  }
  counts_.files.push_back(std::move(entry));
  return counts_.files.back();
}

void BuildTally::PlateWritten(const WrittenPlate& plate) {
  ++FileEntry(plate.file, plate.group).plates;
  inner_.PlateWritten(plate);
}

void BuildTally::GroupFileWritten(const std::string& path) {
  // The driver makes the group it builds current.
  FileEntry(path, project_.CurrentGroup);
  inner_.GroupFileWritten(path);
}

BuildCounts BuildTally::Counts() const {
  BuildCounts counts = counts_;
  int written = 0;
  for (const BuildCounts::GroupFile& file : counts.files) written += file.plates;
  // Every plate done was either appended or skipped.
  counts.skipped = std::max(counts.done - written, 0);
  if (counts.done < counts.total && counts.ending == BuildEnding::kCompleted) {
    counts.ending = StopRequested() ? BuildEnding::kCancelled : BuildEnding::kFailed;
  }
  return counts;
}

}  // namespace qp::app
