// The three constant 4 x 4 matrices of the curve mathematics. They hold small
// integers; the common denominators (8 and 6) are applied by the renderers as
// scalar factors after each product.
#pragma once

#include "matrix/matrix.h"

// 8 x the maps from a cubic Bezier segment's control points to those of its
// first and second halves.
extern Matrix LeftSplit;
extern Matrix RightSplit;
// 6 x the uniform cubic B-spline basis in power form (rows: t^3, t^2, t, 1).
extern Matrix BSplineBasis;

// The factors applied after each product. 1/6 is not a double: this is the
// nearest one, slightly below it, and it is multiplied, never divided by.
inline constexpr double HalvingScale = 0.125;
inline constexpr double BasisScale = 0.16666666666666666;

// Fills all three matrices. Called once at start-up before any frame.
void InitCurveMatrices();
