// What a user feels: every mouse movement redraws the whole frame. This
// program times one frame's CPU work with the GL calls going to a counting
// no-op, the floor (the same call stream replayed through that no-op), the
// same curves drawn by cairo, and how the cost grows with the work.
//
// Own flag (before the Google Benchmark ones): --soak_frames=N, the number of
// frames the allocation soak draws (default 10000).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/alloc_count.h"
#include "bench/cairo_peer.h"
#include "bench/gl_noop.h"
#include "bench/scenes.h"
#include "points/editor_state.h"
#include "render/curve_matrices.h"
#include "render/frame.h"

namespace {

using bench::Scene;

constexpr CurveKind Kinds[] = {CurveKind::Bezier, CurveKind::BSpline};

// Set when a measurement finds the harness or the frame misbehaving; the
// program then exits non-zero so that a brief run under CTest fails.
bool faultSeen = false;

void Fault(benchmark::State& state, const char* what) {
  faultSeen = true;
  state.SkipWithError(what);
}

// Vertices and GL calls of one frame of the loaded scene (not timed).
noop::Counters OneFrame() {
  noop::ResetCounters();
  OnDisplay();
  return noop::Get();
}

void SetVertexCounters(benchmark::State& state, const noop::Counters& frame) {
  state.counters["vertices"] = static_cast<double>(frame.vertices);
  state.counters["gl_calls"] = static_cast<double>(frame.calls);
  // A fingerprint of the vertex stream (48 bits, exact in a double): a speed
  // change elsewhere must leave it as it was.
  state.counters["stream_hash"] = static_cast<double>(frame.checksum & ((std::uint64_t{1} << 48) - 1));
  // Seconds per vertex: the per-frame count, times iterations, over the time,
  // inverted.
  state.counters["s_per_vertex"] = benchmark::Counter(static_cast<double>(frame.vertices),
                                                      benchmark::Counter::kIsIterationInvariantRate |
                                                          benchmark::Counter::kInvert);
}

// The editor's frame: OnDisplay with the scene in editorState.
void FrameCpu(benchmark::State& state, const Scene& scene, CurveKind kind) {
  bench::LoadScene(scene, kind);
  const noop::Counters frame = OneFrame();
  const std::uint64_t newsBefore = alloc::News();
  for (auto _ : state) OnDisplay();
  const std::uint64_t news = alloc::News() - newsBefore;
  SetVertexCounters(state, frame);
  state.counters["allocs_per_frame"] = static_cast<double>(news) / static_cast<double>(state.iterations());
}

// The floor: the frame's call stream, captured once, replayed.
void ReplayFloor(benchmark::State& state, const Scene& scene, CurveKind kind) {
  bench::LoadScene(scene, kind);
  noop::Stream stream;
  const noop::Counters frame = noop::CaptureFrame(stream, OnDisplay);

  noop::ResetCounters();
  noop::Replay(stream);
  if (noop::Get().checksum != frame.checksum || noop::Get().calls != frame.calls) {
    Fault(state, "the replayed stream differs from the frame's");
    return;
  }
  for (auto _ : state) noop::Replay(stream);
  SetVertexCounters(state, frame);
}

// The peer: cairo strokes the same curves into a 500 x 500 image.
void CairoFrame(benchmark::State& state, const Scene& scene, CurveKind kind) {
  bench::CairoPeer peer;
  for (auto _ : state) peer.Draw(scene.points, kind);
  state.counters["segments"] = kind == CurveKind::Bezier
                                   ? bench::BezierSegments(static_cast<std::int32_t>(scene.points.size()))
                                   : bench::BSplineSegments(static_cast<std::int32_t>(scene.points.size()));
}

// Draws `frames` frames and reports the fewest and most allocations any one
// frame made and how many blocks were still held afterwards: a constant
// count and no growth mean nothing is kept or leaked between frames.
void AllocationSoak(benchmark::State& state, const Scene& scene, CurveKind kind, std::int64_t frames) {
  bench::LoadScene(scene, kind);
  OnDisplay();
  std::uint64_t fewest = UINT64_MAX, most = 0;
  std::int64_t liveGrowth = 0;
  for (auto _ : state) {
    const std::int64_t liveBefore = alloc::Live();
    for (std::int64_t i = 0; i < frames; ++i) {
      const std::uint64_t before = alloc::News();
      OnDisplay();
      const std::uint64_t made = alloc::News() - before;
      fewest = std::min(fewest, made);
      most = std::max(most, made);
    }
    liveGrowth = alloc::Live() - liveBefore;
  }
  if (fewest != most || liveGrowth != 0) Fault(state, "allocations vary between frames or are kept");
  state.counters["frames"] = static_cast<double>(frames);
  state.counters["allocs_min"] = static_cast<double>(fewest);
  state.counters["allocs_max"] = static_cast<double>(most);
  state.counters["live_growth"] = static_cast<double>(liveGrowth);
}

// Every benchmark keeps its own copy of its scene.
void Register(std::int64_t soakFrames) {
  const Scene typical = bench::TypicalScene();
  const Scene dense = bench::DenseScene();
  for (const Scene* scene : {&typical, &dense}) {
    for (CurveKind kind : Kinds) {
      const std::string tail = scene->name + "/" + bench::KindName(kind);
      benchmark::RegisterBenchmark(("Frame/" + tail).c_str(), FrameCpu, *scene, kind);
      benchmark::RegisterBenchmark(("Replay/" + tail).c_str(), ReplayFloor, *scene, kind);
      benchmark::RegisterBenchmark(("Cairo/" + tail).c_str(), CairoFrame, *scene, kind);
    }
  }
  // What cairo's figure spends on the clear alone (no points, no path).
  benchmark::RegisterBenchmark("CairoClear", CairoFrame, Scene{"empty", {}, 5, 25}, CurveKind::Bezier);
  for (std::int32_t n : {4, 16, 64, 256, 1024}) {
    const Scene scene = bench::SpreadScene(n);
    for (CurveKind kind : Kinds) {
      const std::string name = std::string("Scale/") + bench::KindName(kind) + "/points:" + std::to_string(n);
      benchmark::RegisterBenchmark(name.c_str(), FrameCpu, scene, kind);
    }
  }
  // The settings sweeps redraw the dense scene's points.
  for (std::int32_t t = 1; t <= 20; ++t) {
    Scene scene = dense;
    scene.tolerance = t;
    benchmark::RegisterBenchmark(("Tolerance/dense/bezier/t:" + std::to_string(t)).c_str(), FrameCpu, scene,
                                 CurveKind::Bezier);
  }
  for (std::int32_t n : {1, 10, 100, 499}) {
    Scene scene = dense;
    scene.bsplineSteps = n;
    benchmark::RegisterBenchmark(("Steps/dense/bspline/steps:" + std::to_string(n)).c_str(), FrameCpu, scene,
                                 CurveKind::BSpline);
  }
  for (const Scene* scene : {&typical, &dense}) {
    for (CurveKind kind : Kinds) {
      const std::string name = "Soak/" + scene->name + "/" + bench::KindName(kind);
      benchmark::RegisterBenchmark(name.c_str(), AllocationSoak, *scene, kind, soakFrames)
          ->Iterations(1)
          ->Repetitions(1);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::int64_t soakFrames = 10000;
  // Take our own flag out before Google Benchmark sees the rest.
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    constexpr const char* flag = "--soak_frames=";
    if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0) {
      soakFrames = std::atoll(argv[i] + std::strlen(flag));
      if (soakFrames < 1) {
        std::fprintf(stderr, "--soak_frames wants a positive count\n");
        return 2;
      }
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

  InitCurveMatrices();
  Register(soakFrames);
  benchmark::AddCustomContext("soak_frames", std::to_string(soakFrames));
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  ClearPoints();
  return faultSeen ? 1 : 0;
}
