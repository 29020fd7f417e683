#include "render/bspline.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "points/editor_state.h"
#include "render/curve_matrices.h"
#include "render/line.h"

namespace {

// A pixel coordinate: truncated toward zero, like every conversion of curve
// arithmetic to pixels. The last step may evaluate just past t = 1, a hair
// outside the control points' range; the clamp keeps that (and a NaN, which
// integer control points never produce) from being undefined at the very
// edge of the 32-bit range.
std::int32_t ToPixel(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483648.0) return std::numeric_limits<std::int32_t>::max();
  if (v <= -2147483649.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

// The segment polynomial of one column at t, in Horner order, each product
// and sum rounded on its own.
double Horner(const Matrix& k, int col, double t) {
  return ((k.GetElement(0, col) * t + k.GetElement(1, col)) * t + k.GetElement(2, col)) * t + k.GetElement(3, col);
}

}  // namespace

void DrawBSplineSegment(std::int32_t first) {
  const PointList& list = editorState.points;
  // The caller guarantees a window of four; a stray index draws nothing
  // rather than reading past the points.
  if (first < 0 || std::int64_t{first} + 4 > list.count) return;
  Matrix control(4, 4);
  for (int r = 0; r < 4; ++r) {
    control.PutElement(list.items[first + r].x, r, 0);
    control.PutElement(list.items[first + r].y, r, 1);
  }
  // The table holds 6 x the basis; 1/6 has no exact double, so the nearest
  // one is multiplied in (a division would round differently).
  const Matrix coefficients = BSplineBasis.MultMat(control).MultScalar(BasisScale);
  EvaluateBSplineSegment(coefficients);
}

void EvaluateBSplineSegment(const Matrix& K) {
  const std::int32_t steps = editorState.bsplineSteps;
  if (steps < 1) return;  // never stored by the dialogue; nothing to join
  const double dt = 1.0 / static_cast<double>(steps);
  double t = 0.0;
  // The start comes straight from the constant row, not from the polynomial.
  std::int32_t px = ToPixel(K.GetElement(3, 0));
  std::int32_t py = ToPixel(K.GetElement(3, 1));
  for (std::int32_t s = 0; s < steps; ++s) {
    // Accumulated, not s * dt: the last t is 1 only to within a few units in
    // the last place, and the pixels depend on exactly which.
    t = t + dt;
    const std::int32_t x = ToPixel(Horner(K, 0, t));
    const std::int32_t y = ToPixel(Horner(K, 1, t));
    DrawLine(px, py, x, y);
    px = x;
    py = y;
  }
}
