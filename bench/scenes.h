// The fixed control-point scenes the frame benchmarks draw. Every scene is
// made from literal points or a fixed seed, so two runs, two machines and the
// peer renderer all draw exactly the same curves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/window.h"
#include "points/editor_state.h"

namespace bench {

struct Scene {
  std::string name;
  std::vector<Point> points;
  std::int32_t tolerance = 5;      // the Bezier stop tolerance in pixels (stored squared)
  std::int32_t bsplineSteps = 25;  // straight pieces per B-spline segment
};

// Ten points a user might place: a loose wave across the window, at the
// editor's defaults (tolerance 5, 25 steps).
Scene TypicalScene();
// 301 seeded points spread over the whole window, at tolerance 1 and 499
// steps: 100 Bezier segments, 298 B-spline segments.
Scene DenseScene();
// The first `count` points of one seeded sequence over the window (so the
// scenes of a size sweep nest), at the defaults. count >= 0.
Scene SpreadScene(std::int32_t count);

// Points 0 .. count-1 of the seeded sequence; every coordinate lies in
// [Margin, WindowSize - Margin).
std::vector<Point> SeededPoints(std::int32_t count, std::uint64_t seed);
inline constexpr std::int32_t Margin = 10;
inline constexpr std::uint64_t SceneSeed = 20240611;

// Puts the scene into editorState: replaces the points, sets the curve kind
// and both settings. Storage is grown here, before any frame is timed.
void LoadScene(const Scene& scene, CurveKind kind);

// How many segments the frame draws for n points of each kind: groups of four
// sharing end points for Bezier, every window of four for B-spline.
std::int32_t BezierSegments(std::int32_t n);
std::int32_t BSplineSegments(std::int32_t n);

const char* KindName(CurveKind kind);

}  // namespace bench
