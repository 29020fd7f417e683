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
}  // namespace

// The rasteriser's only output; captured here instead of drawn.
extern "C" void glVertex2i(GLint x, GLint y) { captured.emplace_back(x, y); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 0;
  const auto byte = [&]() -> std::uint32_t { return at < size ? data[at++] : 0u; };
  // Up to 2^12 most of the time; the long lines of up to 2^20 (two million
  // pixels each way) are kept rarer because each costs milliseconds.
  const std::uint32_t selector = byte();
  const std::int64_t span = std::int64_t(1) << (selector < 248 ? 1 + selector % 12 : 13 + selector % 8);
  std::int32_t x0, y0, x1, y1;
  for (std::int32_t* v : {&x0, &y0, &x1, &y1}) {  // 32 bits each, brought into +-span
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u = (u << 8) | byte();
    *v = std::int32_t(std::int64_t(u % std::uint32_t(2 * span + 1)) - span);
  }

  static std::vector<lineoracle::Pixel> forward;
  captured.clear();
  DrawLine(x0, y0, x1, y1);
  std::string fault = lineoracle::Fault(x0, y0, x1, y1, captured);
  forward.swap(captured);
  captured.clear();
  DrawLine(x1, y1, x0, y0);
  if (fault.empty()) fault = lineoracle::ReverseFault(forward, captured);
  if (!fault.empty()) {
    std::fprintf(stderr, "line (%d,%d)-(%d,%d): %s\n", x0, y0, x1, y1, fault.c_str());
    std::abort();
  }
  return 0;
}
