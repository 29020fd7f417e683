// Fuzz target for the pixel line rasteriser: arbitrary integer end points
// within +-2^20. For every segment the emitted pixels must be exactly
// max(|dx|, |dy|) + 1, run from the first end point to the second, touch one
// another, each be the pixel nearest the ideal line (midway ties going to the
// smaller minor coordinate), and the reversed segment must light the same
// pixels in the opposite order.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include <GL/gl.h>

#include "render/line.h"

namespace {

std::vector<std::pair<std::int32_t, std::int32_t>> captured;

[[noreturn]] void Fail(const char* what, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
  std::fprintf(stderr, "line (%d,%d)-(%d,%d): %s\n", x0, y0, x1, y1, what);
  std::abort();
}

// Whether the integer m is the one nearest to num / den (den > 0), the
// smaller one being taken when num / den lies exactly midway:
// m - 1/2 < num / den <= m + 1/2, multiplied out to stay in integers.
bool IsNearestTiesDown(std::int64_t m, std::int64_t num, std::int64_t den) {
  const std::int64_t e = 2 * num - 2 * m * den;
  return -den < e && e <= den;
}

std::int64_t Abs(std::int64_t v) { return v < 0 ? -v : v; }

void Draw(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
  captured.clear();
  DrawLine(x0, y0, x1, y1);
}

// The checks run on every pixel of segments of up to two million pixels;
// coverage instrumentation of this code would only slow the engine down.
#if defined(__clang__)
__attribute__((no_sanitize("coverage")))
#endif
void CheckOneDirection(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
  const std::int64_t dx = std::int64_t(x1) - x0, dy = std::int64_t(y1) - y0;
  const std::int64_t a = Abs(dx), b = Abs(dy);
  const std::int64_t steps = a > b ? a : b;
  if (std::int64_t(captured.size()) != steps + 1) Fail("pixel count is not max(|dx|,|dy|)+1", x0, y0, x1, y1);
  for (std::int64_t k = 0; k <= steps; ++k) {
    const auto& px = captured[std::size_t(k)];
    const std::int64_t ox = std::int64_t(px.first) - x0, oy = std::int64_t(px.second) - y0;
    bool nearest;
    if (steps == 0) {
      nearest = ox == 0 && oy == 0;
    } else if (b <= a) {  // x steps by one; y is the nearest row
      nearest = ox == (dx > 0 ? k : -k) && IsNearestTiesDown(oy, dy * k, a);
    } else {  // y steps by one; x is the nearest column
      nearest = oy == (dy > 0 ? k : -k) && IsNearestTiesDown(ox, dx * k, b);
    }
    if (!nearest) Fail("pixel is not the nearest one to the ideal line", x0, y0, x1, y1);
    if (k > 0) {
      const auto& prev = captured[std::size_t(k - 1)];
      const std::int64_t mx = Abs(std::int64_t(px.first) - prev.first);
      const std::int64_t my = Abs(std::int64_t(px.second) - prev.second);
      if (mx > 1 || my > 1 || (mx == 0 && my == 0)) Fail("consecutive pixels do not touch", x0, y0, x1, y1);
    }
  }
  if (captured.front() != std::make_pair(x0, y0) || captured.back() != std::make_pair(x1, y1)) {
    Fail("end pixels are not the end points", x0, y0, x1, y1);
  }
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

  static std::vector<std::pair<std::int32_t, std::int32_t>> forward;
  Draw(x0, y0, x1, y1);
  CheckOneDirection(x0, y0, x1, y1);
  forward.swap(captured);

  Draw(x1, y1, x0, y0);
  CheckOneDirection(x1, y1, x0, y0);
  if (forward.size() != captured.size()) Fail("reverse segment has a different pixel count", x0, y0, x1, y1);
  for (std::size_t i = 0; i < forward.size(); ++i) {
    if (forward[i] != captured[captured.size() - 1 - i]) Fail("reverse segment lights other pixels", x0, y0, x1, y1);
  }
  return 0;
}
