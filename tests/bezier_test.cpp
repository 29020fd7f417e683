#include "render/bezier.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "segment_fixture.h"
#include "points/editor_state.h"

namespace {

// An independent de Casteljau subdivision on plain doubles: halving by
// averaging instead of matrix products, and a wide measure that never
// saturates. For integer control points of these sizes every value is exact
// either way, so it must find the same final pieces.
struct Reference {
  using Piece = std::array<std::array<double, 2>, 4>;
  std::int64_t toleranceSquared;
  std::vector<Line> lines;

  static std::int64_t Measure(const Piece& p) {
    std::int64_t sum = 0;
    for (int c = 0; c < 2; ++c) {
      const auto d = static_cast<std::int64_t>(std::trunc(p[1][c] - p[0][c]));
      sum += d * d;
    }
    return sum;
  }

  void Run(const Piece& p) {
    if (Measure(p) < toleranceSquared) {
      for (int i = 0; i < 3; ++i)
        lines.push_back({static_cast<int>(p[i][0]), static_cast<int>(p[i][1]), static_cast<int>(p[i + 1][0]),
                         static_cast<int>(p[i + 1][1])});
      return;
    }
    Piece left, right;
    for (int c = 0; c < 2; ++c) {
      const double a = p[0][c], b = p[1][c], cc = p[2][c], d = p[3][c];
      const double ab = (a + b) * 0.5, bc = (b + cc) * 0.5, cd = (cc + d) * 0.5;
      const double abc = (ab + bc) * 0.5, bcd = (bc + cd) * 0.5, mid = (abc + bcd) * 0.5;
      left[0][c] = a, left[1][c] = ab, left[2][c] = abc, left[3][c] = mid;
      right[0][c] = mid, right[1][c] = bcd, right[2][c] = cd, right[3][c] = d;
    }
    Run(left);
    Run(right);
  }

  static Reference Of(const std::vector<Pt>& pts, std::int64_t tol) {
    Reference r{tol, {}};
    Piece p;
    for (int i = 0; i < 4; ++i) p[i] = {static_cast<double>(pts[i].first), static_cast<double>(pts[i].second)};
    r.Run(p);
    return r;
  }
};

class Bezier : public SegmentTest {
 protected:
  static Pixels Render(const std::vector<Pt>& pts, std::int32_t toleranceSquared, std::int32_t first = 0) {
    editorState.toleranceSquared = toleranceSquared;
    return DrawWith(DrawBezierSegment, pts, first);
  }
};

TEST_F(Bezier, WorkedSegmentsDrawTheirListedLines) {
  struct Case {
    const char* what;
    std::vector<Pt> points;
    std::int32_t toleranceSquared;
    std::vector<Line> lines;
  };
  const std::vector<Case> cases = {
      {"split once, first legs 16 and 18",
       {{0, 0}, {8, 0}, {16, 8}, {16, 16}},
       25,
       {{0, 0, 4, 0}, {4, 0, 8, 2}, {8, 2, 11, 5}, {11, 5, 14, 8}, {14, 8, 16, 12}, {16, 12, 16, 16}}},
      {"first leg exactly at the tolerance is split; measure truncates differences",
       {{0, 0}, {5, 0}, {10, 5}, {10, 10}},
       25,
       {{0, 0, 2, 0}, {2, 0, 5, 1}, {5, 1, 6, 3}, {6, 3, 8, 5}, {8, 5, 10, 7}, {10, 7, 10, 10}}},
      {"zero first leg: the polygon at once, even at the smallest tolerance",
       {{100, 100}, {100, 100}, {400, 400}, {400, 100}},
       1,
       {{100, 100, 100, 100}, {100, 100, 400, 400}, {400, 400, 400, 100}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Render(c.points, c.toleranceSquared), Rasterise(c.lines)) << c.what;
  }
}

TEST_F(Bezier, SegmentsMatchTheReference) {
  const std::vector<Pt> arch = {{0, 0}, {0, 500}, {500, 500}, {500, 0}};
  // A first leg of 60000 pixels squares past the 32-bit range; it must count
  // as long, not wrap around to something small.
  const std::vector<Pt> huge = {{0, 0}, {60000, 0}, {60000, 60000}, {-5000, 60000}};
  const std::vector<Pt> chain = {{0, 0}, {8, 0}, {16, 8}, {16, 16}, {30, 40}, {60, 40}, {90, 0}};
  struct Case {
    std::string what;
    std::vector<Pt> pts;
    std::int32_t first, toleranceSquared;
  };
  std::vector<Case> cases = {
      {"arch at 5", arch, 0, 25}, {"arch at 1", arch, 0, 1}, {"arch at 20", arch, 0, 400},
      {"arch at 499", arch, 0, 249001}, {"legs past 32 bits", huge, 0, 249001},
      {"later segment reads its own points", chain, 3, 25}};
  std::mt19937 rng(31337);
  std::uniform_int_distribution<int> coord(-600, 1100), tolerance(1, 40);
  for (int n = 0; n < 150; ++n) {
    std::vector<Pt> pts(4);
    for (auto& p : pts) p = {coord(rng), coord(rng)};
    cases.push_back({"random segment " + std::to_string(n), pts, 0, n % 5 == 0 ? 1 : tolerance(rng) * tolerance(rng)});
  }
  for (const Case& c : cases) {
    const std::vector<Pt> own(c.pts.begin() + c.first, c.pts.end());
    const Reference ref = Reference::Of(own, c.toleranceSquared);
    ASSERT_EQ(Render(c.pts, c.toleranceSquared, c.first), Rasterise(ref.lines)) << c.what;
  }
}

TEST(RowDistanceSquared, TruncatesEachDifferenceBeforeSquaring) {
  struct Case {
    const char* what;
    std::array<double, 3> from, to;
    std::int32_t expected;
  };
  const std::vector<Case> cases = {
      {"integers", {0, 0, 0}, {3, 4, 0}, 25},
      {"worked leg", {6.875, 3.125, 0}, {8.75, 5, 0}, 2},
      {"below one in both", {0.5, 0.5, 0}, {1.4, -0.4, 0}, 0},
      {"negative differences truncate toward zero", {0, 0, 0}, {-1.9, -2.5, 0}, 5},
      {"third column counts", {0, 0, 1}, {0, 0, 4}, 9},
      {"largest square that fits", {0, 0, 0}, {46340.9, 0, 0}, 2147395600},
      {"one square too large saturates", {0, 0, 0}, {46341, 0, 0}, std::numeric_limits<std::int32_t>::max()},
      {"sum too large saturates", {0, 0, 0}, {40000, 40000, 0}, std::numeric_limits<std::int32_t>::max()},
      {"far apart in 32-bit coordinates", {-2147483648.0, 0, 0}, {2147483647.0, 0, 0},
       std::numeric_limits<std::int32_t>::max()},
  };
  for (const Case& c : cases) {
    Matrix m(4, 4);
    for (int col = 0; col < 3; ++col) {
      m.PutElement(c.from[col], 1, col);
      m.PutElement(c.to[col], 2, col);
    }
    EXPECT_EQ(RowDistanceSquared(m, 1, 2), c.expected) << c.what;
    EXPECT_EQ(RowDistanceSquared(m, 2, 1), c.expected) << c.what << " (reversed)";
  }
}

}  // namespace
