#include "render/line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "line_oracle.h"
#include "segment_fixture.h"

namespace {

Pixels Draw(int x0, int y0, int x1, int y1) { return Rasterise({{x0, y0, x1, y1}}); }

TEST(Line, WorkedSegmentsInEmissionOrder) {
  struct Case {
    int x0, y0, x1, y1;
    Pixels expected;
  };
  const std::vector<Case> cases = {
      {0, 0, 5, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}},
      {5, 2, 0, 0, {{5, 2}, {4, 2}, {3, 1}, {2, 1}, {1, 0}, {0, 0}}},
      {0, 0, 2, 5, {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}, {2, 5}}},
      {0, 0, 2, -5, {{0, 0}, {0, -1}, {1, -2}, {1, -3}, {2, -4}, {2, -5}}},
      {0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}},
      {0, 0, 4, -2, {{0, 0}, {1, -1}, {2, -1}, {3, -2}, {4, -2}}},
      {0, 0, 0, -3, {{0, 0}, {0, -1}, {0, -2}, {0, -3}}},
      {7, 7, 7, 7, {{7, 7}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Draw(c.x0, c.y0, c.x1, c.y1), c.expected)
        << "(" << c.x0 << "," << c.y0 << ") to (" << c.x1 << "," << c.y1 << ")";
  }
}

// The segment and its reverse against the rules, judged independently of
// the rasteriser's loops.
void CheckLineProperties(int x0, int y0, int x1, int y1) {
  SCOPED_TRACE(::testing::Message() << "(" << x0 << "," << y0 << ") to (" << x1 << "," << y1 << ")");
  const Pixels got = Draw(x0, y0, x1, y1);
  ASSERT_EQ(lineoracle::Fault(x0, y0, x1, y1, got), "");
  const Pixels reverse = Draw(x1, y1, x0, y0);
  EXPECT_EQ(lineoracle::ReverseFault(got, reverse), "");
}

TEST(Line, RandomSegmentsInEveryOctantFollowTheRules) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> extent(0, 120);
  std::uniform_int_distribution<int> origin(-100000, 100000);
  std::uniform_int_distribution<int> window(-50, 550);
  for (int octant = 0; octant < 8; ++octant) {
    const int sx = (octant & 1) ? -1 : 1;
    const int sy = (octant & 2) ? -1 : 1;
    const bool steep = (octant & 4) != 0;
    for (int i = 0; i < 300; ++i) {
      int major = extent(rng);
      int minor = std::uniform_int_distribution<int>(0, major)(rng);
      if (steep && minor == major) ++major;  // strictly taller than wide
      const int ax = steep ? minor : major;
      const int ay = steep ? major : minor;
      const bool far = i % 3 == 0;
      const int x0 = far ? origin(rng) : window(rng);
      const int y0 = far ? origin(rng) : window(rng);
      CheckLineProperties(x0, y0, x0 + sx * ax, y0 + sy * ay);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

TEST(Line, TiesAndDiagonalsInEveryDirection) {
  // Even minor extents over even major extents put the ideal line exactly
  // between two pixels; these and the pure diagonals are the delicate cases.
  const std::vector<std::pair<int, int>> shapes = {{4, 2}, {8, 2}, {6, 2}, {10, 6}, {2, 4}, {2, 8}, {6, 10},
                                                   {5, 5}, {1, 1}, {1, 0}, {0, 1}, {2, 1}, {1, 2}};
  for (auto [ax, ay] : shapes) {
    for (int sx : {-1, 1}) {
      for (int sy : {-1, 1}) {
        CheckLineProperties(3, -2, 3 + sx * ax, -2 + sy * ay);
        if (::testing::Test::HasFatalFailure()) return;
      }
    }
  }
}

TEST(Line, EndsAtTheEdgesOfTheIntegerRange) {
  constexpr int kMax = std::numeric_limits<std::int32_t>::max();
  constexpr int kMin = std::numeric_limits<std::int32_t>::min();
  CheckLineProperties(kMax - 9, kMax - 4, kMax, kMax);
  CheckLineProperties(kMin, kMin + 7, kMin + 3, kMin);
  CheckLineProperties(kMax, kMin, kMax - 5, kMin + 12);
}

}  // namespace
