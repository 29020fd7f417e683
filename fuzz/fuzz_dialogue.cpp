// Fuzz target for the console dialogue's reader: arbitrary bytes as standard
// input, read entry after entry until the input is used up. Every read must
// end in one of the three outcomes, carry a value only when accepted, agree
// with an independent model of a "%d" conversion, leave the input exactly
// where the model says the next read starts, and never stall.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/dialogue.h"
#include "entry_model.h"

namespace {

[[noreturn]] void Fail(const char* what, std::size_t read, long at) {
  std::fprintf(stderr, "read %zu at offset %ld: %s\n", read, at, what);
  std::abort();
}

entrymodel::Kind KindOf(EntryOutcome o) {
  switch (o) {
    case EntryOutcome::Accepted: return entrymodel::Kind::Accepted;
    case EntryOutcome::OutOfRange: return entrymodel::Kind::OutOfRange;
    case EntryOutcome::Invalid: return entrymodel::Kind::Invalid;
  }
  std::fprintf(stderr, "outcome %d is none of the three\n", static_cast<int>(o));
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // fmemopen refuses an empty buffer; an empty file is the same input.
  std::FILE* in = size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "r") : std::fopen("/dev/null", "r");
  if (in == nullptr) {
    std::perror("opening the input");
    std::abort();
  }
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::size_t pos = 0;
  // Every read but one at end of input consumes at least one byte, so this
  // bound is only reached by a reader that stalls.
  for (std::size_t read = 0;; ++read) {
    if (read > size + 1) Fail("the reader stopped making progress", read, long(pos));
    const entrymodel::Prediction want = entrymodel::Predict(bytes, pos);
    const Entry got = ReadEntry(in);
    const entrymodel::Kind kind = KindOf(got.outcome);
    if (kind != want.kind) Fail("outcome differs from a %d conversion", read, long(pos));
    if (kind == entrymodel::Kind::Accepted && (got.value < 1 || got.value > 499 || got.value != want.value)) {
      Fail("accepted value is not the number entered", read, long(pos));
    }
    const long now = std::ftell(in);
    if (now != long(want.next)) Fail("the next read would not start where it should", read, long(pos));
    if (pos == size) break;  // the read at end of input was Invalid above
    pos = want.next;
  }
  // End of input never blocks and stays invalid.
  for (int again = 0; again < 2; ++again) {
    if (ReadEntry(in).outcome != EntryOutcome::Invalid) Fail("a read after end of input was not invalid", 0, long(pos));
  }
  std::fclose(in);
  return 0;
}
