#include "app/core/preview_view.h"

#include <gtest/gtest.h>

#include <optional>

namespace qp::app {
namespace {

TEST(PreviewViewTest, ZoomStepsFitAndScrollRange) {
  struct ZoomRow {
    double zoom;
    int steps;
    double expected;
  };
  for (const ZoomRow& row : {ZoomRow{1.0, 1, 1.5}, ZoomRow{1.0, -1, 0.75}, ZoomRow{1.0, 3, 3.0},
                             ZoomRow{0.6, 1, 0.75}, ZoomRow{0.6, -1, 0.5}, ZoomRow{8.0, 1, 8.0},
                             ZoomRow{0.125, -2, 0.125}, ZoomRow{100.0, -1, 6.0}}) {
    EXPECT_EQ(ZoomStep(row.zoom, row.steps), row.expected) << row.zoom << " " << row.steps;
  }
  EXPECT_EQ(FitZoom(1000, 1200, 600, 600), 0.5);
  EXPECT_EQ(FitZoom(300, 150, 600, 600), 2.0);
  EXPECT_EQ(FitZoom(0, 0, 600, 600), 1.0);
  EXPECT_EQ(FitZoom(20000, 10, 600, 600), kMinPreviewZoom);
  EXPECT_EQ(PreviewScrollMax(601, 1.0), 1400);
  EXPECT_EQ(PreviewScrollMax(1001, 1.0), 1000);
  EXPECT_EQ(PreviewScrollMax(601, 0.25), 0);
  EXPECT_EQ(PreviewScrollMax(600, 2.0), 1701);
}

TEST(PreviewViewTest, ClipFromDragOrdersAndKeepsOnTheImage) {
  EXPECT_EQ(ClipFromDrag(60, 90, 10, 20), (ClipCorners{10, 20, 60, 90}));
  EXPECT_EQ(ClipFromDrag(-5, 3000, 40, 10), (ClipCorners{0, 10, 40, 1999}));
  EXPECT_EQ(ClipFromDrag(5, 5, 5, 90), std::nullopt);
}

}  // namespace
}  // namespace qp::app
