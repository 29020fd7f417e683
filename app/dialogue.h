// The console dialogue behind the 't' and 'n' keys: reading one integer
// entry from standard input.
#pragma once

#include <cstdint>
#include <cstdio>

#include "app/window.h"

// Entries are accepted from 1 up to, but not including, the window size.
inline constexpr std::int32_t LargestEntry = WindowSize - 1;

enum class EntryOutcome {
  Accepted,    // a number from 1 to LargestEntry: `value` holds it
  OutOfRange,  // any other number, including one beyond 32 bits
  Invalid,     // no number could be read (not numeric, or end of input)
};

struct Entry {
  EntryOutcome outcome;
  std::int32_t value;  // meaningful only when Accepted
};

// Reads one entry as a "%d" conversion would (leading white space, line ends
// included, skipped; optional sign; decimal digits). A number stops at the
// first character that is not a digit and leaves it unread. When no number
// can be read, the rest of that input line is discarded so the next dialogue
// waits for fresh input. End of input is Invalid and never blocks again.
Entry ReadEntry(std::FILE* in);

// The stream the dialogues read their entries from: standard input, unless
// an edition without a console hands in another (the browser page supplies
// one that waits for a line typed on the page). Passing null restores
// standard input.
std::FILE* DialogueInput();
void SetDialogueInput(std::FILE* in);
