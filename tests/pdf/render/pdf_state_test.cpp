#include "pdf/render/pdf_state.h"

#include <gtest/gtest.h>

#include <utility>

namespace qp::pdf {
namespace {

// A cleared path keeps its subpaths' storage: the next path must show none
// of the old points, closing or curves, and copies and moves take only the
// subpaths in use.
TEST(PathTest, ClearedPathsReuseTheirStorageCleanly) {
  TPDPath path;
  path.MoveTo(0, 0);
  path.CurveTo(1, 1, 2, 2, 3, 3);
  path.Close();
  path.MoveTo(5, 5);
  path.LineTo(6, 6);
  path.LineTo(7, 5);
  ASSERT_EQ(path.SubPathCount(), 2u);
  path.Clear();
  EXPECT_FALSE(path.IsCurrentPoint());
  path.MoveTo(10, 20);
  path.LineTo(30, 40);

  auto check = [](const TPDPath& p, const char* what) {
    ASSERT_EQ(p.SubPathCount(), 1u) << what;
    const TPDSubPath* found = p.SubPath(0);
    ASSERT_NE(found, nullptr) << what;
    const TPDSubPath& sub = *found;
    EXPECT_EQ(sub.PointCount(), 2u) << what;
    EXPECT_EQ(sub.NumPoints(), 1u) << what;
    EXPECT_FALSE(sub.IsClosed()) << what;
    EXPECT_FALSE(sub.Curve(1)) << what;
    EXPECT_EQ(sub.X(0), 10) << what;
    EXPECT_EQ(sub.LastY(), 40) << what;
    EXPECT_EQ(p.SubPath(1), nullptr) << what;
  };
  check(path, "reused");
  const TPDPath copy = path;
  check(copy, "copy");
  TPDPath moved = std::move(path);
  check(moved, "moved");
  EXPECT_FALSE(path.IsCurrentPoint());  // NOLINT(bugprone-use-after-move): left empty
  EXPECT_EQ(path.SubPathCount(), 0u);
}

}  // namespace
}  // namespace qp::pdf
