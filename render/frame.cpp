#include "render/frame.h"

#include <GL/gl.h>

#include <GL/freeglut_std.h>

#include "points/editor_state.h"
#include "render/bezier.h"
#include "render/bspline.h"

void DrawPointMarker(std::int32_t x, std::int32_t y) {
  glColor3ubv(PointColor);
  glVertex2i(x, y);
}

namespace {

// Bezier segments share their end points: groups start at 0, 3, 6, ... and
// trailing points that do not complete a group of four draw no curve.
void DrawBezierCurves(std::int32_t count) {
  for (std::int32_t first = 0; first < count; first += 3) {
    if (first + 4 <= count) DrawBezierSegment(first);
  }
}

// One B-spline segment for every window of four consecutive points.
void DrawBSplineCurves(std::int32_t count) {
  for (std::int32_t first = 0; first < count - 3; ++first) DrawBSplineSegment(first);
}

}  // namespace

void OnDisplay() {
  const PointList& points = editorState.points;

  glClear(GL_COLOR_BUFFER_BIT);

  // Markers first, at twice the size, so curve pixels are drawn over them.
  glPointSize(2.0f);
  glBegin(GL_POINTS);
  for (std::int32_t i = 0; i < points.count; ++i) DrawPointMarker(points.items[i].x, points.items[i].y);
  glEnd();

  // The whole curve pass is one point batch: the renderers only emit vertices.
  glPointSize(1.0f);
  glBegin(GL_POINTS);
  if (editorState.curveKind == CurveKind::Bezier) {
    DrawBezierCurves(points.count);
  } else {
    DrawBSplineCurves(points.count);
  }
  glEnd();

  glFlush();
  glutSwapBuffers();
}
