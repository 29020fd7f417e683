// Building and reading matrices in tests through the public accessors only,
// so a check never relies on the copy or arithmetic it is testing.
#pragma once

#include <initializer_list>
#include <vector>

#include "matrix/matrix.h"

using Rows = std::initializer_list<std::initializer_list<double>>;

// A matrix from literal rows, e.g. Make({{1, 2}, {3, 4}}).
inline Matrix Make(Rows rows) {
  const int r = static_cast<int>(rows.size());
  const int c = r == 0 ? 0 : static_cast<int>(rows.begin()->size());
  Matrix m(r, c);
  int i = 0;
  for (const auto& row : rows) {
    int j = 0;
    for (double v : row) m.PutElement(v, i, j++);
    ++i;
  }
  return m;
}

// Every element in row-major order.
inline std::vector<double> Elements(const Matrix& m) {
  std::vector<double> out;
  for (int i = 0; i < m.NumRows(); ++i)
    for (int j = 0; j < m.NumCols(); ++j) out.push_back(m.GetElement(i, j));
  return out;
}
