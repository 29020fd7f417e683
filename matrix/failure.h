// The one way the matrix library reports a misuse: a single line on standard
// error, then the normal process exit with status 1. Private to the library.
#pragma once

#include <string>

namespace matrix_failure {

// Writes `line`, a newline and a flush to std::cerr, then calls std::exit(1)
// so that static destructors run and buffered standard output reaches its
// destination. Never returns.
[[noreturn]] void Fail(const std::string& line);

// Fails with "<operation>: index out of range [0..<rows - 1>, 0..<cols - 1>]".
// The line names the valid ranges, never the offending index; for an empty
// dimension the upper bound is -1.
[[noreturn]] void FailRange(const char* operation, int rows, int cols);

}  // namespace matrix_failure
