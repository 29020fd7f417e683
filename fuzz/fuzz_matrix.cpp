// Fuzz target for the matrix library: a program of operations decoded from
// the input runs on four matrix slots of sizes 0 to 6, beside a plain model of
// every slot's size and elements. Each result is compared element for element
// with the model (computed in the same order, so bit for bit, NaNs matching
// NaNs), and every operand must be unchanged afterwards.
//
// Misuse is fatal by design (a line on standard error, then exit status 1),
// which libFuzzer would report as a crash. So the target decides beforehand,
// from the model's sizes, whether an operation is a misuse. A misuse is never
// run in this process: for one input in eight (chosen by a hash of the input,
// so a reproduced input behaves the same) the first misuse is run in a forked
// child whose standard error goes to a pipe, and the parent checks the
// child's exit status and its one error line; every other misuse is skipped.
// A fork costs far more than a whole program of operations, hence the share.
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
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
  const auto size = [](int r, int c) { return std::to_string(r) + "x" + std::to_string(c); };
  if (m.NumRows() != want.rows || m.NumCols() != want.cols) {
    Fail(std::string(what) + ": size " + size(m.NumRows(), m.NumCols()) + ", expected " + size(want.rows, want.cols));
  }
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

// ---- Running a misuse where it cannot end this process ----

// In the forked child the library's normal exit would reach the fuzzing
// engine's own exit hook, which reports the exit as a crash. This hook is
// registered last, so it runs first and ends the child with the status the
// library chose, before any other hook.
void EndChildWithStatus(int status, void*) { _exit(status); }

// Runs `misuse` in a child and checks that it wrote exactly `line` plus a
// newline to standard error and ended with status 1 instead of returning.
void VerifyFatal(const std::function<void()>& misuse, const std::string& line) {
  std::fflush(nullptr);
  int fds[2];
  if (pipe(fds) != 0) Fail("pipe failed");
  const pid_t pid = fork();
  if (pid < 0) Fail("fork failed");
  if (pid == 0) {
    close(fds[0]);
    dup2(fds[1], STDERR_FILENO);
    close(fds[1]);
    on_exit(EndChildWithStatus, nullptr);
    misuse();
    _exit(97);  // the misuse returned
  }
  close(fds[1]);
  std::string err;
  char buf[512];
  for (ssize_t got; (got = read(fds[0], buf, sizeof buf)) > 0;) err.append(buf, std::size_t(got));
  close(fds[0]);
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) Fail("waitpid failed");
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 1) {
    std::fprintf(stderr, "child said: %s\n", err.c_str());
    Fail("misuse (" + line + ") did not end with exit status 1 (status " + std::to_string(status) + ")");
  }
  if (err != line + "\n") {
    Fail("misuse wrote \"" + err + "\", expected \"" + line + "\\n\"");
  }
}

bool Outside(const Model& m, int r, int c) { return r < 0 || r >= m.rows || c < 0 || c >= m.cols; }
std::string Range(const char* op, const Model& m) {
  return std::string(op) + ": index out of range [0.." + std::to_string(m.rows - 1) + ", 0.." +
         std::to_string(m.cols - 1) + "]";
}

// ---- Decoding ----

struct Input {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at = 0;
  bool Empty() const { return at >= size; }
  std::uint8_t Byte() { return at < size ? data[at++] : 0; }
  // Mostly 0..6, now and then just outside (negative or one past).
  int Size() {
    const std::uint8_t b = Byte();
    return b < 240 ? b % (kMaxSize + 1) : -1 - (b % 3);
  }
  // An index around the valid range of a dimension of up to 6.
  int Index() { return int(Byte() % 10) - 2; }
  double Value() {
    const std::uint8_t b = Byte();
    switch (b % 16) {
      case 0: return std::nan("");
      case 1: return INFINITY;
      case 2: return -INFINITY;
      case 3: return -0.0;
      case 4: return 1e308;
      case 5: return 0.1;
      case 6: {
        double d;
        std::uint8_t raw[sizeof d];
        for (auto& r : raw) r = Byte();
        std::memcpy(&d, raw, sizeof d);
        return d;
      }
      default: return double(int(b >> 4) - 8);
    }
  }
};

struct Program {
  std::optional<Matrix> slot[kSlots];
  Model model[kSlots];
  bool forked = false;  // a misuse was already verified (or may not be)

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

