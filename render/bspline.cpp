#include "render/bspline.h"

#include <cassert>
#include <cstdint>

#include "points/editor_state.h"
#include "render/curve_matrices.h"
#include "render/line.h"
#include "render/segment.h"

namespace {

// The segment polynomial of one column at t, in Horner order, each product
// and sum rounded on its own.
double Horner(const Matrix& k, int col, double t) {
  return ((k.GetElement(0, col) * t + k.GetElement(1, col)) * t + k.GetElement(2, col)) * t + k.GetElement(3, col);
}

}  // namespace

void DrawBSplineSegment(std::int32_t first) {
  const Matrix control = ControlMatrix(first);
  // The table holds 6 x the basis; 1/6 has no exact double, so the nearest
  // one is multiplied in (a division would round differently).
  const Matrix coefficients = BSplineBasis.MultMat(control).MultScalar(BasisScale);
  EvaluateBSplineSegment(coefficients);
}

void EvaluateBSplineSegment(const Matrix& K) {
  const std::int32_t steps = editorState.bsplineSteps;
  assert(steps >= 1);  // the dialogue accepts nothing below 1
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
