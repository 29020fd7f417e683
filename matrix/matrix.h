// A small dense matrix of doubles with value semantics. It carries the curve
// mathematics (4 x 4 products and scalings) and also offers the general
// operations of a matrix class: sums, products, powers, determinant, inverse
// and console input and output.
//
// Every misuse (an index out of range, incompatible sizes, a negative size) is
// fatal: one line naming the operation goes to standard error, followed by a
// newline and a flush, and the process ends through the normal exit with
// status 1. There are no error codes and no exceptions.
#pragma once

#include <cstddef>
#include <memory>

class Matrix {
 public:
  // rows x cols elements, all +0.0. A size of 0 gives a matrix with no
  // elements; a negative size is a misuse.
  Matrix(int rows, int cols);
  // From `rows` pointers, each to `cols` integers (converted exactly) or
  // doubles, filled row by row through PutElement.
  Matrix(const int* const* table, int rows, int cols);
  Matrix(const double* const* table, int rows, int cols);
  Matrix(const Matrix& source);
  ~Matrix();

  // The target takes the source's sizes and elements (self-assignment is
  // safe) and a copy of the source is returned by value. Same-size assignment
  // keeps the target's storage.
  Matrix operator=(const Matrix& source);

  int NumRows() const;
  int NumCols() const;

  // Bounds-tested access; out of range is fatal and names the valid ranges.
  // Inline: every element access of the library and of the curve renderers
  // goes through these two (docs/performance.md).
  void PutElement(double value, int row, int col) {
    if (row < 0 || row >= rows || col < 0 || col >= cols) FailIndex("PutElement");
    data[Position(row, col)] = value;
  }
  double GetElement(int row, int col) const {
    if (row < 0 || row >= rows || col < 0 || col >= cols) FailIndex("GetElement");
    return data[Position(row, col)];
  }

  // Arithmetic. Every result is a new matrix; operands are never changed.
  Matrix AddMat(const Matrix& other) const;
  Matrix AddScalar(double s) const;
  Matrix MultScalar(double s) const;
  Matrix MultMat(const Matrix& other) const;
  Matrix Transpose() const;
  // The n-th power for n >= 2; a copy for n <= 1 (not an identity).
  Matrix PowerMat(int n) const;
  Matrix GetRow(int row) const;
  Matrix GetCol(int col) const;

  // Square-matrix algebra by cofactor expansion (no pivoting).
  Matrix CoFactor(int row, int col) const;
  double DetMat() const;
  Matrix Inverse() const;

  // Console input and output on the standard streams.
  void ReadMat();
  void PrintMat() const;

 private:
  // Storage for a result that is then written whole, element by element:
  // zero-filling it first would be work nobody can observe. Every operation
  // of the library that builds a result this way writes each element once.
  struct Unfilled {};
  Matrix(int rows, int cols, Unfilled);

  // Index of (row, col) in row-major storage; computed in size_t so that
  // large matrices cannot overflow an int.
  std::size_t Position(int row, int col) const {
    return static_cast<std::size_t>(col) + static_cast<std::size_t>(row) * static_cast<std::size_t>(cols);
  }
  // The fatal index error of PutElement and GetElement, kept out of line.
  [[noreturn]] void FailIndex(const char* operation) const;

  int rows;
  int cols;
  std::unique_ptr<double[]> data;  // rows x cols, row-major; null when empty
};
