// Uniform cubic B-spline segments: one matrix product gives the segment
// polynomial, which is evaluated at bsplineSteps evenly spaced parameters and
// joined by straight lines. Call only inside the curve pass's GL_POINTS batch.
#pragma once

#include <cstdint>

#include "matrix/matrix.h"

// Draws the segment controlled by points first .. first + 3 of the point list
// (the caller guarantees first + 4 <= count).
void DrawBSplineSegment(std::int32_t first);
// Draws the segment whose polynomial coefficients are the rows of K (t^3, t^2,
// t, 1; x in column 0, y in column 1) as exactly bsplineSteps lines.
void EvaluateBSplineSegment(const Matrix& K);
