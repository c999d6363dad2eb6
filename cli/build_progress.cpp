#include "cli/build_progress.h"

#include <cstdio>
#include <ostream>

#include "cli/json_text.h"
#include "cli/project_json.h"
#include "project/text_encoding.h"

namespace qp::cli {

namespace {

std::string Elapsed(std::chrono::steady_clock::duration duration) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration).count();
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  return text;
}

}  // namespace

void PrintingStatus::Start(int plates_to_build) {
  total_ = plates_to_build;
  done_ = 0;
  start_ = std::chrono::steady_clock::now();
}

void PrintingStatus::AddLine(const std::string& line) {
  // The wait for another build is news, not output.
  const bool news = line.starts_with("Waiting for another build");
  switch (form_) {
    case ProgressForm::kQuiet:
      return;
    case ProgressForm::kJson:
      if (news) err_ << line << std::endl;
      return;
    case ProgressForm::kLines:
      (news ? err_ : out_) << line << std::endl;
      return;
    case ProgressForm::kTerminal:
      if (!line.starts_with("[")) {
        EndProgressLine();
        (news ? err_ : out_) << line << std::endl;
        return;
      }
      // "\r" back to the start, "\x1b[K" clears what a longer line left.
      out_ << "\r" << line << "  (" << done_ << " done, " << (total_ - done_) << " left, "
           << Elapsed(std::chrono::steady_clock::now() - start_) << ")\x1b[K" << std::flush;
      progress_shown_ = true;
      return;
  }
}

void PrintingStatus::PlateDone() {
  ++done_;
}

void PrintingStatus::Finish() {
  if (form_ != ProgressForm::kTerminal || !progress_shown_) return;
  EndProgressLine();
  out_ << done_ << " of " << total_ << " plates in "
       << Elapsed(std::chrono::steady_clock::now() - start_) << std::endl;
}

void PrintingStatus::PlateWritten(const WrittenPlate& plate) {
  if (form_ == ProgressForm::kJson) out_ << WrittenPlateJson(plate) << std::endl;
}

void PrintingStatus::GroupFileWritten(const std::string& path) {
  switch (form_) {
    case ProgressForm::kQuiet:
      return;
    case ProgressForm::kJson:
      out_ << JsonObject().Add("written", path).Text() << std::endl;
      return;
    case ProgressForm::kTerminal:
      EndProgressLine();
      [[fallthrough]];
    case ProgressForm::kLines:
      out_ << "Wrote " << path << std::endl;
      return;
  }
}

void PrintingStatus::EndProgressLine() {
  if (!progress_shown_) return;
  out_ << "\r\x1b[K";
  progress_shown_ = false;
}

std::string WrittenPlateJson(const WrittenPlate& plate) {
  const PlateRecord& record = *plate.record;
  const std::string corners = CornersJson(plate.LatTL, plate.LongTL, plate.LatBR, plate.LongBR);
  return JsonObject()
      .Add("group", plate.group + 1)
      .Add("file", plate.file)
      .Add("plate", plate.plate + 1)
      .Add("name", Windows1252ToUtf8(record.Name))
      .Add("source", record.SourceFile)
      .Add("page", int64_t{record.FirstPage})
      .Add("width", plate.width)
      .Add("height", plate.height)
      .Add("georeferenced", record.GEOREF)
      .AddRaw("corners", corners)
      .Text();
}

}  // namespace qp::cli
