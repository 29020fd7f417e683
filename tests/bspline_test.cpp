#include "render/bspline.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "segment_fixture.h"
#include "points/editor_state.h"

namespace {

class BSpline : public SegmentTest {
 protected:
  static Pixels Render(const std::vector<Pt>& pts, std::int32_t steps, std::int32_t first = 0) {
    editorState.bsplineSteps = steps;
    return DrawWith(DrawBSplineSegment, pts, first);
  }
};

// The expected pixels below are worked by hand from the segment polynomial
// B(t) = ((1-t)^3 P0 + (3t^3 - 6t^2 + 4) P1 + (-3t^3 + 3t^2 + 3t + 1) P2 + t^3 P3) / 6,
// whose weights at the parameters used are
//   t = 0: (1, 4, 1, 0) / 6        t = 1/4: (27, 235, 121, 1) / 384
//   t = 1/2: (1, 23, 23, 1) / 48   t = 3/4: (1, 121, 235, 27) / 384
//   t = 1: (0, 1, 4, 1) / 6,
// and every value is truncated toward zero.
const std::vector<Pt> kZigzag = {{100, 100}, {200, 300}, {300, 100}, {400, 300}};
// x: -4/6, 3172/384, 756/48, 8204/384, 148/6 = -0.67, 8.26, 15.75, 21.36, 24.67
// y: -135/6, -9097/384, -835/48, -2475/384, 38/6 = -22.5, -23.69, -17.40, -6.45, 6.33
// Both cross zero, where truncation and rounding down part ways.
const std::vector<Pt> kAcrossZero = {{-44, 56}, {2, -50}, {32, 9}, {18, 52}};
const std::vector<Line> kAcrossZeroLines = {{0, -22, 8, -23}, {8, -23, 15, -17}, {15, -17, 21, -6}, {21, -6, 24, 6}};

TEST_F(BSpline, WorkedSegmentsDrawTheirListedLines) {
  struct Case {
    const char* what;
    std::vector<Pt> points;
    std::int32_t steps, first;
    std::vector<Line> lines;
  };
  std::vector<Pt> later = kAcrossZero;
  later.insert(later.begin(), {999, -999});
  const std::vector<Case> cases = {
      // x = 100 t + 200; y = (800 t^3 - 1200 t^2 + 1400) / 6 = 233.33, 222.92,
      // 200, 177.08, 166.67. At t = 1/2 the exact 200 comes out as
      // 199.99999999999997, as the 1/6 the basis is scaled by lies below 1/6.
      {"four steps; t = 0.5 truncates 199.99999999999997 to 199", kZigzag, 4, 0,
       {{200, 233, 225, 222}, {225, 222, 250, 199}, {250, 199, 275, 177}, {275, 177, 300, 166}}},
      {"one step: from the t = 0 point to the t = 1 point", kZigzag, 1, 0, {{200, 233, 300, 166}}},
      {"four equal points: every line is one pixel", {{9, 9}, {9, 9}, {9, 9}, {9, 9}}, 3, 0,
       {{9, 9, 9, 9}, {9, 9, 9, 9}, {9, 9, 9, 9}}},
      {"negative values truncate toward zero", kAcrossZero, 4, 0, kAcrossZeroLines},
      {"a later segment reads its own four points", later, 4, 1, kAcrossZeroLines},
  };
  for (const Case& c : cases) EXPECT_EQ(Render(c.points, c.steps, c.first), Rasterise(c.lines)) << c.what;
}

TEST_F(BSpline, DefaultStepsGiveOneHundredTwentyFiveVertices) {
  // x = 100 t + 200 gains 4 a step; y changes by at most 4 a step, as
  // |dy/dt| = 400 t (1 - t) <= 100. So every line is x-major, and the 25
  // lines from x = 200 to x = 300 light 100 + 25 pixels.
  EXPECT_EQ(editorState.bsplineSteps, 25);
  const Pixels got = Render(kZigzag, editorState.bsplineSteps);
  ASSERT_EQ(got.size(), 125u);
  EXPECT_EQ(got.front(), Pt(200, 233));
  EXPECT_EQ(got.back(), Pt(300, 166));
}

TEST_F(BSpline, NeighbouringSegmentsMayStartOnTheNextPixel) {
  // Both ends are (P1 + 4 P2 + P3) / 6 = (2124 / 6, 1747 / 6) = (354, 291.17).
  // The next segment takes it from its constant row: 2124 times the scale,
  // 354 exactly. The first sums its four rounded coefficients at t = 1,
  // 85.83 - 206.5 + 78.5 + 396.17, which comes to 353.99999999999994. Its
  // other end, (P2 + 4 P3 + P4) / 6 = (1954 / 6, 2242 / 6), is far from whole.
  const std::vector<Pt> pts = {{180, 235}, {465, 137}, {337, 280}, {311, 490}, {373, 2}};
  const Pixels first = Render(pts, 20, 0);
  const Pixels second = Render(pts, 20, 1);
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_EQ(first.back(), Pt(353, 291));
  EXPECT_EQ(second.front(), Pt(354, 291));
  EXPECT_EQ(second.back(), Pt(325, 373));
}

}  // namespace
