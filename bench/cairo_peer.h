// The peer renderer: the same curves drawn by cairo, a general-purpose 2D
// library, into a 500 x 500 image, so a frame's cost can be set against what
// a widely used rasteriser needs for the same picture.
#pragma once

#include <cairo.h>

#include <array>
#include <cstdint>
#include <vector>

#include "points/editor_state.h"

namespace bench {

struct XY {
  double x;
  double y;
};

// The cubic Bezier control points B0..B3 that trace exactly the uniform cubic
// B-spline segment controlled by p0..p3 (the editor's segment from t = 0 to 1):
// B0 = (p0 + 4p1 + p2)/6, B1 = (2p1 + p2)/3, B2 = (p1 + 2p2)/3,
// B3 = (p1 + 4p2 + p3)/6.
std::array<XY, 4> BSplineAsBezier(Point p0, Point p1, Point p2, Point p3);

// Where the editor's pixel (x, y) has its centre in cairo's user space:
// cairo counts rows from the top, and pixel centres sit at half units.
XY PixelCentre(double x, double y);

class CairoPeer {
 public:
  // A 500 x 500 ARGB image, stroked 1 pixel wide without antialiasing in the
  // editor's point colour. Aborts the program if cairo cannot make it.
  CairoPeer();
  ~CairoPeer();
  CairoPeer(const CairoPeer&) = delete;
  CairoPeer& operator=(const CairoPeer&) = delete;

  // One frame: clears the image to black, then strokes every segment the
  // editor would draw for these points in this kind (Bezier groups of four
  // sharing end points; every B-spline window of four, as its Bezier form)
  // as one path.
  void Draw(const std::vector<Point>& points, CurveKind kind);

  // Whether the pixel in column `col`, row `row` (from the top) is not black.
  bool Lit(int col, int row) const;

 private:
  cairo_surface_t* surface;
  cairo_t* cr;
};

}  // namespace bench
