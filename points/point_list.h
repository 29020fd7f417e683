// The control points: the editor's only document. One growable array of
// integer pairs in placement order (the order matters: the curve renderers
// take consecutive points as a segment's control points), plus picking by
// proximity for deleting and dragging.
#pragma once

#include <cstdint>
#include <memory>

// Window pixels, origin at the bottom-left corner.
struct Point {
  std::int32_t x;
  std::int32_t y;
};

// Invariants: 0 <= count <= capacity; items is null exactly when capacity is
// 0; capacity is a multiple of 4. Storage grows by 4 points at a time and is
// only ever released by ClearPoints.
struct PointList {
  std::int32_t count = 0;
  std::int32_t capacity = 0;
  std::unique_ptr<Point[]> items;
};

// The procedures below work on the one list inside `editorState`.

// Appends (x, y), growing the storage by 4 points when it is full.
void AddPoint(std::int32_t x, std::int32_t y);
// Removes the point at index, keeping the order of the rest; a negative index
// is ignored. Callers pass -1 or a valid index.
void DeletePoint(std::int32_t index);
// Removes every point and releases the storage; no-op on a list with none.
void ClearPoints();
// How near a point must be to be picked for deleting or dragging, in pixels.
inline constexpr std::int32_t PickRadius = 50;

// Index of the nearest point strictly within PickRadius of (x, y), the lowest
// index on a tie; -1 when there is none.
std::int32_t FindNearestPoint(std::int32_t x, std::int32_t y);
// The squared distance between two points: exact wherever it fits in 32
// bits, and the 32-bit maximum beyond, which is far outside the pick radius.
std::int32_t DistanceSquared(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1);
