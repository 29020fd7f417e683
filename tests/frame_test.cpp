#include "render/frame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "gl_fake.h"
#include "points/editor_state.h"
#include "points/point_list.h"
#include "render/bezier.h"
#include "render/bspline.h"

namespace {

using glfake::ShownLog;
using Log = std::vector<std::string>;

// `n` points spread over the window, all different, so that a segment drawn
// from the wrong first index produces different pixels.
std::vector<Point> Spread(int n) {
  std::vector<Point> points;
  for (int i = 0; i < n; ++i) points.push_back(Point{40 + 53 * i, 60 + ((i * 151) % 380)});
  return points;
}

// The calls one renderer makes for the segment at `first`, recorded alone.
Log SegmentCalls(CurveKind kind, std::int32_t first) {
  glfake::Reset();
  (kind == CurveKind::Bezier ? DrawBezierSegment : DrawBSplineSegment)(first);
  return ShownLog();
}

// The frame as it must be: clear, a marker at size 2 for each point, then one
// size-1 batch holding the given segments.
Log ExpectedFrame(CurveKind kind, const std::vector<Point>& points, const std::vector<std::int32_t>& firsts) {
  Log expected = {"glClear(16384)", "glPointSize(2)", "glBegin(0)"};
  for (const Point& p : points) {
    expected.push_back("glColor3ubv(128,64,255)");
    expected.push_back("glVertex2i(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")");
  }
  expected.insert(expected.end(), {"glEnd()", "glPointSize(1)", "glBegin(0)"});
  for (std::int32_t first : firsts) {
    const Log segment = SegmentCalls(kind, first);
    EXPECT_FALSE(segment.empty()) << "segment " << first << " drew nothing";
    expected.insert(expected.end(), segment.begin(), segment.end());
  }
  expected.insert(expected.end(), {"glEnd()", "glFlush()", "glutSwapBuffers()"});
  return expected;
}

struct FrameCase {
  CurveKind kind;
  std::vector<Point> points;
  std::vector<std::int32_t> segmentFirsts;
};

class FrameCases : public EditorTest, public testing::WithParamInterface<FrameCase> {};

TEST_P(FrameCases, DrawsMarkersThenOneSegmentPerGroup) {
  const FrameCase& c = GetParam();
  editorState.curveKind = c.kind;
  for (const Point& p : c.points) AddPoint(p.x, p.y);
  const Log expected = ExpectedFrame(c.kind, c.points, c.segmentFirsts);
  glfake::Reset();
  OnDisplay();
  EXPECT_EQ(ShownLog(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Frame, FrameCases,
    testing::Values(
        // Bezier: groups start at 0, 3, 6, ... and share their end points;
        // trailing points that do not make a full group draw no curve.
        FrameCase{CurveKind::Bezier, Spread(3), {}}, FrameCase{CurveKind::Bezier, Spread(6), {0}},
        FrameCase{CurveKind::Bezier, Spread(10), {0, 3, 6}},
        // B-spline: one segment per window of four consecutive points.
        FrameCase{CurveKind::BSpline, Spread(7), {0, 1, 2, 3}},
        // Markers at the window's edges and beyond it are emitted as they are.
        FrameCase{CurveKind::BSpline, {{0, 0}, {499, 499}, {-3, 700}}, {}}),
    // e.g. Bezier_Points7_Segments2
    [](const testing::TestParamInfo<FrameCase>& info) {
      const FrameCase& c = info.param;
      return std::string(c.kind == CurveKind::Bezier ? "Bezier" : "BSpline") + "_Points" +
             std::to_string(c.points.size()) + "_Segments" + std::to_string(c.segmentFirsts.size());
    });

}  // namespace
