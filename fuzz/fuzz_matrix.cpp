// Fuzz target for the matrix library: a program of operations decoded from
// the input runs on four matrix slots of sizes 0 to 6, beside a plain model of
// every slot's size and elements. Each result is compared element for element
// with the model (computed in the same order, so bit for bit, NaNs matching
// NaNs), and every operand must be unchanged afterwards.
//
// Misuse is fatal by design (a line on standard error, then exit status 1),
// which libFuzzer would report as a crash, so an operation the model's sizes
// make a misuse is skipped; the matrix tests check every misuse's line and
// exit status.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "matrix/matrix.h"

namespace {

constexpr int kSlots = 4;
constexpr int kMaxSize = 6;
constexpr int kMaxOps = 96;

// A slot's expected contents.
struct Model {
  int rows = 0;
  int cols = 0;
  std::vector<double> v;  // row-major
  double At(int r, int c) const { return v[std::size_t(c + r * cols)]; }
  double& At(int r, int c) { return v[std::size_t(c + r * cols)]; }
};

Model Zeros(int rows, int cols) { return Model{rows, cols, std::vector<double>(std::size_t(rows * cols), 0.0)}; }

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "matrix: %s\n", what.c_str());
  std::abort();
}

bool Same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

void Expect(const Matrix& m, const Model& want, const char* what) {
  if (m.NumRows() != want.rows || m.NumCols() != want.cols) Fail(std::string(what) + ": wrong size");
  for (int r = 0; r < want.rows; ++r) {
    for (int c = 0; c < want.cols; ++c) {
      if (!Same(m.GetElement(r, c), want.At(r, c))) {
        Fail(std::string(what) + ": element (" + std::to_string(r) + "," + std::to_string(c) + ") is " +
             std::to_string(m.GetElement(r, c)) + ", expected " + std::to_string(want.At(r, c)));
      }
    }
  }
}

// ---- The model's operations, in the order the library's contract states ----

Model Product(const Model& a, const Model& b) {
  Model out = Zeros(a.rows, b.cols);
  for (int i = 0; i < a.rows; ++i) {
    for (int j = 0; j < b.cols; ++j) {
      double sum = 0.0;
      for (int k = 0; k < a.cols; ++k) sum = sum + a.At(i, k) * b.At(k, j);
      out.At(i, j) = sum;
    }
  }
  return out;
}

Model Minor(const Model& a, int row, int col) {
  Model out = Zeros(a.rows - 1, a.cols - 1);
  for (int i = 0; i < a.rows; ++i) {
    if (i == row) continue;
    for (int j = 0; j < a.cols; ++j) {
      if (j == col) continue;
      out.At(i < row ? i : i - 1, j < col ? j : j - 1) = a.At(i, j);
    }
  }
  return out;
}

// Size 0 is left to the library; callers never ask the model for it.
double Det(const Model& a) {
  const int n = a.rows;
  if (n == 1) return a.At(0, 0);
  if (n == 2) return a.At(0, 0) * a.At(1, 1) - a.At(0, 1) * a.At(1, 0);
  if (n == 3) {
    const double t1 = (a.At(1, 1) * a.At(2, 2) - a.At(1, 2) * a.At(2, 1)) * a.At(0, 0);
    const double t2 = (a.At(1, 0) * a.At(2, 2) - a.At(1, 2) * a.At(2, 0)) * a.At(0, 1);
    const double t3 = (a.At(1, 0) * a.At(2, 1) - a.At(1, 1) * a.At(2, 0)) * a.At(0, 2);
    return (t1 - t2) + t3;
  }
  double det = 0.0;
  for (int j = 0; j < n; ++j) {
    const double term = Det(Minor(a, 0, j)) * a.At(0, j);
    det = (j % 2 == 0) ? det + term : det - term;
  }
  return det;
}

bool Outside(const Model& m, int r, int c) { return r < 0 || r >= m.rows || c < 0 || c >= m.cols; }

