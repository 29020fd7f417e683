// Storage, element access, arithmetic, console input and output of Matrix,
// and the fatal line and exit status of every misuse.
#include "matrix/matrix.h"
#include "matrix_build.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iostream>
#include <limits>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void ExpectMatrix(const Matrix& actual, int rows, int cols,
                  const std::vector<double>& elements) {
  ASSERT_EQ(actual.NumRows(), rows);
  ASSERT_EQ(actual.NumCols(), cols);
  EXPECT_EQ(Elements(actual), elements);
}

}  // namespace

// ---------------------------------------------------------------- storage

TEST(MatrixStorage, NewMatrixHoldsPositiveZerosAndPutElementChangesOnlyItsOwnPosition) {
  const std::vector<std::pair<int, int>> sizes = {{0, 0}, {1, 1}, {3, 2}, {2, 0}, {0, 3}, {4, 4}};
  for (auto [r, c] : sizes) {
    SCOPED_TRACE(std::to_string(r) + "x" + std::to_string(c));
    const Matrix m(r, c);
    EXPECT_EQ(m.NumRows(), r);
    EXPECT_EQ(m.NumCols(), c);
    for (double v : Elements(m)) {
      EXPECT_EQ(v, 0.0);
      EXPECT_FALSE(std::signbit(v));
    }
  }
  // One element written at each position of a 2 x 3, all six read back:
  // a swapped row and column or a wrong stride shows.
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 3; ++col) {
      Matrix m(2, 3);
      m.PutElement(5.0, row, col);
      for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j)
          EXPECT_EQ(m.GetElement(i, j), (i == row && j == col) ? 5.0 : 0.0)
              << "wrote (" << row << "," << col << ") read (" << i << "," << j << ")";
    }
  }
}

TEST(MatrixStorage, TablesAreCopiedRowByRowExactly) {
  const int r0[] = {1, 2, INT_MAX};
  const int r1[] = {3, 4, INT_MIN};
  const int* ints[] = {r0, r1};
  ExpectMatrix(Matrix(ints, 2, 3), 2, 3,
               {1, 2, static_cast<double>(INT_MAX), 3, 4, static_cast<double>(INT_MIN)});

  const double d0[] = {0.1, -0.0};
  const double d1[] = {1e300, -2.5};
  const double d2[] = {std::numeric_limits<double>::infinity(), 7};
  const double* doubles[] = {d0, d1, d2};
  const Matrix m(doubles, 3, 2);
  ExpectMatrix(m, 3, 2, {0.1, -0.0, 1e300, -2.5, std::numeric_limits<double>::infinity(), 7});
  EXPECT_TRUE(std::signbit(m.GetElement(0, 1)));

  ExpectMatrix(Matrix(static_cast<const int* const*>(nullptr), 0, 0), 0, 0, {});
}

// ---------------------------------------------------------------- misuse

struct Misuse {
  std::string name;
  std::function<void()> action;
  std::string line;  // the one line, as written
};

