// The benchmark harness must measure what it claims: the scenes are the ones
// described, the replay issues exactly the frame's calls, and the allocation
// counter sees every form of operator new. The frame's own allocation
// behaviour (the same count every frame, nothing kept) is checked here too.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <vector>

#include "bench/alloc_count.h"
#include "bench/gl_noop.h"
#include "bench/scenes.h"
#include "points/editor_state.h"
#include "render/curve_matrices.h"
#include "render/frame.h"

namespace {

using bench::Scene;

class BenchHarness : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitCurveMatrices(); }
  void TearDown() override { ClearPoints(); }
};

struct SceneCase {
  Scene (*make)();
  std::size_t points;
  std::int32_t tolerance, steps, bezierSegments, bsplineSegments;
};

TEST_F(BenchHarness, ScenesHaveTheDescribedShape) {
  const SceneCase cases[] = {
      {bench::TypicalScene, 10, 5, 25, 3, 7},
      {bench::DenseScene, 301, 1, 499, 100, 298},
  };
  for (const SceneCase& c : cases) {
    const Scene s = c.make();
    SCOPED_TRACE(s.name);
    ASSERT_EQ(s.points.size(), c.points);
    EXPECT_EQ(s.tolerance, c.tolerance);
    EXPECT_EQ(s.bsplineSteps, c.steps);
    const auto n = static_cast<std::int32_t>(s.points.size());
    EXPECT_EQ(bench::BezierSegments(n), c.bezierSegments);
    EXPECT_EQ(bench::BSplineSegments(n), c.bsplineSegments);
    for (const Point& p : s.points) {
      EXPECT_GE(p.x, 0);
      EXPECT_LT(p.x, WindowSize);
      EXPECT_GE(p.y, 0);
      EXPECT_LT(p.y, WindowSize);
    }
  }
}

TEST_F(BenchHarness, SeededPointsAreRepeatableNestedAndSpread) {
  const auto a = bench::SeededPoints(1024, bench::SceneSeed);
  const auto b = bench::SeededPoints(1024, bench::SceneSeed);
  const auto prefix = bench::SeededPoints(64, bench::SceneSeed);
  const auto other = bench::SeededPoints(64, bench::SceneSeed + 1);
  ASSERT_EQ(a.size(), 1024u);
  std::size_t differing = 0;
  int quadrant[4] = {0, 0, 0, 0};
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].x, b[i].x);
    EXPECT_EQ(a[i].y, b[i].y);
    EXPECT_GE(a[i].x, bench::Margin);
    EXPECT_LT(a[i].x, WindowSize - bench::Margin);
    EXPECT_GE(a[i].y, bench::Margin);
    EXPECT_LT(a[i].y, WindowSize - bench::Margin);
    ++quadrant[(a[i].x >= 250 ? 1 : 0) + (a[i].y >= 250 ? 2 : 0)];
    if (i < prefix.size()) {
      EXPECT_EQ(prefix[i].x, a[i].x);
      EXPECT_EQ(prefix[i].y, a[i].y);
      differing += other[i].x != a[i].x || other[i].y != a[i].y;
    }
  }
  EXPECT_GT(differing, 60u) << "another seed should give other points";
  // Spread over the whole window: every quadrant holds roughly a quarter.
  for (int q : quadrant) EXPECT_GT(q, 200);
}

TEST_F(BenchHarness, LoadSceneReplacesPointsAndSettings) {
  bench::LoadScene(bench::DenseScene(), CurveKind::BSpline);
  const Scene typical = bench::TypicalScene();
  bench::LoadScene(typical, CurveKind::Bezier);
  ASSERT_EQ(editorState.points.count, 10);
  for (std::int32_t i = 0; i < 10; ++i) {
    EXPECT_EQ(editorState.points.items[i].x, typical.points[i].x);
    EXPECT_EQ(editorState.points.items[i].y, typical.points[i].y);
  }
  EXPECT_EQ(editorState.curveKind, CurveKind::Bezier);
  EXPECT_EQ(editorState.toleranceSquared, 25);
  EXPECT_EQ(editorState.bsplineSteps, 25);
  bench::LoadScene(bench::DenseScene(), CurveKind::BSpline);
  EXPECT_EQ(editorState.curveKind, CurveKind::BSpline);
  EXPECT_EQ(editorState.toleranceSquared, 1);
  EXPECT_EQ(editorState.bsplineSteps, 499);
}

struct FrameCase {
  Scene (*make)();
  CurveKind kind;
};
const FrameCase frameCases[] = {
    {bench::TypicalScene, CurveKind::Bezier},
    {bench::TypicalScene, CurveKind::BSpline},
    {bench::DenseScene, CurveKind::Bezier},
    {bench::DenseScene, CurveKind::BSpline},
};