// ---- Decoding ----

struct Input {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at = 0;
  bool Empty() const { return at >= size; }
  std::uint8_t Byte() { return at < size ? data[at++] : 0; }
  int Size() { return Byte() % (kMaxSize + 1); }
  // Any index a matrix of up to 6 x 6 can hold, so also past a smaller one.
  int Index() { return Byte() % kMaxSize; }
  // Specials, small integers, and now and then any 64 bits.
  double Value() {
    static const double special[] = {std::nan(""), INFINITY, -INFINITY, -0.0, 1e308, 0.1};
    const std::uint8_t b = Byte();
    if (b % 16 < 6) return special[b % 16];
    if (b % 16 > 6) return double(int(b >> 4) - 8);
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = bits << 8 | Byte();
    return std::bit_cast<double>(bits);
  }
};

struct Program {
  std::optional<Matrix> slot[kSlots];
  Model model[kSlots];

  void Set(int s, Matrix&& m, const Model& want, const char* what) {
    Expect(m, want, what);
    slot[s].reset();
    slot[s].emplace(m);
    model[s] = want;
    Expect(*slot[s], want, "copy of a result");
  }

  void CheckUnchanged(const char* what) {
    for (int s = 0; s < kSlots; ++s) Expect(*slot[s], model[s], what);
  }

  // The operands must have come through the operation unchanged.
  void Result(int s, Matrix&& m, const Model& want, const char* what) {
    CheckUnchanged((std::string("operand of ") + what).c_str());
    Set(s, std::move(m), want, what);
  }