TEST(MatrixDeath, EveryMisuseWritesItsLineAndExitsWithStatusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string add = "AddMat: Incompatible matrix sizes", mult = "MultMat: Incompatible matrix sizes";
  const std::string get = "GetElement: index out of range ", put = "PutElement: index out of range ";
  const std::string cofactor = "CoFactor: index out of range ", invalid = "Matrix: invalid matrix size";
  std::vector<Misuse> cases;
  // Each bound of a 3 x 2 matrix broken on its own.
  const std::pair<int, int> outside[] = {{0, 2}, {-1, 0}, {3, 0}, {0, -1}};
  for (auto [r, c] : outside) {
    const std::string at = "(" + std::to_string(r) + "," + std::to_string(c) + ")";
    cases.push_back({"get " + at, [r = r, c = c] { Matrix(3, 2).GetElement(r, c); }, get + "[0..2, 0..1]"});
    cases.push_back({"put " + at, [r = r, c = c] { Matrix(3, 2).PutElement(1, r, c); }, put + "[0..2, 0..1]"});
  }
  cases.insert(cases.end(), {
      {"get on empty", [] { Matrix(0, 0).GetElement(0, 0); }, get + "[0..-1, 0..-1]"},
      {"put on empty", [] { Matrix(0, 0).PutElement(1, 0, 0); }, put + "[0..-1, 0..-1]"},
      {"get on no columns", [] { Matrix(2, 0).GetElement(1, 0); }, get + "[0..1, 0..-1]"},
      {"add transposed shapes", [] { Matrix(2, 3).AddMat(Matrix(3, 2)); }, add},
      {"add more rows", [] { Matrix(2, 3).AddMat(Matrix(3, 3)); }, add},
      {"multiply mismatched", [] { Matrix(2, 3).MultMat(Matrix(2, 3)); }, mult},
      {"power of non-square", [] { Matrix(2, 3).PowerMat(2); }, mult},
      {"row past end", [] { Matrix(2, 5).GetRow(2); }, "GetRow: index out of range [0..1]"},
      {"negative row", [] { Matrix(2, 5).GetRow(-1); }, "GetRow: index out of range [0..1]"},
      {"row of empty", [] { Matrix(0, 5).GetRow(0); }, "GetRow: index out of range [0..-1]"},
      {"negative column", [] { Matrix(2, 5).GetCol(-1); }, "GetCol: index out of range [0..4]"},
      {"column past end", [] { Matrix(2, 5).GetCol(5); }, "GetCol: index out of range [0..4]"},
      {"cofactor row past end", [] { Matrix(3, 3).CoFactor(3, 0); }, cofactor + "[0..2, 0..2]"},
      {"cofactor negative column", [] { Matrix(3, 4).CoFactor(0, -1); }, cofactor + "[0..2, 0..3]"},
      {"cofactor of empty", [] { Matrix(0, 0).CoFactor(0, 0); }, cofactor + "[0..-1, 0..-1]"},
      {"determinant of non-square", [] { Matrix(2, 3).DetMat(); }, "DetMat: invalid matrix size "},
      {"inverse of non-square", [] { Matrix(3, 2).Inverse(); }, "Inverse: invalid matrix size "},
      {"negative rows", [] { Matrix(-1, 2); }, invalid},
      {"negative columns", [] { Matrix(2, -3); }, invalid},
      {"negative table size", [] { Matrix(static_cast<const double* const*>(nullptr), -2, 0); }, invalid},
      {"storage beyond the address space", [] { Matrix(INT_MAX, INT_MAX); }, "Matrix: out of memory"},
  });
  for (const Misuse& m : cases) {
    SCOPED_TRACE(m.name);
    std::string pattern = "^";  // the line with its brackets and dots escaped
    for (char ch : m.line) pattern += std::string(ch == '[' || ch == ']' || ch == '.' ? "\\" : "") + ch;
    EXPECT_EXIT(m.action(), ::testing::ExitedWithCode(1), pattern + "\n$");
  }
}

TEST(MatrixDeath, FailureEndsThroughNormalExitSoBufferedOutputIsFlushed) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // In the child, standard output is pointed at the captured standard error,
  // made fully buffered and untied from std::cerr; text written before the
  // failure then only appears if the process ends through exit(), which
  // flushes it after the error line (abort or _exit would lose it).
  EXPECT_EXIT(
      {
        std::fflush(stdout);
        dup2(STDERR_FILENO, STDOUT_FILENO);
        static char buffer[4096];
        std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
        std::cerr.tie(nullptr);
        std::cout << "written before the failure";
        Matrix(3, 2).GetElement(0, 2);
      },
      ::testing::ExitedWithCode(1),
      "^GetElement: index out of range \\[0\\.\\.2, 0\\.\\.1\\]\nwritten before the failure$");
}

// ---------------------------------------------------------------- arithmetic

struct ElementWiseCase {
  const char* name;
  std::function<Matrix(const Matrix&)> op;
  std::vector<double> expected;
};

