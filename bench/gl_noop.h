// A counting no-op stand-in for the GL and GLUT calls a frame makes, for the
// CPU benchmarks: each call only bumps a counter (and a vertex folds into a
// checksum), so a timed frame measures the editor's own work. It can capture
// one frame's call stream and replay it through the very same entry points,
// which is the floor no renderer of that stream can beat.
#pragma once

#include <cstdint>
#include <vector>

namespace noop {

struct Counters {
  std::uint64_t calls = 0;     // every GL/GLUT call, vertices included
  std::uint64_t vertices = 0;  // glVertex2i calls
  std::uint64_t checksum = 0;  // order-sensitive fold of every vertex
};

void ResetCounters();
const Counters& Get();

// One recorded call. Vertices are kept apart as runs so a replay can emit
// them in a tight loop.
enum class Op : std::uint8_t { Clear, PointSize, Begin, End, Color, Vertices, Flush, Swap };
struct Entry {
  Op op;
  std::uint32_t value = 0;  // the mask, mode or (for PointSize) the size's bits
  const unsigned char* color = nullptr;
  std::uint32_t first = 0;  // Vertices: index of the run's first vertex
  std::uint32_t count = 0;  // Vertices: length of the run
};
struct Stream {
  std::vector<Entry> entries;
  std::vector<std::int32_t> xy;  // x, y of every vertex in emission order
  std::uint64_t VertexCount() const { return xy.size() / 2; }
};

// While a capture is active every call is also appended to `into` (cleared
// first). Capturing costs one predictable branch per call when off.
void BeginCapture(Stream& into);
void EndCapture();

// Runs `frame` once (OnDisplay, say) with the counters reset and its calls
// captured into `into`; returns that frame's counters.
Counters CaptureFrame(Stream& into, void (*frame)());

// Issues the captured calls again, in order, through the same no-op entry
// points. Nothing is recomputed: this is the cost of the calls alone.
void Replay(const Stream& stream);

}  // namespace noop