  void Step(Input& in) {
    const int op = in.Byte() % 17;
    const int d = in.Byte() % kSlots;
    const int a = in.Byte() % kSlots;
    Matrix& A = *slot[a];
    const Model& MA = model[a];
    switch (op) {
      case 0: {  // construct by size
        const int r = in.Size(), c = in.Size();
        Set(d, Matrix(r, c), Zeros(r, c), "construct by size");
        return;
      }
      case 1: {  // construct from an integer or a double table
        const int r = in.Size(), c = in.Size();
        const bool integers = in.Byte() & 1;
        Model want = Zeros(r, c);
        for (double& e : want.v) e = integers ? int(std::int8_t(in.Byte())) * 1000003 : in.Value();
        const auto build = [&](auto zero) {
          using T = decltype(zero);
          std::vector<std::vector<T>> table(std::size_t(r), std::vector<T>(std::size_t(c), zero));
          std::vector<const T*> rows;
          for (int i = 0; i < r; ++i) {
            for (int j = 0; j < c; ++j) table[std::size_t(i)][std::size_t(j)] = T(want.At(i, j));
            rows.push_back(table[std::size_t(i)].data());
          }
          return Matrix(rows.data(), r, c);
        };
        Set(d, integers ? build(0) : build(0.0), want, integers ? "construct from integers" : "construct from doubles");
        return;
      }
      case 2:  // copy
        Set(d, Matrix(A), MA, "copy");
        CheckUnchanged("copy source");
        return;
      case 3: {  // assignment, self-assignment and different sizes included
        const Model want = MA;
        Matrix returned = (*slot[d] = A);
        model[d] = want;
        Expect(returned, want, "value returned by assignment");
        CheckUnchanged("after assignment");
        return;
      }
      case 4: {  // PutElement
        const double v = in.Value();
        const int r = in.Index(), c = in.Index();
        if (Outside(MA, r, c)) return;
        A.PutElement(v, r, c);
        model[a].At(r, c) = v;
        CheckUnchanged("after PutElement");
        return;
      }
      case 5: {  // GetElement
        const int r = in.Index(), c = in.Index();
        if (Outside(MA, r, c)) return;
        if (!Same(A.GetElement(r, c), MA.At(r, c))) Fail("GetElement differs from the stored value");
        return;
      }
      case 6: {  // AddMat
        const int b = in.Byte() % kSlots;
        const Model& MB = model[b];
        if (MA.rows != MB.rows || MA.cols != MB.cols) return;
        Model want = MA;
        for (std::size_t i = 0; i < want.v.size(); ++i) want.v[i] = MA.v[i] + MB.v[i];
        Result(d, A.AddMat(*slot[b]), want, "AddMat");
        return;
      }
      case 7:
      case 8: {  // AddScalar, MultScalar
        const double s = in.Value();
        Model want = MA;
        for (double& e : want.v) e = op == 7 ? e + s : e * s;
        Result(d, op == 7 ? A.AddScalar(s) : A.MultScalar(s), want, op == 7 ? "AddScalar" : "MultScalar");
        return;
      }
      case 9: {  // MultMat
        const int b = in.Byte() % kSlots;
        if (model[b].rows != MA.cols) return;
        const Model want = Product(MA, model[b]);
        Result(d, A.MultMat(*slot[b]), want, "MultMat");
        return;
      }
      case 10: {  // Transpose
        Model want = Zeros(MA.cols, MA.rows);
        for (int i = 0; i < MA.rows; ++i)
          for (int j = 0; j < MA.cols; ++j) want.At(j, i) = MA.At(i, j);
        Result(d, A.Transpose(), want, "Transpose");
        return;
      }
      case 11: {  // PowerMat
        const int n = int(in.Byte() % 9) - 3;
        if (n >= 2 && MA.rows != MA.cols) return;
        Model want = MA;
        for (int i = 1; i < n; ++i) want = Product(want, MA);
        Result(d, A.PowerMat(n), want, "PowerMat");
        return;
      }
      case 12:
      case 13: {  // GetRow, GetCol
        const bool row = op == 12;
        const int i = in.Index(), n = row ? MA.rows : MA.cols, length = row ? MA.cols : MA.rows;
        const char* name = row ? "GetRow" : "GetCol";
        if (i < 0 || i >= n) return;
        Model want = row ? Zeros(1, length) : Zeros(length, 1);
        for (int k = 0; k < length; ++k) want.v[std::size_t(k)] = row ? MA.At(i, k) : MA.At(k, i);
        Result(d, row ? A.GetRow(i) : A.GetCol(i), want, name);
        return;
      }
      case 14: {  // CoFactor
        const int r = in.Index(), c = in.Index();
        if (Outside(MA, r, c)) return;
        const Model want = Minor(MA, r, c);
        Result(d, A.CoFactor(r, c), want, "CoFactor");
        return;
      }
      case 15: {  // DetMat
        if (MA.rows != MA.cols) return;
        const double det = A.DetMat();
        CheckUnchanged("DetMat operand");
        // The determinant of an empty matrix is the library's own choice.
        if (MA.rows > 0 && !Same(det, Det(MA))) {
          Fail("DetMat is " + std::to_string(det) + ", expected " + std::to_string(Det(MA)));
        }
        return;
      }
      case 16: {  // Inverse
        if (MA.rows != MA.cols) return;
        Matrix m = A.Inverse();
        CheckUnchanged("Inverse operand");
        const int n = MA.rows;
        if (m.NumRows() != n || m.NumCols() != n) Fail("Inverse has the wrong size");
        if (n >= 2) {  // a 1 x 1 inverse rests on the empty determinant
          const double det = Det(MA);
          Model want = Zeros(n, n);
          for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) want.At(i, j) = (Det(Minor(MA, j, i)) * ((i + j) % 2 == 0 ? 1.0 : -1.0)) / det;
          Set(d, std::move(m), want, "Inverse");
        }
        return;
      }
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in{data, size};
  Program p;
  for (int s = 0; s < kSlots; ++s) {
    const int r = in.Size(), c = in.Size();
    p.slot[s].emplace(r, c);
    p.model[s] = Zeros(r, c);
  }
  for (int n = 0; n < kMaxOps && !in.Empty(); ++n) p.Step(in);
  p.CheckUnchanged("at the end");
  return 0;
}