  // Returns true when the operation is a misuse: verified in a child the
  // first time, skipped afterwards.
  bool Misuse(bool misuse, const std::function<void()>& op, const std::string& line) {
    if (!misuse) return false;
    if (!forked) {
      forked = true;
      VerifyFatal(op, line);
    }
    return true;
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
        if (Misuse(r < 0 || c < 0, [&] { Matrix m(r, c); }, "Matrix: invalid matrix size")) return;
        Set(d, Matrix(r, c), Zeros(r, c), "construct by size");
        return;
      }
      case 1: {  // construct from an integer or a double table
        const int r = in.Size() % (kMaxSize + 1), c = in.Size() % (kMaxSize + 1);
        if (r < 0 || c < 0) return;
        std::vector<std::vector<int>> ints(std::size_t(r), std::vector<int>(std::size_t(c), 0));
        std::vector<std::vector<double>> dbls(std::size_t(r), std::vector<double>(std::size_t(c), 0.0));
        std::vector<const int*> irows;
        std::vector<const double*> drows;
        Model want = Zeros(r, c), wantD = Zeros(r, c);
        for (int i = 0; i < r; ++i) {
          for (int j = 0; j < c; ++j) {
            ints[std::size_t(i)][std::size_t(j)] = int(std::int8_t(in.Byte())) * 1000003;
            want.At(i, j) = ints[std::size_t(i)][std::size_t(j)];
            dbls[std::size_t(i)][std::size_t(j)] = wantD.At(i, j) = in.Value();
          }
          irows.push_back(ints[std::size_t(i)].data());
          drows.push_back(dbls[std::size_t(i)].data());
        }
        if (in.Byte() & 1) {
          Set(d, Matrix(irows.data(), r, c), want, "construct from integers");
        } else {
          Set(d, Matrix(drows.data(), r, c), wantD, "construct from doubles");
        }
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
        if (Misuse(Outside(MA, r, c), [&] { A.PutElement(v, r, c); }, Range("PutElement", MA))) return;
        A.PutElement(v, r, c);
        model[a].At(r, c) = v;
        CheckUnchanged("after PutElement");
        return;
      }
      case 5: {  // GetElement
        const int r = in.Index(), c = in.Index();
        if (Misuse(Outside(MA, r, c), [&] { (void)A.GetElement(r, c); }, Range("GetElement", MA))) return;
        if (!Same(A.GetElement(r, c), MA.At(r, c))) Fail("GetElement differs from the stored value");
        return;
      }
      case 6: {  // AddMat
        const int b = in.Byte() % kSlots;
        const Model& MB = model[b];
        const bool mismatch = MA.rows != MB.rows || MA.cols != MB.cols;
        if (Misuse(mismatch, [&] { (void)A.AddMat(*slot[b]); }, "AddMat: Incompatible matrix sizes")) return;
        Model want = MA;
        for (std::size_t i = 0; i < want.v.size(); ++i) want.v[i] = MA.v[i] + MB.v[i];
        Matrix m = A.AddMat(*slot[b]);
        Result(d, std::move(m), want, "AddMat");
        return;
      }
      case 7:
      case 8: {  // AddScalar, MultScalar
        const double s = in.Value();
        Model want = MA;
        for (double& e : want.v) e = op == 7 ? e + s : e * s;
        Matrix m = op == 7 ? A.AddScalar(s) : A.MultScalar(s);
        Result(d, std::move(m), want, op == 7 ? "AddScalar" : "MultScalar");
        return;
      }
      case 9: {  // MultMat
        const int b = in.Byte() % kSlots;
        const bool mismatch = model[b].rows != MA.cols;
        if (Misuse(mismatch, [&] { (void)A.MultMat(*slot[b]); }, "MultMat: Incompatible matrix sizes")) return;
        const Model want = Product(MA, model[b]);
        Matrix m = A.MultMat(*slot[b]);
        Result(d, std::move(m), want, "MultMat");
        return;
      }
      case 10: {  // Transpose
        Model want = Zeros(MA.cols, MA.rows);
        for (int i = 0; i < MA.rows; ++i)
          for (int j = 0; j < MA.cols; ++j) want.At(j, i) = MA.At(i, j);
        Matrix m = A.Transpose();
        Result(d, std::move(m), want, "Transpose");
        return;
      }
      case 11: {  // PowerMat
        const int n = int(in.Byte() % 9) - 3;
        const bool mismatch = n >= 2 && MA.rows != MA.cols;
        if (Misuse(mismatch, [&] { (void)A.PowerMat(n); }, "MultMat: Incompatible matrix sizes")) return;
        Model want = MA;
        for (int i = 1; i < n; ++i) want = Product(want, MA);
        Matrix m = A.PowerMat(n);
        Result(d, std::move(m), want, "PowerMat");
        return;
      }
      case 12:
      case 13: {  // GetRow, GetCol
        const bool row = op == 12;
        const int i = in.Index(), n = row ? MA.rows : MA.cols, length = row ? MA.cols : MA.rows;
        const char* name = row ? "GetRow" : "GetCol";
        const auto get = [&] { return row ? A.GetRow(i) : A.GetCol(i); };
        const std::string line = std::string(name) + ": index out of range [0.." + std::to_string(n - 1) + "]";
        if (Misuse(i < 0 || i >= n, [&] { (void)get(); }, line)) return;
        Model want = row ? Zeros(1, length) : Zeros(length, 1);
        for (int k = 0; k < length; ++k) want.v[std::size_t(k)] = row ? MA.At(i, k) : MA.At(k, i);
        Result(d, get(), want, name);
        return;
      }
      case 14: {  // CoFactor
        const int r = in.Index(), c = in.Index();
        if (Misuse(Outside(MA, r, c), [&] { (void)A.CoFactor(r, c); }, Range("CoFactor", MA))) return;
        const Model want = Minor(MA, r, c);
        Matrix m = A.CoFactor(r, c);
        Result(d, std::move(m), want, "CoFactor");
        return;
      }
      case 15: {  // DetMat
        if (Misuse(MA.rows != MA.cols, [&] { (void)A.DetMat(); }, "DetMat: invalid matrix size ")) return;
        const double det = A.DetMat();
        CheckUnchanged("DetMat operand");
        // The determinant of an empty matrix is the library's own choice.
        if (MA.rows > 0 && !Same(det, Det(MA))) {
          Fail("DetMat is " + std::to_string(det) + ", expected " + std::to_string(Det(MA)));
        }
        return;
      }
      case 16: {  // Inverse
        if (Misuse(MA.rows != MA.cols, [&] { (void)A.Inverse(); }, "Inverse: invalid matrix size ")) return;
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
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  p.forked = (hash & 7u) != 0;  // only one input in eight may fork
  for (int s = 0; s < kSlots; ++s) {
    const int r = in.Byte() % (kMaxSize + 1), c = in.Byte() % (kMaxSize + 1);
    p.slot[s].emplace(r, c);
    p.model[s] = Zeros(r, c);
  }
  for (int n = 0; n < kMaxOps && !in.Empty(); ++n) p.Step(in);
  p.CheckUnchanged("at the end");
  return 0;
}