TEST_F(BenchHarness, ReplayIssuesExactlyTheFramesCalls) {
  for (const FrameCase& c : frameCases) {
    const Scene scene = c.make();
    SCOPED_TRACE(scene.name + "/" + bench::KindName(c.kind));
    bench::LoadScene(scene, c.kind);
    noop::Stream stream;
    const noop::Counters frame = noop::CaptureFrame(stream, OnDisplay);

    // Markers and curve pixels: more vertices than points for any curve.
    EXPECT_GT(frame.vertices, scene.points.size());
    EXPECT_EQ(stream.VertexCount(), frame.vertices);
    ASSERT_FALSE(stream.entries.empty());
    EXPECT_EQ(stream.entries.front().op, noop::Op::Clear);
    EXPECT_EQ(stream.entries.back().op, noop::Op::Swap);

    noop::ResetCounters();
    noop::Replay(stream);
    EXPECT_EQ(noop::Get().calls, frame.calls);
    EXPECT_EQ(noop::Get().vertices, frame.vertices);
    EXPECT_EQ(noop::Get().checksum, frame.checksum);

    // A replay is a capture of its own: capturing it gives the same stream.
    noop::Stream again;
    noop::BeginCapture(again);
    noop::Replay(stream);
    noop::EndCapture();
    EXPECT_EQ(again.xy, stream.xy);
    EXPECT_EQ(again.entries.size(), stream.entries.size());
  }
}

TEST_F(BenchHarness, ChecksumNoticesOrderAndValues) {
  auto sum = [](const std::vector<std::pair<int, int>>& vs) {
    noop::ResetCounters();
    glVertex2i(0, 0);  // an anchor so a lone swapped pair still shifts the fold
    for (auto [x, y] : vs) glVertex2i(x, y);
    return noop::Get().checksum;
  };
  const auto base = sum({{1, 2}, {3, 4}, {5, 6}});
  EXPECT_EQ(base, sum({{1, 2}, {3, 4}, {5, 6}}));
  EXPECT_NE(base, sum({{3, 4}, {1, 2}, {5, 6}}));
  EXPECT_NE(base, sum({{1, 2}, {3, 4}}));
  EXPECT_NE(base, sum({{2, 1}, {3, 4}, {5, 6}}));
  EXPECT_NE(base, sum({{1, 2}, {3, 4}, {5, -6}}));
}

struct Alignment64 {
  alignas(64) double values[8];
};

// Every block is published through this so the compiler cannot elide the
// allocation (it may drop a new-expression whose result is never seen).
void* volatile sink = nullptr;
template <typename T>
T* Seen(T* p) {
  sink = p;
  return p;
}

TEST(AllocationCounter, SeesEveryFormOfNewAndDelete) {
  struct Case {
    const char* what;
    std::function<void()> act;
    std::uint64_t news, deletes;
  };
  static int* held = nullptr;
  const Case cases[] = {
      {"new", [] { held = Seen(new int(7)); }, 1, 0},
      {"delete", [] { delete Seen(held); }, 0, 1},
      {"new[] and delete[]", [] { delete[] Seen(new int[5]); }, 1, 1},
      {"nothrow new", [] { delete Seen(new (std::nothrow) int(3)); }, 1, 1},
      {"aligned new", [] { delete Seen(new Alignment64{}); }, 1, 1},
      {"aligned new[]", [] { delete[] Seen(new Alignment64[3]); }, 1, 1},
      {"vector growth", [] {
         std::vector<int> v;
         v.reserve(4);
         Seen(v.data());
         v.reserve(64);
         Seen(v.data());
       }, 2, 2},
      {"unique_ptr array", [] { Seen(std::make_unique<double[]>(16).get()); }, 1, 1},
      {"delete of null", [] { delete Seen(static_cast<int*>(nullptr)); }, 0, 0},
  };
  for (const Case& c : cases) {
    const std::uint64_t n0 = alloc::News(), d0 = alloc::Deletes();
    c.act();
    // Read both before asserting: a failure message allocates too.
    const std::uint64_t news = alloc::News() - n0, deletes = alloc::Deletes() - d0;
    EXPECT_EQ(news, c.news) << c.what;
    EXPECT_EQ(deletes, c.deletes) << c.what;
  }
}

TEST_F(BenchHarness, FramesAllocateTheSameEveryTimeAndKeepNothing) {
  for (const FrameCase& c : frameCases) {
    const Scene scene = c.make();
    SCOPED_TRACE(scene.name + "/" + bench::KindName(c.kind));
    bench::LoadScene(scene, c.kind);
    const int frames = scene.points.size() > 100 ? 20 : 1000;
    const std::int64_t live = alloc::Live();
    std::uint64_t first = 0;
    for (int i = 0; i < frames; ++i) {
      const std::uint64_t before = alloc::News();
      OnDisplay();
      const std::uint64_t made = alloc::News() - before;
      if (i == 0) first = made;
      ASSERT_EQ(made, first) << "frame " << i;
    }
    EXPECT_EQ(alloc::Live(), live);
  }
}

}  // namespace
