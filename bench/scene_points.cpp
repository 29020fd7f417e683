// Prints one of the benchmark scenes: its settings, then its control points,
// one "x y" line each (origin bottom-left), so that drivers outside C++ (the
// browser frame measurement) draw exactly the scenes the benchmarks draw.
//
// Usage: scene_points <typical|dense>
#include <cstdio>
#include <string_view>

#include "bench/scenes.h"

int main(int argc, char** argv) {
  const std::string_view name = argc == 2 ? argv[1] : "";
  if (name != "typical" && name != "dense") {
    std::fprintf(stderr, "usage: scene_points <typical|dense>\n");
    return 2;
  }
  const bench::Scene scene = name == "typical" ? bench::TypicalScene() : bench::DenseScene();
  std::printf("tolerance %d\nsteps %d\n", scene.tolerance, scene.bsplineSteps);
  for (const Point& p : scene.points) std::printf("%d %d\n", p.x, p.y);
  return 0;
}