TEST(MatrixArithmetic, ElementWiseOperationsKeepShape) {
  const Matrix a = Make({{1, -2, 3}, {0.5, 0, -0.25}});
  const Matrix b = Make({{10, 20, 30}, {-1, -2, -3}});
  const std::vector<ElementWiseCase> cases = {
      {"AddMat", [&](const Matrix& m) { return m.AddMat(b); }, {11, 18, 33, -0.5, -2, -3.25}},
      {"AddScalar", [](const Matrix& m) { return m.AddScalar(1.5); }, {2.5, -0.5, 4.5, 2, 1.5, 1.25}},
      {"MultScalar", [](const Matrix& m) { return m.MultScalar(-2); }, {-2, 4, -6, -1, -0.0, 0.5}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectMatrix(c.op(a), 2, 3, c.expected);
  }
}

TEST(MatrixArithmetic, ProductsOfWorkedExamples) {
  struct Case {
    const char* name;
    Matrix left, right;
    int rows, cols;
    std::vector<double> expected;
  };
  const std::vector<Case> cases = {
      {"2x3 by 3x2", Make({{1, 2, 3}, {4, 5, 6}}), Make({{7, 8}, {9, 10}, {11, 12}}), 2, 2, {58, 64, 139, 154}},
      {"2x0 by 0x3", Matrix(2, 0), Matrix(0, 3), 2, 3, {0, 0, 0, 0, 0, 0}},
      // The sum starts at +0.0, so a lone -0.0 product gives +0.0.
      {"sum starts at positive zero", Make({{-0.0}}), Make({{1}}), 1, 1, {0}},
      // k ascending with each partial sum rounded: 1 + 1e16 rounds to 1e16,
      // so the 1 is lost; any other order keeps it.
      {"terms added in ascending order", Make({{1, 1e16, -1e16}}), Make({{1}, {1}, {1}}), 1, 1,
       {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Matrix product = c.left.MultMat(c.right);
    ExpectMatrix(product, c.rows, c.cols, c.expected);
    for (double v : Elements(product)) {
      if (v == 0.0) {
        EXPECT_FALSE(std::signbit(v));
      }
    }
  }
}

TEST(MatrixArithmetic, TransposeSwapsIndices) {
  ExpectMatrix(Make({{1, 2, 3, 4}}).Transpose(), 4, 1, {1, 2, 3, 4});
  ExpectMatrix(Make({{1, 2, 3}, {4, 5, 6}}).Transpose(), 3, 2, {1, 4, 2, 5, 3, 6});
  ExpectMatrix(Matrix(2, 0).Transpose(), 0, 2, {});
}

TEST(MatrixArithmetic, PowerMultipliesForTwoAndAboveAndCopiesOtherwise) {
  const Matrix shear = Make({{1, 1}, {0, 1}});
  const Matrix wide = Make({{1, 2, 3}, {4, 5, 6}});
  struct Case {
    const Matrix* base;
    int n;
    int rows, cols;
    std::vector<double> expected;
  };
  const std::vector<Case> cases = {
      {&shear, 3, 2, 2, {1, 3, 0, 1}},
      {&shear, 2, 2, 2, {1, 2, 0, 1}},
      {&shear, 1, 2, 2, {1, 1, 0, 1}},
      {&shear, 0, 2, 2, {1, 1, 0, 1}},
      {&shear, INT_MIN, 2, 2, {1, 1, 0, 1}},
      // No product is formed below 2, so a non-square matrix is fine there.
      {&wide, 0, 2, 3, {1, 2, 3, 4, 5, 6}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("n = " + std::to_string(c.n));
    ExpectMatrix(c.base->PowerMat(c.n), c.rows, c.cols, c.expected);
  }
  ExpectMatrix(Make({{2, 1}, {1, 1}}).PowerMat(4), 2, 2, {34, 21, 21, 13});
}

TEST(MatrixArithmetic, RowAndColumnExtraction) {
  const Matrix m = Make({{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}});
  ExpectMatrix(m.GetRow(0), 1, 5, {1, 2, 3, 4, 5});
  ExpectMatrix(m.GetRow(1), 1, 5, {6, 7, 8, 9, 10});
  ExpectMatrix(m.GetCol(0), 2, 1, {1, 6});
  ExpectMatrix(m.GetCol(4), 2, 1, {5, 10});
  ExpectMatrix(Matrix(3, 0).GetRow(2), 1, 0, {});
  ExpectMatrix(Matrix(0, 3).GetCol(2), 0, 1, {});
}

// ---------------------------------------------------------------- assignment

TEST(MatrixAssignment, TargetTakesSourceSizesAndElements) {
  struct Case {
    const char* name;
    Matrix target;
    Matrix source;
  };
  std::vector<Case> cases;
  cases.push_back({"same size", Make({{9, 9}, {9, 9}}), Make({{1, 2}, {3, 4}})});
  cases.push_back({"same count, other shape", Make({{9, 9, 9}, {9, 9, 9}}),
                   Make({{1, 2}, {3, 4}, {5, 6}})});
  cases.push_back({"larger source", Make({{9}}), Make({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}})});
  cases.push_back({"smaller source", Make({{9, 9, 9}, {9, 9, 9}}), Make({{1}})});
  cases.push_back({"into empty", Matrix(0, 0), Make({{1, 2}})});
  cases.push_back({"from empty", Make({{1, 2}}), Matrix(0, 0)});
  cases.push_back({"from no columns", Make({{1, 2}}), Matrix(3, 0)});
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<double> sourceElements = Elements(c.source);
    const int rows = c.source.NumRows(), cols = c.source.NumCols();
    const Matrix returned = (c.target = c.source);
    ExpectMatrix(c.target, rows, cols, sourceElements);
    ExpectMatrix(returned, rows, cols, sourceElements);
    ExpectMatrix(c.source, rows, cols, sourceElements);
    // The target is independent of the source and of the returned copy.
    if (rows > 0 && cols > 0) {
      c.target.PutElement(-7, rows - 1, cols - 1);
      EXPECT_EQ(c.source.GetElement(rows - 1, cols - 1), sourceElements.back());
      EXPECT_EQ(returned.GetElement(rows - 1, cols - 1), sourceElements.back());
    }
  }
}

TEST(MatrixAssignment, SelfAssignmentLeavesMatrixUnchanged) {
  Matrix m = Make({{1, 2, 3}, {4, 5, 6}});
  Matrix& alias = m;
  const Matrix returned = (m = alias);
  ExpectMatrix(m, 2, 3, {1, 2, 3, 4, 5, 6});
  ExpectMatrix(returned, 2, 3, {1, 2, 3, 4, 5, 6});
}

// ---------------------------------------------------------------- console

namespace {

// While it lives, std::cin reads `input` and std::cout writes into a string;
// both streams get their buffers, state and format back afterwards.
struct Console {
  explicit Console(const std::string& input = "") : in(input) { format.copyfmt(std::cout); std::cin.clear(); }
  ~Console() {
    std::cin.rdbuf(savedIn);
    std::cin.clear();
    std::cout.rdbuf(savedOut);
    std::cout.copyfmt(format);
  }
  std::string Text() const { return out.str(); }
  std::istringstream in;
  std::ostringstream out;
  std::streambuf* savedIn = std::cin.rdbuf(in.rdbuf());
  std::streambuf* savedOut = std::cout.rdbuf(out.rdbuf());
  std::ios format{nullptr};
};

std::string Field(const std::string& text) { return std::string(20 - text.size(), ' ') + text; }

}  // namespace

TEST(MatrixConsole, PrintWritesRightAlignedFixedPointTable) {
  struct Case {
    const char* name;
    Matrix m;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"identity", Make({{1, 0}, {0, 1}}),
       Field("1.000") + Field("0.000") + "\n" + Field("0.000") + Field("1.000") + "\n"},
      {"negative half", Make({{-0.5}}), Field("-0.500") + "\n"},
      {"four digits", Make({{1234.5}}), Field("1234.500") + "\n"},
      {"rounding to three places", Make({{2.0 / 3.0, 0.0005, -1e-9}}),
       Field("0.667") + Field("0.001") + Field("-0.000") + "\n"},
      {"one row", Make({{1, 2, 3}}), Field("1.000") + Field("2.000") + Field("3.000") + "\n"},
      {"too wide widens its field", Make({{1e20, 1}}),
       "100000000000000000000.000" + Field("1.000") + "\n"},
      {"two rows no columns", Matrix(2, 0), "\n\n"},
      {"no rows", Matrix(0, 3), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Console capture;
    c.m.PrintMat();
    // The notation stays in force after the table; the width does not.
    std::cout << 2.5;
    EXPECT_EQ(capture.Text(), c.expected + "2.500");
  }
}

TEST(MatrixConsole, ReadTakesNumbersInAnyLayoutAndRepeatsTheLastAfterAFailure) {
  struct Case {
    const char* input;
    std::vector<double> expected;
    bool streamFailed;
  };
  const std::vector<Case> cases = {
      {"1 2\n3 4", {1, 2, 3, 4}, false},
      {"1\n2\n3\n4\n", {1, 2, 3, 4}, false},
      {"\n\n  1\t2   3\n\n 4  ", {1, 2, 3, 4}, false},
      {"1e0 2.0 +3 4.", {1, 2, 3, 4}, false},
      {"1 2 3 4 5 6", {1, 2, 3, 4}, false},
      // A failed extraction repeats the last value read in the same call.
      {"", {0, 0, 0, 0}, true},
      {"abc 1 2 3", {0, 0, 0, 0}, true},
      {"1 2 x 4", {1, 2, 2, 2}, true},
      {"5", {5, 5, 5, 5}, true},
      {"-0.25 7 8", {-0.25, 7, 8, 8}, true},
      // An out-of-range number fails the extraction (which writes the largest
      // double into its target); the last good value is kept instead.
      {"7 1e999 3 4", {7, 7, 7, 7}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    Console feed(c.input);
    Matrix m = Make({{9, 9}, {9, 9}});
    m.ReadMat();
    ExpectMatrix(m, 2, 2, c.expected);
    EXPECT_EQ(std::cin.fail(), c.streamFailed);
  }
}
