// The peer must draw the same curves as the editor, or the comparison means
// nothing: its B-spline conversion must trace the editor's polynomial, its
// coordinates must land on the editor's pixels, and every frame starts black.
#include "bench/cairo_peer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "bench/scenes.h"

namespace {

using bench::XY;

XY BezierAt(const std::array<XY, 4>& b, double t) {
  const double u = 1 - t;
  const double w[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t};
  XY p{0, 0};
  for (int i = 0; i < 4; ++i) {
    p.x += w[i] * b[i].x;
    p.y += w[i] * b[i].y;
  }
  return p;
}

// The uniform cubic B-spline from its basis functions, written independently
// of the conversion under test.
XY BSplineAt(const Point (&p)[4], double t) {
  const double t2 = t * t, t3 = t2 * t;
  const double w[4] = {(1 - t) * (1 - t) * (1 - t) / 6, (3 * t3 - 6 * t2 + 4) / 6, (-3 * t3 + 3 * t2 + 3 * t + 1) / 6,
                       t3 / 6};
  XY q{0, 0};
  for (int i = 0; i < 4; ++i) {
    q.x += w[i] * p[i].x;
    q.y += w[i] * p[i].y;
  }
  return q;
}

TEST(CairoPeer, BSplineConversionTracesTheSameCurve) {
  const Point cases[][4] = {
      {{100, 100}, {200, 300}, {300, 100}, {400, 300}},
      {{180, 235}, {465, 137}, {337, 280}, {311, 490}},
      {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
      {{-50, 700}, {499, 0}, {0, 499}, {250, 250}},
      {{10, 10}, {10, 10}, {490, 490}, {490, 490}},
  };
  for (const auto& p : cases) {
    const auto b = bench::BSplineAsBezier(p[0], p[1], p[2], p[3]);
    for (double t : {0.0, 0.1, 0.25, 0.5, 0.75, 0.9, 1.0}) {
      const XY want = BSplineAt(p, t), got = BezierAt(b, t);
      EXPECT_NEAR(got.x, want.x, 1e-9) << "t " << t;
      EXPECT_NEAR(got.y, want.y, 1e-9) << "t " << t;
    }
  }
}

TEST(CairoPeer, NeighbouringBSplineSegmentsJoin) {
  const auto pts = bench::SeededPoints(20, 7);
  for (std::size_t i = 0; i + 4 < pts.size(); ++i) {
    const auto a = bench::BSplineAsBezier(pts[i], pts[i + 1], pts[i + 2], pts[i + 3]);
    const auto b = bench::BSplineAsBezier(pts[i + 1], pts[i + 2], pts[i + 3], pts[i + 4]);
    EXPECT_NEAR(a[3].x, b[0].x, 1e-9);
    EXPECT_NEAR(a[3].y, b[0].y, 1e-9);
  }
}

TEST(CairoPeer, PixelCentresFollowTheEditorsRows) {
  // The editor's pixel (x, y) is column x, row 499 - y counted from the top.
  struct Case {
    double x, y, cx, cy;
  } cases[] = {{0, 0, 0.5, 499.5}, {499, 499, 499.5, 0.5}, {10, 20, 10.5, 479.5}, {2.5, 0.5, 3.0, 499.0}};
  for (const Case& c : cases) {
    const XY p = bench::PixelCentre(c.x, c.y);
    EXPECT_DOUBLE_EQ(p.x, c.cx);
    EXPECT_DOUBLE_EQ(p.y, c.cy);
  }
}

// Lit pixels of one frame, and how far each lies from the exact curve.
void ExpectDrawsTheCurve(const std::vector<Point>& points, CurveKind kind) {
  bench::CairoPeer peer;
  peer.Draw(points, kind);

  // The exact curve, densely sampled, as editor pixels.
  std::vector<std::vector<bool>> near(WindowSize, std::vector<bool>(WindowSize, false));
  std::vector<std::pair<int, int>> onCurve;
  const auto n = points.size();
  auto sample = [&](const std::array<XY, 4>& b) {
    for (int s = 0; s <= 2000; ++s) {
      const XY p = BezierAt(b, s / 2000.0);
      const int col = static_cast<int>(std::floor(p.x)), row = WindowSize - 1 - static_cast<int>(std::floor(p.y));
      onCurve.push_back({col, row});
      for (int dc = -1; dc <= 1; ++dc)
        for (int dr = -1; dr <= 1; ++dr) {
          const int c = col + dc, r = row + dr;
          if (c >= 0 && r >= 0 && c < WindowSize && r < WindowSize) near[r][c] = true;
        }
    }
  };
  auto at = [&](std::size_t i) { return XY{double(points[i].x), double(points[i].y)}; };
  if (kind == CurveKind::Bezier) {
    for (std::size_t f = 0; f + 4 <= n; f += 3) sample({at(f), at(f + 1), at(f + 2), at(f + 3)});
  } else {
    for (std::size_t f = 0; f + 4 <= n; ++f)
      sample(bench::BSplineAsBezier(points[f], points[f + 1], points[f + 2], points[f + 3]));
  }

  int lit = 0;
  for (int r = 0; r < WindowSize; ++r)
    for (int c = 0; c < WindowSize; ++c)
      if (peer.Lit(c, r)) {
        ++lit;
        EXPECT_TRUE(near[r][c]) << "stray pixel at column " << c << ", row " << r;
      }
  EXPECT_EQ(lit > 0, !onCurve.empty());
  for (auto [c, r] : onCurve) {
    if (c < 1 || r < 1 || c >= WindowSize - 1 || r >= WindowSize - 1) continue;
    bool found = false;
    for (int dc = -1; dc <= 1 && !found; ++dc)
      for (int dr = -1; dr <= 1 && !found; ++dr) found = peer.Lit(c + dc, r + dr);
    ASSERT_TRUE(found) << "curve missing near column " << c << ", row " << r;
  }
}

TEST(CairoPeer, StrokesExactlyTheEditorsSegments) {
  struct Case {
    std::vector<Point> points;
    CurveKind kind;
  };
  const std::vector<Point> typical = bench::TypicalScene().points;
  const Case cases[] = {
      {typical, CurveKind::Bezier},
      {typical, CurveKind::BSpline},
      // Trailing points that do not complete a group draw nothing more.
      {{typical.begin(), typical.begin() + 6}, CurveKind::Bezier},
      {bench::SeededPoints(40, 3), CurveKind::Bezier},
      {bench::SeededPoints(40, 3), CurveKind::BSpline},
      // Fewer than four points: no curve at all.
      {{{10, 10}, {200, 300}, {400, 20}}, CurveKind::BSpline},
      {{}, CurveKind::Bezier},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.points.size() << " points, " << bench::KindName(c.kind));
    ExpectDrawsTheCurve(c.points, c.kind);
  }
}

TEST(CairoPeer, EveryFrameStartsFromBlack) {
  bench::CairoPeer peer;
  peer.Draw(bench::SeededPoints(40, 3), CurveKind::BSpline);
  peer.Draw({}, CurveKind::BSpline);
  for (int r = 0; r < WindowSize; ++r)
    for (int c = 0; c < WindowSize; ++c) ASSERT_FALSE(peer.Lit(c, r)) << c << "," << r;
}

}  // namespace
