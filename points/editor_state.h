// The one program-wide state record. The input handlers write it and the
// renderers read it; it sits beside the point list (the points are the
// editor's only document) so that rendering never depends on the window code.
#pragma once

#include <cstdint>

#include "points/point_list.h"

enum class CurveKind : std::int32_t { Bezier = 0, BSpline = 1 };

// The only colour ever set: markers and curve pixels alike.
inline constexpr unsigned char PointColor[3] = {128, 64, 255};

// The settings a run starts with.
inline constexpr std::int32_t DefaultTolerance = 5;
inline constexpr std::int32_t DefaultBsplineSteps = 25;

struct EditorState {
  PointList points;
  CurveKind curveKind = CurveKind::Bezier;
  // The subdivision stop tolerance, stored as its square.
  std::int32_t toleranceSquared = DefaultTolerance * DefaultTolerance;
  // Straight pieces drawn per B-spline segment.
  std::int32_t bsplineSteps = DefaultBsplineSteps;
  // Index of the point being dragged; -1 after a middle press that found none.
  std::int32_t dragIndex = 0;
  // True from a middle press that found a point to the next middle release.
  bool dragging = false;
  // True from a left press delivered to the window to the next left release.
  // The toolkit hands the window the release of a left click that chose a
  // pop-up menu entry without its press; only a release that ends a click
  // begun in the window places or deletes a point.
  bool leftPressed = false;
};

extern EditorState editorState;
