#pragma once
// Reordering the plate list by dragging: the selected lines move, in their
// order, to where they are dropped.

#include <vector>

namespace qp::app {

// The old line numbers in their new order when the lines marked in
// `selected` are dropped before line `target` (the line count, or more:
// after the last line). Lines not selected keep their order.
std::vector<int> DraggedOrder(const std::vector<bool>& selected, int target);

}  // namespace qp::app
