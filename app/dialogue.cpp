#include "app/dialogue.h"

#include <cctype>
#include <cstdint>
#include <limits>

namespace {

bool IsSpace(int c) { return c != EOF && std::isspace(static_cast<unsigned char>(c)); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// Drops everything up to and including the end of the current line, starting
// with `c`, the character that could not be read as part of a number. Without
// this the same bad text would answer every later dialogue too.
void DiscardLine(std::FILE* in, int c) {
  while (c != EOF && c != '\n') c = std::getc(in);
}

std::FILE* dialogueInput = nullptr;  // null: standard input

}  // namespace

Entry ReadEntry(std::FILE* in) {
  // Once input has ended, every later read fails at once instead of waiting
  // (a terminal would otherwise block again after Ctrl-D).
  if (std::feof(in)) return {EntryOutcome::Invalid, 0};

  int c = std::getc(in);
  while (IsSpace(c)) c = std::getc(in);
  if (c == EOF) return {EntryOutcome::Invalid, 0};

  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    c = std::getc(in);
  }
  if (!IsDigit(c)) {
    DiscardLine(in, c);
    return {EntryOutcome::Invalid, 0};
  }

  // Accumulate in 64 bits and stop growing past the 32-bit range, so a number
  // of any length is read to its end without overflowing anything.
  constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  bool overflow = false;
  for (; IsDigit(c); c = std::getc(in)) {
    if (overflow) continue;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit) overflow = true;
  }
  // What follows the number stays in the input for the next read.
  if (c != EOF) std::ungetc(c, in);

  // Beyond 32 bits the number is reported as the nearest 32-bit value: it is
  // out of range either way, and nothing downstream sees an overflowed value.
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (overflow || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return {EntryOutcome::OutOfRange,
            negative ? std::numeric_limits<std::int32_t>::min() : std::numeric_limits<std::int32_t>::max()};
  }
  const auto v = static_cast<std::int32_t>(value);
  if (v < 1 || v > LargestEntry) return {EntryOutcome::OutOfRange, v};
  return {EntryOutcome::Accepted, v};
}

std::FILE* DialogueInput() { return dialogueInput != nullptr ? dialogueInput : stdin; }

void SetDialogueInput(std::FILE* in) { dialogueInput = in; }
