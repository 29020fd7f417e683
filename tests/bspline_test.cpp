#include "render/bspline.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "gl_fake.h"
#include "segment_fixture.h"
#include "points/editor_state.h"
#include "points/point_list.h"
#include "render/line.h"

namespace {

// An independent evaluation of one segment on plain doubles: its own copy of
// the basis, integer sums (exact), one scaling by the double nearest 1/6,
// Horner with the parameter accumulated step by step.
std::vector<Line> ReferenceLines(const std::array<Pt, 4>& p, int steps) {
  constexpr int basis[4][4] = {{-1, 3, -3, 1}, {3, -6, 3, 0}, {-3, 0, 3, 0}, {1, 4, 1, 0}};
  double k[4][2];
  for (int r = 0; r < 4; ++r) {
    double sx = 0, sy = 0;
    for (int i = 0; i < 4; ++i) {
      sx += basis[r][i] * static_cast<double>(p[i].first);
      sy += basis[r][i] * static_cast<double>(p[i].second);
    }
    k[r][0] = sx * 0.16666666666666666;
    k[r][1] = sy * 0.16666666666666666;
  }
  std::vector<Line> lines;
  const double dt = 1.0 / steps;
  double t = 0.0;
  int px = static_cast<int>(k[3][0]), py = static_cast<int>(k[3][1]);
  for (int s = 0; s < steps; ++s) {
    t += dt;
    const int x = static_cast<int>(((k[0][0] * t + k[1][0]) * t + k[2][0]) * t + k[3][0]);
    const int y = static_cast<int>(((k[0][1] * t + k[1][1]) * t + k[2][1]) * t + k[3][1]);
    lines.push_back({px, py, x, y});
    px = x;
    py = y;
  }
  return lines;
}

class BSpline : public SegmentTest {
 protected:
  static Pixels Render(const std::vector<Pt>& pts, std::int32_t steps, std::int32_t first = 0) {
    editorState.bsplineSteps = steps;
    return DrawWith(DrawBSplineSegment, pts, first);
  }
};

const std::vector<Pt> kZigzag = {{100, 100}, {200, 300}, {300, 100}, {400, 300}};

TEST_F(BSpline, WorkedSegmentsDrawTheirListedLines) {
  struct Case {
    const char* what;
    std::vector<Pt> points;
    std::int32_t steps;
    std::vector<Line> lines;
  };
  const std::vector<Case> cases = {
      {"four steps; t = 0.5 truncates 199.99999999999997 to 199",
       kZigzag,
       4,
       {{200, 233, 225, 222}, {225, 222, 250, 199}, {250, 199, 275, 177}, {275, 177, 300, 166}}},
      {"one step: from the t = 0 point to the t = 1 point", kZigzag, 1, {{200, 233, 300, 166}}},
      {"four equal points: every line is one pixel", {{9, 9}, {9, 9}, {9, 9}, {9, 9}}, 3,
       {{9, 9, 9, 9}, {9, 9, 9, 9}, {9, 9, 9, 9}}},
  };
  for (const Case& c : cases) EXPECT_EQ(Render(c.points, c.steps), Rasterise(c.lines)) << c.what;
}

TEST_F(BSpline, DefaultStepsGiveOneHundredTwentyFiveVertices) {
  EXPECT_EQ(editorState.bsplineSteps, 25);
  const Pixels got = Render(kZigzag, editorState.bsplineSteps);
  ASSERT_EQ(got.size(), 125u);
  EXPECT_EQ(got.front(), Pt(200, 233));
  EXPECT_EQ(got.back(), Pt(300, 166));
  EXPECT_EQ(got, Rasterise(ReferenceLines({kZigzag[0], kZigzag[1], kZigzag[2], kZigzag[3]}, 25)));
}

TEST_F(BSpline, NeighbouringSegmentsMayStartOnTheNextPixel) {
  const std::vector<Pt> pts = {{180, 235}, {465, 137}, {337, 280}, {311, 490}, {373, 2}};
  const Pixels first = Render(pts, 20, 0);
  const Pixels second = Render(pts, 20, 1);
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_EQ(first.back(), Pt(353, 291));
  EXPECT_EQ(second.front(), Pt(354, 291));
  EXPECT_EQ(second, Rasterise(ReferenceLines({pts[1], pts[2], pts[3], pts[4]}, 20)));
}

TEST_F(BSpline, RandomSegmentsMatchTheReference) {
  std::mt19937 rng(4242);
  std::uniform_int_distribution<int> coord(-800, 1300);
  std::uniform_int_distribution<int> steps(1, 499);
  for (int n = 0; n < 120; ++n) {
    std::array<Pt, 4> p;
    for (auto& q : p) q = {coord(rng), coord(rng)};
    const int s = n < 10 ? n + 1 : steps(rng);
    const std::vector<Line> lines = ReferenceLines(p, s);
    ASSERT_EQ(static_cast<int>(lines.size()), s);
    ASSERT_EQ(Render({p.begin(), p.end()}, s), Rasterise(lines)) << "segment " << n << ", " << s << " steps";
  }
}

}  // namespace
