#include "render/line.h"

#include <GL/gl.h>

#include <cstdint>

// The loops work in 64-bit integers. For window and screen coordinates every
// value stays far inside 32 bits and the pixels are exactly those of 32-bit
// arithmetic; the wider type only keeps end points that lie billions of
// pixels apart (clicks from anywhere, dragged far off the window) from
// overflowing the extents and the decision value. Every emitted pixel lies
// between the two end points, so it always fits back into 32 bits.

namespace {

using Wide = std::int64_t;

Wide WideSign(Wide v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

void Plot(Wide x, Wide y) { PlotPixel(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)); }

// The two loops behind DrawLine, mirror images of each other: x-major for
// |dy| <= |dx|, y-major for |dy| > |dx|.
void DrawLineXMajor(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
  const Wide sx = WideSign(Wide{x1} - x0);
  const Wide sy = WideSign(Wide{y1} - y0);
  const Wide a = sx * (Wide{x1} - x0);
  const Wide b = sy * (Wide{y1} - y0);
  // d tracks twice the signed distance of the midpoint from the ideal line.
  // The increments are arranged so that at d == 0 (the line passes exactly
  // between two rows) a rising line stays on its row and a falling one steps
  // down: the lower row wins either way, so a segment and its reverse light
  // the same pixels.
  Wide d = 2 * sy * b - sy * a;
  const Wide stepWhenPositive = 2 * sy * b - (sy > 0 ? 2 * a : 0);
  const Wide stepOtherwise = 2 * sy * b + (sy < 0 ? 2 * a : 0);
  Wide x = x0;
  Wide y = y0;
  Plot(x, y);
  while (sx * (Wide{x1} - x) > 0) {
    if (d > 0) {
      d += stepWhenPositive;
      x += sx;
      if (sy > 0) y += 1;
    } else {
      d += stepOtherwise;
      x += sx;
      if (sy < 0) y -= 1;
    }
    Plot(x, y);
  }
}

void DrawLineYMajor(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
  const Wide sx = WideSign(Wide{x1} - x0);
  const Wide sy = WideSign(Wide{y1} - y0);
  const Wide a = sx * (Wide{x1} - x0);
  const Wide b = sy * (Wide{y1} - y0);
  // The mirror image of the x-major loop: at d == 0 a line going right keeps
  // its column and one going left steps left, so the left column wins.
  Wide d = 2 * sx * a - sx * b;
  const Wide stepWhenPositive = 2 * sx * a - (sx > 0 ? 2 * b : 0);
  const Wide stepOtherwise = 2 * sx * a + (sx < 0 ? 2 * b : 0);
  Wide x = x0;
  Wide y = y0;
  Plot(x, y);
  while (sy * (Wide{y1} - y) > 0) {
    if (d > 0) {
      d += stepWhenPositive;
      y += sy;
      if (sx > 0) x += 1;
    } else {
      d += stepOtherwise;
      y += sy;
      if (sx < 0) x -= 1;
    }
    Plot(x, y);
  }
}

}  // namespace

void PlotPixel(std::int32_t x, std::int32_t y) { glVertex2i(x, y); }

void DrawLine(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
  const Wide dx = Wide{x1} - x0;
  const Wide dy = Wide{y1} - y0;
  const Wide a = dx * WideSign(dx);
  const Wide b = dy * WideSign(dy);
  // Strict: exact diagonals and single points take the x-major loop.
  if (b > a) {
    DrawLineYMajor(x0, y0, x1, y1);
  } else {
    DrawLineXMajor(x0, y0, x1, y1);
  }
}
