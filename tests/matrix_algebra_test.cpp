// Minors, determinants and inverses, checked on worked examples and against an
// independent linear-algebra library on seeded random matrices.
#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <algorithm>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "matrix/matrix.h"
#include "matrix_build.h"

namespace {

Eigen::MatrixXd ToEigen(const Matrix& m) {
  Eigen::MatrixXd e(m.NumRows(), m.NumCols());
  for (int i = 0; i < m.NumRows(); ++i)
    for (int j = 0; j < m.NumCols(); ++j) e(i, j) = m.GetElement(i, j);
  return e;
}

// Elements drawn from `value`: a real or an integer distribution.
template <class Distribution>
Matrix Random(std::mt19937& rng, int rows, int cols, Distribution value) {
  Matrix m(rows, cols);
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) m.PutElement(value(rng), i, j);
  return m;
}

constexpr double kInf = std::numeric_limits<double>::infinity();

}  // namespace

TEST(MatrixCoFactor, RemovesOneRowAndOneColumn) {
  struct Case {
    const char* name;
    Matrix source;
    int row, col;
    int rows, cols;
    std::vector<double> expected;
  };
  const Matrix nine = Make({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
  const std::vector<Case> cases = {
      {"middle row, last column", nine, 1, 2, 2, 2, {1, 2, 7, 8}},
      {"first row and column", nine, 0, 0, 2, 2, {5, 6, 8, 9}},
      {"last row, first column", nine, 2, 0, 2, 2, {2, 3, 5, 6}},
      {"tall matrix", Make({{1, 2}, {3, 4}, {5, 6}}), 0, 0, 2, 1, {4, 6}},
      {"wide matrix", Make({{1, 2, 3, 4}, {5, 6, 7, 8}}), 1, 3, 1, 3, {1, 2, 3}},
      {"1x1 leaves nothing", Make({{5}}), 0, 0, 0, 0, {}},
      {"single row", Make({{1, 2, 3}}), 0, 1, 0, 2, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Matrix minor = c.source.CoFactor(c.row, c.col);
    ASSERT_EQ(minor.NumRows(), c.rows);
    ASSERT_EQ(minor.NumCols(), c.cols);
    EXPECT_EQ(Elements(minor), c.expected);
  }
}

TEST(MatrixDeterminant, WorkedExamples) {
  struct Case {
    const char* name;
    Matrix m;
    double expected;
  };
  const std::vector<Case> cases = {
      {"empty is the empty product", Matrix(0, 0), 1},
      {"1x1", Make({{-7.5}}), -7.5},
      {"2x2", Make({{1, 2}, {3, 4}}), -2},
      {"3x3 singular", Make({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}), 0},
      {"3x3 permutation is odd", Make({{0, 1, 0}, {1, 0, 0}, {0, 0, 1}}), -1},
      // Only the last term of the expansion along row 0 is nonzero, and it is
      // subtracted: 0 - 1 x det(3x3 reversal) = 0 - 1 x -1.
      {"4x4 reversal", Make({{0, 0, 0, 1}, {0, 0, 1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}}), 1},
      {"4x4 with zero first row entry", Make({{0, 2, 0, 0}, {3, 0, 0, 0}, {0, 0, 0, 5}, {0, 0, 7, 0}}), 210},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.m.DetMat(), c.expected);
  }
}

TEST(MatrixInverse, WorkedExamples) {
  struct Case {
    const char* name;
    Matrix m;
    std::vector<double> expected;
  };
  const std::vector<Case> cases = {
      // Each element is a correctly rounded division of small integers by 10.
      {"2x2", Make({{4, 7}, {2, 6}}), {0.6, -0.7, -0.2, 0.4}},
      {"1x1", Make({{4}}), {0.25}},
      {"1x1 zero", Make({{0}}), {kInf}},
      {"singular 2x2", Make({{1, 2}, {2, 4}}), {kInf, -kInf, -kInf, kInf}},
      {"4x4 permutation", Make({{0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}, {1, 0, 0, 0}}),
       {0, 0, 0, 1, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0}},
      {"empty", Matrix(0, 0), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Matrix inverse = c.m.Inverse();
    ASSERT_EQ(inverse.NumRows(), c.m.NumRows());
    ASSERT_EQ(inverse.NumCols(), c.m.NumCols());
    EXPECT_EQ(Elements(inverse), c.expected);
  }
}

TEST(MatrixProperties, AgreeWithEigenOnRandomMatrices) {
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<int> size(0, 6), digit(-9, 9);
  for (int trial = 0; trial < 150; ++trial) {
    const int n = 1 + trial % 6;
    SCOPED_TRACE("trial " + std::to_string(trial) + ", n = " + std::to_string(n));
    // Sums of products of one-digit integers are exact: equal bit for bit.
    const int r = size(rng), k = size(rng), c = size(rng);
    const Matrix a = Random(rng, r, k, digit), b = Random(rng, k, c, digit);
    const Matrix product = a.MultMat(b);
    ASSERT_EQ(product.NumRows(), r);
    ASSERT_EQ(product.NumCols(), c);
    EXPECT_TRUE(ToEigen(product) == ToEigen(a) * ToEigen(b));

    const Matrix m = Random(rng, n, n, std::uniform_real_distribution<double>(-10, 10));
    const Eigen::MatrixXd e = ToEigen(m);
    // Hadamard's bound scales the tolerance to the size the products reach.
    double scale = 1;
    for (int i = 0; i < n; ++i) scale *= std::max(1.0, e.row(i).norm());
    EXPECT_NEAR(m.DetMat(), e.determinant(), 1e-12 * scale);

    // Made diagonally dominant, hence well conditioned, it has an inverse
    // that is accurate on both sides.
    Matrix d = Random(rng, n, n, std::uniform_real_distribution<double>(-1, 1));
    for (int i = 0; i < n; ++i) d.PutElement(d.GetElement(i, i) + (d.GetElement(i, i) < 0 ? -n : n), i, i);
    const Matrix inverse = d.Inverse();
    const Eigen::MatrixXd identity = Eigen::MatrixXd::Identity(n, n);
    EXPECT_LT((ToEigen(d.MultMat(inverse)) - identity).cwiseAbs().maxCoeff(), 1e-12);
    EXPECT_LT((ToEigen(inverse.MultMat(d)) - identity).cwiseAbs().maxCoeff(), 1e-12);
    EXPECT_LT((ToEigen(inverse) - ToEigen(d).inverse()).cwiseAbs().maxCoeff(), 1e-12);
  }
}
