// Minors, determinants and inverses of square matrices by cofactor expansion.
// The fixed evaluation order (closed forms up to 3 x 3, then expansion along
// row 0) makes every result reproducible to the last bit; no pivoting is done,
// so the cost grows factorially and large matrices are not what this is for.
#include "matrix/failure.h"
#include "matrix/matrix.h"

Matrix Matrix::CoFactor(int row, int col) const {
  if (row < 0 || row >= rows || col < 0 || col >= cols) {
    matrix_failure::FailRange("CoFactor", rows, cols);
  }
  Matrix result(rows - 1, cols - 1, Unfilled{});
  for (int i = 0; i < rows; ++i) {
    if (i == row) continue;
    const int targetRow = i < row ? i : i - 1;
    for (int j = 0; j < cols; ++j) {
      if (j == col) continue;
      const int targetCol = j < col ? j : j - 1;
      result.PutElement(GetElement(i, j), targetRow, targetCol);
    }
  }
  return result;
}

double Matrix::DetMat() const {
  if (cols != rows) {
    matrix_failure::Fail("DetMat: invalid matrix size ");
  }
  const int n = cols;
  if (n == 0) {
    // The empty product. This is what makes the 1 x 1 inverse [a] -> [1/a]:
    // its only cofactor is the 0 x 0 minor.
    return 1.0;
  }
  if (n == 1) {
    return GetElement(0, 0);
  }
  if (n == 2) {
    const double p = GetElement(0, 0) * GetElement(1, 1);
    const double q = GetElement(0, 1) * GetElement(1, 0);
    return p - q;
  }
  if (n == 3) {
    const double m0 = GetElement(1, 1) * GetElement(2, 2);
    const double m1 = GetElement(1, 2) * GetElement(2, 1);
    const double t1 = (m0 - m1) * GetElement(0, 0);
    const double m2 = GetElement(1, 0) * GetElement(2, 2);
    const double m3 = GetElement(1, 2) * GetElement(2, 0);
    const double t2 = (m2 - m3) * GetElement(0, 1);
    const double m4 = GetElement(1, 0) * GetElement(2, 1);
    const double m5 = GetElement(1, 1) * GetElement(2, 0);
    const double t3 = (m4 - m5) * GetElement(0, 2);
    return (t1 - t2) + t3;
  }
  double det = 0.0;
  for (int j = 0; j < n; ++j) {
    // Each minor lives only for its own term.
    const double term = CoFactor(0, j).DetMat() * GetElement(0, j);
    if (j % 2 == 0) {
      det = det + term;
    } else {
      det = det - term;
    }
  }
  return det;
}

Matrix Matrix::Inverse() const {
  if (cols != rows) {
    matrix_failure::Fail("Inverse: invalid matrix size ");
  }
  const int n = cols;
  const double d = DetMat();
  Matrix result(n, n, Unfilled{});
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      // Row j and column i are removed: the adjugate is the transpose of the
      // cofactor matrix. A zero determinant is deliberately not tested; the
      // divisions then give IEEE infinities or NaNs.
      const double sign = (i + j) % 2 == 0 ? 1.0 : -1.0;
      const double cofactor = CoFactor(j, i).DetMat() * sign;
      result.PutElement(cofactor / d, i, j);
    }
  }
  return result;
}
