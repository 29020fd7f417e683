// What the two segment renderers share: the control matrix of four
// consecutive points and the conversion of curve arithmetic to pixels.
#pragma once

#include <cassert>
#include <cmath>
#include <cstdint>
#include <limits>

#include "matrix/matrix.h"

// A 4 x 4 matrix whose row r holds point first + r: x in column 0, y in
// column 1, columns 2 and 3 zero. Points first .. first + 3 must exist: the
// frame only asks for complete segments.
Matrix ControlMatrix(std::int32_t first);

// A pixel coordinate from curve arithmetic, truncated toward zero. Values are
// convex combinations of 32-bit control points (the last B-spline step may
// land a hair past t = 1), so they are in range; the clamp only keeps a
// last-place rounding at the very edge of the range from being undefined.
// Inline: it runs twice for every evaluated curve point (docs/performance.md).
inline std::int32_t ToPixel(double v) {
  assert(!std::isnan(v));
  if (v >= 2147483648.0) return std::numeric_limits<std::int32_t>::max();
  if (v <= -2147483649.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}
