// Fuzz target for the console dialogue's reader: arbitrary bytes as standard
// input, read entry after entry until the input is used up. Every read must
// end in the outcome an independent model of a "%d" conversion predicts,
// carry the number entered when accepted, leave the input exactly where the
// model says the next read starts, and never stall.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/dialogue.h"

namespace {

// An independent model of how the dialogue reads one entry, predicting from
// the raw input bytes alone which outcome each read must have and where the
// next read must start. It follows the rules of a "%d" conversion, written
// without looking at the reader it checks.
enum class Kind { Accepted, OutOfRange, Invalid };

struct Prediction {
  Kind kind;
  std::int32_t value;  // meaningful only for Accepted
  std::size_t next;    // input offset where the following read starts
};

// The white space that "%d" skips: the C locale's isspace set, tab to
// carriage return and the blank.
bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Predicts one read starting at `pos` of `in`: white space (line ends
// included) is skipped, an optional sign is taken, then decimal digits. With
// at least one digit the number ends at the first non-digit, which stays
// unread; 1..499 is accepted and everything else (0, negatives, numbers
// beyond 32 bits) is out of range. Without a digit the read is invalid and
// the rest of that line, its line end included, is discarded; at end of input
// the read is invalid too.
Prediction Predict(std::string_view in, std::size_t pos) {
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

// The reader's outcome for each of the model's kinds, in the model's order.
constexpr EntryOutcome kOutcome[] = {EntryOutcome::Accepted, EntryOutcome::OutOfRange, EntryOutcome::Invalid};

[[noreturn]] void Fail(const char* what, std::size_t read, std::size_t at) {
  std::fprintf(stderr, "read %zu at offset %zu: %s\n", read, at, what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // fmemopen refuses an empty buffer; an empty file is the same input.
  std::FILE* in = size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "r") : std::fopen("/dev/null", "r");
  if (in == nullptr) Fail("the input cannot be opened", 0, 0);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::size_t pos = 0;
  // Every read but one at end of input consumes at least one byte, so this
  // bound is only reached by a reader that stalls.
  for (std::size_t read = 0;; ++read) {
    if (read > size + 1) Fail("the reader stopped making progress", read, pos);
    const Prediction want = Predict(bytes, pos);
    const Entry got = ReadEntry(in);
    if (got.outcome != kOutcome[int(want.kind)]) Fail("outcome differs from a %d conversion", read, pos);
    if (want.kind == Kind::Accepted && got.value != want.value) Fail("accepted another value", read, pos);
    if (std::ftell(in) != long(want.next)) Fail("the next read would not start where it should", read, pos);
    if (pos == size) break;  // the read at end of input was Invalid above
    pos = want.next;
  }
  // End of input never blocks and stays invalid.
  for (int again = 0; again < 2; ++again) {
    if (ReadEntry(in).outcome != EntryOutcome::Invalid) Fail("a read after end of input was not invalid", 0, pos);
  }
  std::fclose(in);
  return 0;
}
