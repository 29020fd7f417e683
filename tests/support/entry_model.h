// An independent model of how the console dialogue reads one entry, used by
// the randomized soak and by the dialogue fuzzer to predict, from the raw
// input bytes alone, which outcome each read must have and where in the input
// the next read must start. It is deliberately written without looking at
// the reader it checks: it follows the rules of a "%d" conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace entrymodel {

enum class Kind { Accepted, OutOfRange, Invalid };

struct Prediction {
  Kind kind;
  std::int32_t value;  // meaningful only for Accepted
  std::size_t next;    // input offset where the following read starts
};

// The white space that "%d" skips: the C locale's isspace set.
inline bool IsSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Predicts one read starting at `pos` of `in`: white space (line ends
// included) is skipped, an optional sign is taken, then decimal digits. With
// at least one digit the number ends at the first non-digit, which stays
// unread; 1..499 is accepted and everything else (0, negatives, numbers
// beyond 32 bits) is out of range. Without a digit the read is invalid and
// the rest of that line, its line end included, is discarded; at end of input
// the read is invalid too.
inline Prediction Predict(std::string_view in, std::size_t pos) {
  const std::size_t n = in.size();
  while (pos < n && IsSpace(static_cast<unsigned char>(in[pos]))) ++pos;
  std::size_t p = pos;
  bool negative = false;
  if (p < n && (in[p] == '+' || in[p] == '-')) {
    negative = in[p] == '-';
    ++p;
  }
  const std::size_t digitsStart = p;
  // Only the magnitude's order matters beyond 499, so it saturates early.
  std::int64_t magnitude = 0;
  while (p < n && IsDigit(static_cast<unsigned char>(in[p]))) {
    if (magnitude < 1000000) magnitude = magnitude * 10 + (in[p] - '0');
    ++p;
  }
  if (p == digitsStart) {
    // No number: the rest of the line goes, from where the read stopped.
    while (p < n && in[p] != '\n') ++p;
    if (p < n) ++p;
    return {Kind::Invalid, 0, p};
  }
  if (!negative && magnitude >= 1 && magnitude <= 499) {
    return {Kind::Accepted, static_cast<std::int32_t>(magnitude), p};
  }
  return {Kind::OutOfRange, 0, p};
}

}  // namespace entrymodel
