#include "bench/scenes.h"

namespace bench {

namespace {

// SplitMix64: tiny, fully specified, and independent of the standard
// library's distributions (whose output may differ between implementations).
std::uint64_t Next(std::uint64_t& state) {
  state += 0x9E3779B97F4A7C15ull;
  std::uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

std::vector<Point> SeededPoints(std::int32_t count, std::uint64_t seed) {
  constexpr std::uint64_t span = WindowSize - 2 * Margin;
  std::uint64_t state = seed;
  std::vector<Point> points;
  for (std::int32_t i = 0; i < count; ++i) {
    const auto x = static_cast<std::int32_t>(Next(state) % span) + Margin;
    const auto y = static_cast<std::int32_t>(Next(state) % span) + Margin;
    points.push_back(Point{x, y});
  }
  return points;
}

Scene TypicalScene() {
  return Scene{"typical",
               {{40, 250}, {90, 420}, {150, 430}, {190, 260}, {230, 90}, {290, 80},
                {330, 250}, {370, 420}, {430, 410}, {470, 240}},
               5,
               25};
}

Scene DenseScene() { return Scene{"dense", SeededPoints(301, SceneSeed), 1, 499}; }

Scene SpreadScene(std::int32_t count) {
  return Scene{"spread" + std::to_string(count), SeededPoints(count, SceneSeed), 5, 25};
}

void LoadScene(const Scene& scene, CurveKind kind) {
  ClearPoints();
  for (const Point& p : scene.points) AddPoint(p.x, p.y);
  editorState.curveKind = kind;
  editorState.toleranceSquared = scene.tolerance * scene.tolerance;
  editorState.bsplineSteps = scene.bsplineSteps;
}

std::int32_t BezierSegments(std::int32_t n) { return n >= 4 ? (n - 1) / 3 : 0; }

std::int32_t BSplineSegments(std::int32_t n) { return n >= 4 ? n - 3 : 0; }

const char* KindName(CurveKind kind) { return kind == CurveKind::Bezier ? "bezier" : "bspline"; }

}  // namespace bench
