#include "app/core/plate_order.h"

#include <algorithm>

namespace qp::app {

std::vector<int> DraggedOrder(const std::vector<bool>& selected, int target) {
  const int count = static_cast<int>(selected.size());
  target = std::clamp(target, 0, count);
  std::vector<int> order;
  order.reserve(selected.size());
  for (int i = 0; i < target; ++i) {
    if (!selected[size_t(i)]) order.push_back(i);
  }
  for (int i = 0; i < count; ++i) {
    if (selected[size_t(i)]) order.push_back(i);
  }
  for (int i = target; i < count; ++i) {
    if (!selected[size_t(i)]) order.push_back(i);
  }
  return order;
}

}  // namespace qp::app
