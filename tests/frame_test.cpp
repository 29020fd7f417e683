#include "render/frame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "call_text.h"
#include "gl_fake.h"
#include "points/editor_state.h"
#include "points/point_list.h"
#include "render/bezier.h"
#include "render/bspline.h"
#include "render/curve_matrices.h"

namespace {

using glfake::ShownLog;
using Log = std::vector<std::string>;

// Points spread over the window, all different, so that a segment drawn from
// the wrong first index produces different pixels.
void PlacePoints(int n) {
  ClearPoints();
  for (int i = 0; i < n; ++i) AddPoint(40 + 53 * i, 60 + ((i * 151) % 380));
}

// The calls one renderer makes for the segment at `first`, recorded alone.
Log SegmentCalls(CurveKind kind, std::int32_t first) {
  glfake::Reset();
  if (kind == CurveKind::Bezier) {
    DrawBezierSegment(first);
  } else {
    DrawBSplineSegment(first);
  }
  return ShownLog();
}

// The frame as it must be: clear, markers at size 2, then one size-1 batch
// holding the given segments.
Log ExpectedFrame(CurveKind kind, const std::vector<std::int32_t>& firsts) {
  Log expected = {"glClear(16384)", "glPointSize(2)", "glBegin(0)"};
  for (std::int32_t i = 0; i < editorState.points.count; ++i) {
    const Point p = editorState.points.items[i];
    expected.push_back("glColor3ubv(128,64,255)");
    expected.push_back("glVertex2i(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")");
  }
  expected.push_back("glEnd()");
  expected.push_back("glPointSize(1)");
  expected.push_back("glBegin(0)");
  for (std::int32_t first : firsts) {
    const Log segment = SegmentCalls(kind, first);
    EXPECT_FALSE(segment.empty()) << "segment " << first << " drew nothing";
    expected.insert(expected.end(), segment.begin(), segment.end());
  }
  expected.push_back("glEnd()");
  expected.push_back("glFlush()");
  expected.push_back("glutSwapBuffers()");
  return expected;
}

struct FrameCase {
  CurveKind kind;
  int points;
  std::vector<std::int32_t> segmentFirsts;
};

class FrameCases : public testing::TestWithParam<FrameCase> {
 protected:
  void SetUp() override {
    InitCurveMatrices();
    editorState.toleranceSquared = 25;
    editorState.bsplineSteps = 25;
  }
  void TearDown() override {
    ClearPoints();
    editorState.curveKind = CurveKind::Bezier;
  }
};

TEST_P(FrameCases, DrawsMarkersThenOneSegmentPerGroup) {
  const FrameCase& c = GetParam();
  editorState.curveKind = c.kind;
  PlacePoints(c.points);
  const Log expected = ExpectedFrame(c.kind, c.segmentFirsts);
  glfake::Reset();
  OnDisplay();
  EXPECT_EQ(ShownLog(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Frame, FrameCases,
    testing::Values(
        // Bezier: groups start at 0, 3, 6, ... and share their end points;
        // trailing points that do not make a full group draw no curve.
        FrameCase{CurveKind::Bezier, 0, {}}, FrameCase{CurveKind::Bezier, 1, {}},
        FrameCase{CurveKind::Bezier, 3, {}}, FrameCase{CurveKind::Bezier, 4, {0}},
        FrameCase{CurveKind::Bezier, 5, {0}}, FrameCase{CurveKind::Bezier, 6, {0}},
        FrameCase{CurveKind::Bezier, 7, {0, 3}}, FrameCase{CurveKind::Bezier, 10, {0, 3, 6}},
        // B-spline: one segment per window of four consecutive points.
        FrameCase{CurveKind::BSpline, 0, {}}, FrameCase{CurveKind::BSpline, 3, {}},
        FrameCase{CurveKind::BSpline, 4, {0}}, FrameCase{CurveKind::BSpline, 5, {0, 1}},
        FrameCase{CurveKind::BSpline, 7, {0, 1, 2, 3}}),
    // e.g. Bezier_Points7_Segments2
    [](const testing::TestParamInfo<FrameCase>& info) {
      const FrameCase& c = info.param;
      return std::string(c.kind == CurveKind::Bezier ? "Bezier" : "BSpline") + "_Points" +
             std::to_string(c.points) + "_Segments" + std::to_string(c.segmentFirsts.size());
    });

TEST(Frame, MarkerSetsPointColourThenEmitsOneVertex) {
  const std::int32_t cases[][2] = {{0, 0}, {499, 499}, {-3, 700}};
  for (const auto& p : cases) {
    glfake::Reset();
    DrawPointMarker(p[0], p[1]);
    EXPECT_EQ(ShownLog(), (Log{"glColor3ubv(128,64,255)",
                               "glVertex2i(" + std::to_string(p[0]) + "," + std::to_string(p[1]) + ")"}));
  }
}

}  // namespace
