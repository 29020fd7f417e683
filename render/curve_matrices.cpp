#include "render/curve_matrices.h"

// Defined together, in this order, so that they are constructed in this order
// (and destroyed in the reverse one). Until InitCurveMatrices runs they are
// 4 x 4 zero matrices; nothing draws before then.
Matrix LeftSplit(4, 4);
Matrix RightSplit(4, 4);
Matrix BSplineBasis(4, 4);

namespace {

// 8 x the de Casteljau map onto the first half (parameter 0 to 1/2). Each
// row is a row of Pascal's triangle: the new control points are binomial
// averages of the old ones.
constexpr int Halving[4][4] = {
    {8, 0, 0, 0},
    {4, 4, 0, 0},
    {2, 4, 2, 0},
    {1, 3, 3, 1},
};

// 6 x the uniform cubic B-spline basis, rows giving t^3, t^2, t and 1.
constexpr int Basis[4][4] = {
    {-1, 3, -3, 1},
    {3, -6, 3, 0},
    {-3, 0, 3, 0},
    {1, 4, 1, 0},
};

}  // namespace

void InitCurveMatrices() {
  for (int p = 0; p < 4; ++p) {
    for (int q = 0; q < 4; ++q) {
      LeftSplit.PutElement(Halving[p][q], p, q);
      // The second half is the first half of the reversed curve, read
      // backwards: the same table turned by a half turn.
      RightSplit.PutElement(Halving[p][q], 3 - p, 3 - q);
      BSplineBasis.PutElement(Basis[p][q], p, q);
    }
  }
}
