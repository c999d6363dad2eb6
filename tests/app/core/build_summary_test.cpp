#include "app/core/build_summary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qp::app {
namespace {

using GroupFile = BuildCounts::GroupFile;

TEST(BuildSummaryTextTest, SaysWhatWasWrittenSkippedAndLeft) {
  struct Row {
    const char* name;
    BuildCounts counts;
    std::string text;
  };
  const GroupFile kbos{"KBOS", "ZGKBOS.ZPG", 53};
  const GroupFile one{"KSFO", "ZGKSFO.ZPG", 1};
  const std::vector<Row> rows = {
      {"completed",
       {{kbos}, 0, 53, 53, BuildEnding::kCompleted, ""},
       "Built 53 plates of KBOS into ZGKBOS.ZPG"},
      {"two files, one plate",
       {{kbos, one}, 0, 54, 54, BuildEnding::kCompleted, ""},
       "Built 53 plates of KBOS into ZGKBOS.ZPG, 1 plate of KSFO into ZGKSFO.ZPG"},
      {"skipped and cancelled",
       {{kbos}, 2, 19, 62, BuildEnding::kCancelled, ""},
       "Built 53 plates of KBOS into ZGKBOS.ZPG; 2 skipped (unsupported type); cancelled after "
       "19 of 62"},
      {"failed",
       {{one}, 0, 1, 3, BuildEnding::kFailed, "Unable to write to /x"},
       "Built 1 plate of KSFO into ZGKSFO.ZPG; failed after 1 of 3: Unable to write to /x"},
      {"cancelled before any file",
       {{}, 0, 0, 62, BuildEnding::kCancelled, ""},
       "Built no plates; cancelled after 0 of 62"},
      {"nothing to build",
       {{}, 0, 0, 0, BuildEnding::kCompleted, ""},
       "Nothing to build: no group with plates"},
      {"empty group file",
       {{{"INFO", "ZPINFO.ZPG", 0}}, 0, 0, 0, BuildEnding::kCompleted, ""},
       "Built 0 plates of INFO into ZPINFO.ZPG"},
  };
  for (const Row& row : rows) EXPECT_EQ(BuildSummaryText(row.counts), row.text) << row.name;
}

}  // namespace
}  // namespace qp::app
