#pragma once
// Checks on the outline records that the font processor hands out.

#include <cstddef>

#include "pdf/core/font_processor.h"

namespace qp::pdf::test {

// Walks the records; false when an opcode is unknown, a record is cut short,
// a contour does not start with a move or does not end with a close.
inline bool RecordsWellFormed(const TPointsList& points, int& conics, int& cubics) {
  conics = cubics = 0;
  bool open = false;
  size_t i = 0;
  while (i < points.size()) {
    const int op = static_cast<int>(points[i]);
    const int args = OutlineOpArgCount(op);
    if (args < 0 || i + 1 + args > points.size()) return false;
    if (op == opMoveTo) {
      if (open) return false;
      open = true;
    } else if (!open) {
      return false;
    }
    if (op == opClosePath) open = false;
    if (op == opConicTo) ++conics;
    if (op == opCubicTo) ++cubics;
    i += 1 + args;
  }
  return !open;
}

}  // namespace qp::pdf::test
