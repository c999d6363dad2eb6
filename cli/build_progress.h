#pragma once
// What `platec build` prints while it builds: a line per plate and per group
// file written; on a terminal one updating progress line instead; with
// --quiet nothing but errors; with --json one JSON object per line for each
// plate and each group file written.

#include <chrono>
#include <iosfwd>
#include <string>

#include "compiler/build_port.h"

namespace qp::cli {

enum class ProgressForm { kLines, kTerminal, kQuiet, kJson };

class PrintingStatus : public BuildStatus {
 public:
  PrintingStatus(ProgressForm form, std::ostream& out, std::ostream& err)
      : form_(form), out_(out), err_(err) {}

  void Start(int plates_to_build) override;
  void AddLine(const std::string& line) override;
  void PlateDone() override;
  bool StopRequested() const override { return false; }
  void Pump() override {}
  void Finish() override;
  void PlateWritten(const WrittenPlate& plate) override;
  void GroupFileWritten(const std::string& path) override;

 private:
  // Ends the terminal's progress line before a line of its own.
  void EndProgressLine();

  ProgressForm form_;
  std::ostream& out_;
  std::ostream& err_;
  int total_ = 0;
  int done_ = 0;
  bool progress_shown_ = false;
  std::chrono::steady_clock::time_point start_;
};

// The JSON object of a plate written: group and plate numbered from 1,
// corners as the project file holds them (1/180000 degree).
std::string WrittenPlateJson(const WrittenPlate& plate);

}  // namespace qp::cli
