#include "points/point_list.h"

#include <cstdint>
#include <limits>
#include <memory>

#include "points/editor_state.h"

namespace {

// The pick radius is exclusive: squared distances strictly below this.
constexpr std::int32_t PickRadiusSquared = PickRadius * PickRadius;

constexpr std::int32_t GrowthStep = 4;

}  // namespace

void AddPoint(std::int32_t x, std::int32_t y) {
  PointList& list = editorState.points;
  if (list.count == list.capacity) {
    // Also the case of an empty list with no storage. A failed allocation
    // throws before anything changes, so the list stays as it was.
    std::unique_ptr<Point[]> grown(new Point[list.capacity + GrowthStep]);
    for (std::int32_t i = 0; i < list.capacity; ++i) grown[i] = list.items[i];
    list.items = std::move(grown);
    list.capacity += GrowthStep;
  }
  list.items[list.count] = Point{x, y};
  ++list.count;
}

void DeletePoint(std::int32_t index) {
  PointList& list = editorState.points;
  // Callers pass -1 ("nothing found") or a valid index; anything past the
  // end is treated like -1 rather than corrupting the count.
  if (index < 0 || index >= list.count) return;
  --list.count;
  if (index == list.count) return;  // the last point: nothing to move
  for (std::int32_t i = index; i < list.count; ++i) list.items[i] = list.items[i + 1];
}

void ClearPoints() {
  PointList& list = editorState.points;
  list.items.reset();
  list.count = 0;
  list.capacity = 0;
}

std::int32_t FindNearestPoint(std::int32_t x, std::int32_t y) {
  const PointList& list = editorState.points;
  std::int32_t best = -1;
  std::int32_t bestDistance = 0;
  for (std::int32_t i = 0; i < list.count; ++i) {
    const std::int32_t d = DistanceSquared(x, y, list.items[i].x, list.items[i].y);
    // Strictly smaller keeps the lowest index on a tie.
    if (d < PickRadiusSquared && (best == -1 || d < bestDistance)) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

std::int32_t DistanceSquared(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
  // Clicks may come from far outside the window, where the plain 32-bit sum
  // of squares would overflow. The differences and squares are taken in 64
  // bits (an absolute difference below 2^32 squares to below 2^64 unsigned)
  // and anything past the 32-bit range saturates at its maximum: such a
  // point is certainly outside the pick radius. Results that fit are the
  // exact 32-bit ones.
  constexpr std::uint64_t Max = std::numeric_limits<std::int32_t>::max();
  const std::int64_t dx = static_cast<std::int64_t>(x1) - x0;
  const std::int64_t dy = static_cast<std::int64_t>(y1) - y0;
  const std::uint64_t ax = static_cast<std::uint64_t>(dx < 0 ? -dx : dx);
  const std::uint64_t ay = static_cast<std::uint64_t>(dy < 0 ? -dy : dy);
  const std::uint64_t sx = ax * ax;
  const std::uint64_t sy = ay * ay;
  if (sx > Max || sy > Max) return static_cast<std::int32_t>(Max);
  const std::uint64_t sum = sx + sy;  // at most 2 * Max: no wrap
  return static_cast<std::int32_t>(sum > Max ? Max : sum);
}
