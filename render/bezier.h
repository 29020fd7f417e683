// Cubic Bezier segments by recursive de Casteljau subdivision in matrix form.
// Call only inside the curve pass's GL_POINTS batch.
#pragma once

#include <cstdint>

#include "matrix/matrix.h"

// Draws the segment controlled by points first .. first + 3 of the point list
// (the caller guarantees first + 4 <= count).
void DrawBezierSegment(std::int32_t first);
// Draws the piece whose control points are the rows of `control` (x in column
// 0, y in column 1, columns 2 and 3 zero): splits it in halves until its first
// control leg measures below toleranceSquared, then draws the control polygon
// of each final piece as three lines, in order along the curve.
void SubdivideBezier(const Matrix& control);
// Sum over columns 0..2 of the square of (m(j, c) - m(i, c)) truncated toward
// zero, in integer arithmetic, saturated at the 32-bit maximum.
std::int32_t RowDistanceSquared(Matrix m, std::int32_t i, std::int32_t j);
