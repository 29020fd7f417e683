#include "render/bezier.h"

#include <cassert>
#include <cmath>
#include <cstdint>
#include <limits>

#include "points/editor_state.h"
#include "render/curve_matrices.h"
#include "render/line.h"
#include "render/segment.h"

namespace {

constexpr std::int32_t Int32Max = std::numeric_limits<std::int32_t>::max();

// The largest truncated difference whose square fits in 32 bits.
constexpr double LargestSquarable = 46340.0;

}  // namespace

void DrawBezierSegment(std::int32_t first) { SubdivideBezier(ControlMatrix(first)); }

void SubdivideBezier(const Matrix& control) {
  // Below 1 the measure (which bottoms out at 0) could never meet it and the
  // recursion would not end; the dialogue accepts nothing below 1.
  assert(editorState.toleranceSquared >= 1);
  // Only the first leg is measured: a piece whose first two control points
  // are close is final, however long its other legs are.
  if (RowDistanceSquared(control, 0, 1) < editorState.toleranceSquared) {
    for (int i = 0; i < 3; ++i) {
      DrawLine(ToPixel(control.GetElement(i, 0)), ToPixel(control.GetElement(i, 1)),
               ToPixel(control.GetElement(i + 1, 0)), ToPixel(control.GetElement(i + 1, 1)));
    }
    return;
  }
  // The tables hold 8 x the halving maps; multiplying by 0.125 (exact in
  // binary) rather than dividing by 8 keeps every value exact for integer
  // control points of screen size. The left half is drawn completely before
  // the right one is computed, so the pieces come out in order along the
  // curve. Each product and its scaled copy live until their half is drawn.
  SubdivideBezier(LeftSplit.MultMat(control).MultScalar(HalvingScale));
  SubdivideBezier(RightSplit.MultMat(control).MultScalar(HalvingScale));
}

std::int32_t RowDistanceSquared(Matrix m, std::int32_t i, std::int32_t j) {
  // Each difference is truncated toward zero before squaring, so a leg of
  // (1.875, 1.875) measures 2, not 7. Squares and sum are integer arithmetic,
  // taken wide and saturated at the 32-bit maximum: a leg too long to
  // measure in 32 bits is certainly above any tolerance.
  std::int64_t sum = 0;
  for (int c = 0; c < 3; ++c) {
    const double diff = std::trunc(m.GetElement(j, c) - m.GetElement(i, c));
    if (std::fabs(diff) > LargestSquarable) return Int32Max;
    const auto t = static_cast<std::int64_t>(diff);
    sum += t * t;
  }
  return sum > Int32Max ? Int32Max : static_cast<std::int32_t>(sum);
}
