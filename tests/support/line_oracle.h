// What a rasterised line must be, judged from its end points alone and
// without the rasteriser's decision-value loops, for the line tests and the
// line fuzzer: exactly max(|dx|, |dy|) + 1 pixels from the first end point to
// the second, one step along the major axis each, every pixel the one nearest
// the ideal line (a midway tie going to the smaller minor coordinate), and
// the reverse segment lighting the same pixels in the opposite order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace lineoracle {

using Pixel = std::pair<std::int32_t, std::int32_t>;

namespace detail {

inline std::int64_t Abs(std::int64_t v) { return v < 0 ? -v : v; }

// Whether the integer m is the one nearest to num / den (den > 0), the
// smaller one when num / den lies exactly midway:
// m - 1/2 < num / den <= m + 1/2, multiplied out to stay in integers.
inline bool IsNearestTiesDown(std::int64_t m, std::int64_t num, std::int64_t den) {
  const std::int64_t e = 2 * num - 2 * m * den;
  return -den < e && e <= den;
}

inline std::string At(const char* what, std::size_t pixel) {
  return std::string(what) + " (pixel " + std::to_string(pixel) + ")";
}

}  // namespace detail

// Empty when `pixels` is the line from (x0, y0) to (x1, y1); otherwise the
// first rule it breaks. Offsets from (x0, y0) are taken in 64 bits, so end
// points anywhere in the 32-bit range are fine.
// The fuzzer runs this over segments of millions of pixels; coverage
// instrumentation of the checker would only slow its engine down.
#if defined(__clang__)
__attribute__((no_sanitize("coverage")))
#endif
inline std::string Fault(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                         std::span<const Pixel> pixels) {
  const std::int64_t dx = std::int64_t{x1} - x0, dy = std::int64_t{y1} - y0;
  const std::int64_t a = detail::Abs(dx), b = detail::Abs(dy);
  const std::int64_t steps = a > b ? a : b;
  if (std::int64_t(pixels.size()) != steps + 1) {
    return "pixel count " + std::to_string(pixels.size()) + " is not max(|dx|,|dy|)+1 = " +
           std::to_string(steps + 1);
  }
  for (std::size_t k = 0; k < pixels.size(); ++k) {
    const std::int64_t i = std::int64_t(k);
    const std::int64_t ox = std::int64_t{pixels[k].first} - x0, oy = std::int64_t{pixels[k].second} - y0;
    bool nearest;
    if (steps == 0) {
      nearest = ox == 0 && oy == 0;
    } else if (b <= a) {  // x steps by one; y is the nearest row
      nearest = ox == (dx > 0 ? i : -i) && detail::IsNearestTiesDown(oy, dy * i, a);
    } else {  // y steps by one; x is the nearest column
      nearest = oy == (dy > 0 ? i : -i) && detail::IsNearestTiesDown(ox, dx * i, b);
    }
    // At the first and last step this demands the end points themselves.
    if (!nearest) return detail::At("not the pixel nearest the ideal line", k);
  }
  return {};
}

// Empty when `reverse`, drawn from the second end point to the first, holds
// the pixels of `forward` in the opposite order.
inline std::string ReverseFault(std::span<const Pixel> forward, std::span<const Pixel> reverse) {
  if (forward.size() != reverse.size()) return "the reverse segment has another pixel count";
  for (std::size_t k = 0; k < forward.size(); ++k) {
    if (forward[k] != reverse[reverse.size() - 1 - k]) return detail::At("the reverse segment lights another pixel", k);
  }
  return {};
}

}  // namespace lineoracle
