// Shared by the segment renderer tests: a segment drawn from given points,
// and the pixels a list of lines rasterises to (the expected side of most
// checks).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "editor_fixture.h"
#include "gl_fake.h"
#include "points/point_list.h"
#include "render/line.h"

using Pixels = std::vector<std::pair<int, int>>;
using Pt = std::pair<int, int>;
struct Line {
  int x0, y0, x1, y1;
};

// The pixels the rasteriser gives for a list of lines, back to back.
inline Pixels Rasterise(const std::vector<Line>& lines) {
  glfake::Reset();
  for (const Line& l : lines) DrawLine(l.x0, l.y0, l.x1, l.y1);
  Pixels out = glfake::Vertices();
  glfake::Reset();
  return out;
}

class SegmentTest : public EditorTest {
 protected:
  // Places `pts` and returns what draw(first) emits.
  static Pixels DrawWith(void (*draw)(std::int32_t), const std::vector<Pt>& pts, std::int32_t first) {
    ClearPoints();
    for (auto [x, y] : pts) AddPoint(x, y);
    glfake::Reset();
    draw(first);
    return glfake::Vertices();
  }
};
