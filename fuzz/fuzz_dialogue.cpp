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
#include "entry_model.h"

namespace {

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
    const entrymodel::Prediction want = entrymodel::Predict(bytes, pos);
    const Entry got = ReadEntry(in);
    if (got.outcome != kOutcome[int(want.kind)]) Fail("outcome differs from a %d conversion", read, pos);
    if (want.kind == entrymodel::Kind::Accepted && got.value != want.value) Fail("accepted another value", read, pos);
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
