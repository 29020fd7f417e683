// Storage, construction, copying and the two bounds-tested element accessors.
// Everything else in the library reaches the elements through these.
#include "matrix/matrix.h"

#include <cstddef>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <new>
#include <string>

#include "matrix/failure.h"

namespace matrix_failure {

void Fail(const std::string& line) {
  std::cerr << line << '\n';
  std::cerr.flush();
  std::exit(1);
}

void FailRange(const char* operation, int rows, int cols) {
  // std::to_string keeps the bounds decimal whatever flags std::cerr carries.
  // The subtraction is done in long long so that no bound can overflow.
  Fail(std::string(operation) + ": index out of range [0.." +
       std::to_string(static_cast<long long>(rows) - 1) + ", 0.." +
       std::to_string(static_cast<long long>(cols) - 1) + "]");
}

}  // namespace matrix_failure

namespace {

// Obtains storage for rows x cols doubles, all +0.0 when `zeroed` (otherwise
// the caller writes every element), or none for an empty matrix.
// A negative size is a misuse; storage that cannot be obtained is reported
// like every other failure of the library instead of escaping as an exception
// (which would abort without flushing standard output).
std::unique_ptr<double[]> Allocate(int rows, int cols, bool zeroed) {
  if (rows < 0 || cols < 0) {
    matrix_failure::Fail("Matrix: invalid matrix size");
  }
  const std::size_t count =
      static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
  if (count == 0) {
    return nullptr;
  }
  if (count > std::numeric_limits<std::size_t>::max() / sizeof(double)) {
    matrix_failure::Fail("Matrix: out of memory");
  }
  double* storage = zeroed ? new (std::nothrow) double[count]() : new (std::nothrow) double[count];
  if (storage == nullptr) {
    matrix_failure::Fail("Matrix: out of memory");
  }
  return std::unique_ptr<double[]>(storage);
}

}  // namespace

Matrix::Matrix(int rows, int cols)
    : rows(rows), cols(cols), data(Allocate(rows, cols, true)) {}

Matrix::Matrix(int rows, int cols, Unfilled)
    : rows(rows), cols(cols), data(Allocate(rows, cols, false)) {}

Matrix::Matrix(const int* const* table, int rows, int cols)
    : Matrix(rows, cols, Unfilled{}) {
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      // Every 32-bit integer is exactly representable as a double.
      PutElement(static_cast<double>(table[i][j]), i, j);
    }
  }
}

Matrix::Matrix(const double* const* table, int rows, int cols)
    : Matrix(rows, cols, Unfilled{}) {
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      PutElement(table[i][j], i, j);
    }
  }
}

Matrix::Matrix(const Matrix& source)
    : rows(source.rows), cols(source.cols), data(Allocate(rows, cols, false)) {
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      PutElement(source.GetElement(i, j), i, j);
    }
  }
}

Matrix::~Matrix() = default;

Matrix Matrix::operator=(const Matrix& source) {
  // Working from a private copy makes a = a (and any aliasing) harmless.
  const Matrix temporary(source);
  const std::size_t have =
      static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
  const std::size_t need = static_cast<std::size_t>(temporary.rows) *
                           static_cast<std::size_t>(temporary.cols);
  if (have != need) {
    // The existing storage cannot hold the source's elements exactly, so the
    // target takes fresh storage of the source's size.
    data = Allocate(temporary.rows, temporary.cols, false);
  }
  cols = temporary.cols;
  rows = temporary.rows;
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      PutElement(temporary.GetElement(i, j), i, j);
    }
  }
  return Matrix(temporary);
}

int Matrix::NumRows() const { return rows; }

int Matrix::NumCols() const { return cols; }

void Matrix::FailIndex(const char* operation) const {
  matrix_failure::FailRange(operation, rows, cols);
}
