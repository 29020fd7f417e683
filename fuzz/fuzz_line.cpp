// Fuzz target for the pixel line rasteriser: arbitrary integer end points
// within +-2^20, each segment and its reverse judged by the line oracle the
// line tests use.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <GL/gl.h>

#include "line_oracle.h"
#include "render/line.h"

namespace {

std::vector<lineoracle::Pixel> captured;

// Aborts, naming the segment, when the oracle found a fault.
void Check(const std::string& fault, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
  if (fault.empty()) return;
  std::fprintf(stderr, "line (%d,%d)-(%d,%d): %s\n", x0, y0, x1, y1, fault.c_str());
  std::abort();
}

// Reads one 32-bit value and brings it into +-2^bits (bits at most 20).
std::int32_t Coordinate(const std::uint8_t* data, std::size_t size, std::size_t& at, int bits) {
  std::uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u = (u << 8) | (at < size ? data[at++] : 0u);
  const std::int64_t span = std::int64_t(1) << bits;  // 1 .. 2^20
  return std::int32_t(std::int64_t(u % std::uint32_t(2 * span + 1)) - span);
}

}  // namespace

// The rasteriser's only output; captured here instead of drawn.
extern "C" void glVertex2i(GLint x, GLint y) { captured.emplace_back(x, y); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 0;
  // Up to 2^12 most of the time; the long lines of up to 2^20 (two million
  // pixels each way) are kept rarer because each costs milliseconds.
  const std::uint8_t selector = size > 0 ? data[at++] : 0;
  const int bits = selector < 248 ? 1 + selector % 12 : 13 + selector % 8;
  const std::int32_t x0 = Coordinate(data, size, at, bits);
  const std::int32_t y0 = Coordinate(data, size, at, bits);
  const std::int32_t x1 = Coordinate(data, size, at, bits);
  const std::int32_t y1 = Coordinate(data, size, at, bits);

  static std::vector<lineoracle::Pixel> forward;
  captured.clear();
  DrawLine(x0, y0, x1, y1);
  Check(lineoracle::Fault(x0, y0, x1, y1, captured), x0, y0, x1, y1);
  forward.swap(captured);

  captured.clear();
  DrawLine(x1, y1, x0, y0);
  Check(lineoracle::ReverseFault(forward, captured), x0, y0, x1, y1);
  return 0;
}
