#include "points/point_list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "editor_fixture.h"
#include "points/editor_state.h"

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

class PointListTest : public EditorTest {
 protected:
  static const PointList& List() { return editorState.points; }

  static std::vector<std::pair<int, int>> Contents() {
    std::vector<std::pair<int, int>> out;
    for (std::int32_t i = 0; i < List().count; ++i) out.emplace_back(List().items[i].x, List().items[i].y);
    return out;
  }

  static void ExpectInvariants() {
    const PointList& l = List();
    EXPECT_GE(l.count, 0);
    EXPECT_LE(l.count, l.capacity);
    EXPECT_EQ(l.capacity % 4, 0);
    EXPECT_EQ(l.items == nullptr, l.capacity == 0);
  }
};

TEST_F(PointListTest, CapacityGrowsByFourAndKeepsEveryEarlierPoint) {
  EXPECT_EQ(List().capacity, 0);
  EXPECT_EQ(List().items, nullptr);
  for (int n = 1; n <= 17; ++n) {
    AddPoint(n * 10, -n);
    ASSERT_EQ(List().count, n);
    EXPECT_EQ(List().capacity, (n + 3) / 4 * 4) << "after " << n << " points";
    ExpectInvariants();
    // Growth copies the old array: every earlier point is still in place.
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(List().items[i].x, (i + 1) * 10);
      EXPECT_EQ(List().items[i].y, -(i + 1));
    }
  }
}

TEST_F(PointListTest, DeleteRemovesOnePointAndKeepsOrderAndCapacity) {
  struct Case {
    const char* what;
    std::int32_t index;
    std::vector<std::pair<int, int>> expected;
  };
  const std::vector<Case> cases = {
      {"first", 0, {{2, 20}, {3, 30}, {4, 40}, {5, 50}}},
      {"middle", 2, {{1, 10}, {2, 20}, {4, 40}, {5, 50}}},
      {"second to last", 3, {{1, 10}, {2, 20}, {3, 30}, {5, 50}}},
      {"last", 4, {{1, 10}, {2, 20}, {3, 30}, {4, 40}}},
  };
  for (const Case& c : cases) {
    ClearPoints();
    for (int i = 1; i <= 5; ++i) AddPoint(i, i * 10);
    DeletePoint(c.index);
    EXPECT_EQ(Contents(), c.expected) << c.what;
    EXPECT_EQ(List().capacity, 8) << c.what;
    ExpectInvariants();
  }
}

TEST_F(PointListTest, DeleteOutsideTheListChangesNothing) {
  for (int i = 1; i <= 3; ++i) AddPoint(i, i);
  const auto before = Contents();
  for (std::int32_t index : {-1, -7, kMin, 3, 4, kMax}) {
    DeletePoint(index);
    EXPECT_EQ(Contents(), before) << "index " << index;
    EXPECT_EQ(List().capacity, 4);
  }
}

TEST_F(PointListTest, ClearReleasesStorageAndAddStartsAgainAtFour) {
  // The first clear meets a list that never held storage; the second, nine points.
  for (int added : {0, 9}) {
    for (int i = 0; i < added; ++i) AddPoint(i, i);
    ClearPoints();
    EXPECT_EQ(List().count, 0) << added;
    EXPECT_EQ(List().capacity, 0) << added;
    EXPECT_EQ(List().items, nullptr) << added;
  }
  AddPoint(7, 8);
  EXPECT_EQ(List().capacity, 4);
  EXPECT_EQ(Contents(), (std::vector<std::pair<int, int>>{{7, 8}}));
}

TEST_F(PointListTest, NearestPointWithinAnExclusiveRadiusOfFifty) {
  struct Case {
    const char* what;
    std::vector<std::pair<int, int>> points;
    int qx, qy;
    std::int32_t expected;
  };
  const std::vector<Case> cases = {
      {"empty list", {}, 100, 100, -1},
      {"on the point", {{100, 100}}, 100, 100, 0},
      {"49 to the right", {{100, 100}}, 149, 100, 0},
      {"exactly 50 to the right", {{100, 100}}, 150, 100, -1},
      {"exactly 50 below", {{100, 100}}, 100, 50, -1},
      {"exactly 50 on a 30-40 diagonal", {{100, 100}}, 130, 140, -1},
      {"just inside on the diagonal", {{100, 100}}, 129, 140, 0},
      {"tie goes to the lower index", {{110, 100}, {90, 100}}, 100, 100, 0},
      {"tie among three, later ones equal", {{0, 0}, {100, 110}, {100, 90}, {110, 100}}, 100, 100, 1},
      {"nearer beats lower index", {{120, 100}, {105, 100}}, 100, 100, 1},
      {"out of reach then in reach", {{500, 500}, {10, 10}}, 0, 0, 1},
      {"duplicates: the first", {{5, 5}, {5, 5}}, 5, 5, 0},
      {"negative coordinates", {{-20, -30}}, 0, 0, 0},
      {"far corners do not overflow", {{kMin, kMin}, {kMax, kMax}}, kMax, kMin, -1},
      {"far point skipped, near found", {{kMin, kMax}, {kMax - 3, kMin + 4}}, kMax, kMin, 1},
  };
  for (const Case& c : cases) {
    ClearPoints();
    for (auto [x, y] : c.points) AddPoint(x, y);
    EXPECT_EQ(FindNearestPoint(c.qx, c.qy), c.expected) << c.what;
  }
}

}  // namespace
