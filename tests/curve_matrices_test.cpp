#include "render/curve_matrices.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "editor_fixture.h"
#include "matrix_build.h"

namespace {

Matrix Control(const std::vector<std::pair<int, int>>& pts) {
  Matrix m(4, 4);
  for (int r = 0; r < 4; ++r) {
    m.PutElement(pts[r].first, r, 0);
    m.PutElement(pts[r].second, r, 1);
  }
  return m;
}

class CurveMatrices : public EditorTest {};

TEST_F(CurveMatrices, SplitTheWorkedSegmentIntoItsHalves) {
  const Matrix p = Control({{0, 0}, {8, 0}, {16, 8}, {16, 16}});
  struct Case {
    const char* name;
    const Matrix* split;
    std::vector<double> elements;  // x, y and two unused columns per row
  };
  const std::vector<Case> cases = {
      {"left", &LeftSplit, {0, 0, 0, 0, 4, 0, 0, 0, 8, 2, 0, 0, 11, 5, 0, 0}},
      {"right", &RightSplit, {11, 5, 0, 0, 14, 8, 0, 0, 16, 12, 0, 0, 16, 16, 0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Elements(c.split->MultMat(p).MultScalar(HalvingScale)), c.elements) << c.name;
  }
}

TEST_F(CurveMatrices, HalvesMeetAtTheCurveMidpointAndKeepTheEnds) {
  std::mt19937 rng(99);
  std::uniform_int_distribution<int> coord(-3000, 3000);
  for (int n = 0; n < 200; ++n) {
    std::vector<std::pair<int, int>> pts(4);
    for (auto& pt : pts) pt = {coord(rng), coord(rng)};
    const Matrix p = Control(pts);
    const Matrix left = LeftSplit.MultMat(p).MultScalar(HalvingScale);
    const Matrix right = RightSplit.MultMat(p).MultScalar(HalvingScale);
    for (int c = 0; c < 2; ++c) {
      const double p0 = p.GetElement(0, c), p1 = p.GetElement(1, c), p2 = p.GetElement(2, c), p3 = p.GetElement(3, c);
      // B(1/2) = (P0 + 3 P1 + 3 P2 + P3) / 8, exact for these integers.
      const double mid = (p0 + 3 * p1 + 3 * p2 + p3) / 8;
      EXPECT_EQ(left.GetElement(0, c), p0);
      EXPECT_EQ(left.GetElement(3, c), mid);
      EXPECT_EQ(right.GetElement(0, c), mid);
      EXPECT_EQ(right.GetElement(3, c), p3);
      // The halves' inner points lie on the old legs' midpoints' averages.
      EXPECT_EQ(left.GetElement(1, c), (p0 + p1) / 2);
      EXPECT_EQ(right.GetElement(2, c), (p2 + p3) / 2);
    }
  }
}

}  // namespace
