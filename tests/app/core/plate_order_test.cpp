#include "app/core/plate_order.h"

#include <gtest/gtest.h>

#include <vector>

namespace qp::app {
namespace {

TEST(PlateOrderTest, SelectedLinesMoveTogetherToTheDrop) {
  struct Row {
    std::vector<bool> selected;
    int target;
    std::vector<int> order;
  };
  const std::vector<Row> rows = {
      {{false, false, true, false}, 0, {2, 0, 1, 3}},
      {{true, false, true, false}, 4, {1, 3, 0, 2}},
      {{true, false, true, false}, 2, {1, 0, 2, 3}},
      {{false, true, true, false}, 2, {0, 1, 2, 3}},  // dropped on itself
      {{false, true, false}, 99, {0, 2, 1}},
      {{false, true, false}, -3, {1, 0, 2}},
      {{}, 0, {}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(DraggedOrder(row.selected, row.target), row.order) << row.target;
  }
}

}  // namespace
}  // namespace qp::app
