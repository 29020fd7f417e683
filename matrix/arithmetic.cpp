// Element-wise operations, the product, transpose, powers and the extraction
// of one row or column. Each returns a new matrix and leaves its operands as
// they were.
#include <string>

#include "matrix/failure.h"
#include "matrix/matrix.h"

Matrix Matrix::AddMat(const Matrix& other) const {
  // Equal element counts are not enough: a 2 x 3 and a 3 x 2 do not add.
  if (other.NumRows() != rows || other.NumCols() != cols) {
    matrix_failure::Fail("AddMat: Incompatible matrix sizes");
  }
  Matrix result(rows, cols, Unfilled{});
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      result.PutElement(GetElement(i, j) + other.GetElement(i, j), i, j);
    }
  }
  return result;
}

Matrix Matrix::AddScalar(double s) const {
  Matrix result(rows, cols, Unfilled{});
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      result.PutElement(GetElement(i, j) + s, i, j);
    }
  }
  return result;
}

Matrix Matrix::MultScalar(double s) const {
  Matrix result(rows, cols, Unfilled{});
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      result.PutElement(GetElement(i, j) * s, i, j);
    }
  }
  return result;
}

Matrix Matrix::MultMat(const Matrix& other) const {
  if (other.NumRows() != cols) {
    matrix_failure::Fail("MultMat: Incompatible matrix sizes");
  }
  const int otherCols = other.NumCols();
  Matrix result(rows, otherCols, Unfilled{});
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < otherCols; ++j) {
      // The sum starts at +0.0 and grows with k ascending, every product and
      // partial sum rounded on its own (the build forbids fused multiply-add),
      // so curve pixels do not depend on the compiler or the machine.
      double sum = 0.0;
      for (int k = 0; k < cols; ++k) {
        const double product = GetElement(i, k) * other.GetElement(k, j);
        sum = sum + product;
      }
      result.PutElement(sum, i, j);
    }
  }
  return result;
}

Matrix Matrix::Transpose() const {
  Matrix result(cols, rows, Unfilled{});
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      result.PutElement(GetElement(i, j), j, i);
    }
  }
  return result;
}

Matrix Matrix::PowerMat(int n) const {
  // The running power stays on the left of each product. For n <= 1 no
  // product is formed, so the result is a copy rather than an identity, and a
  // non-square matrix only fails once a product is actually needed.
  Matrix q(*this);
  for (int counter = 1; counter < n; ++counter) {
    q = q.MultMat(*this);
  }
  return Matrix(q);
}

Matrix Matrix::GetRow(int row) const {
  if (row < 0 || row >= rows) {
    matrix_failure::Fail("GetRow: index out of range [0.." +
                         std::to_string(static_cast<long long>(rows) - 1) +
                         "]");
  }
  Matrix result(1, cols, Unfilled{});
  for (int c = 0; c < cols; ++c) {
    result.PutElement(GetElement(row, c), 0, c);
  }
  return result;
}

Matrix Matrix::GetCol(int col) const {
  if (col < 0 || col >= cols) {
    matrix_failure::Fail("GetCol: index out of range [0.." +
                         std::to_string(static_cast<long long>(cols) - 1) +
                         "]");
  }
  Matrix result(rows, 1, Unfilled{});
  for (int r = 0; r < rows; ++r) {
    result.PutElement(GetElement(r, col), r, 0);
  }
  return result;
}
