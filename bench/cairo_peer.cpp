#include "bench/cairo_peer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/scenes.h"

namespace bench {

std::array<XY, 4> BSplineAsBezier(Point p0, Point p1, Point p2, Point p3) {
  auto mix = [](double a, double b, double c, double wa, double wb, double wc, double scale) {
    return (wa * a + wb * b + wc * c) * scale;
  };
  constexpr double sixth = 1.0 / 6.0;
  constexpr double third = 1.0 / 3.0;
  return {{
      {mix(p0.x, p1.x, p2.x, 1, 4, 1, sixth), mix(p0.y, p1.y, p2.y, 1, 4, 1, sixth)},
      {mix(p1.x, p2.x, 0, 2, 1, 0, third), mix(p1.y, p2.y, 0, 2, 1, 0, third)},
      {mix(p1.x, p2.x, 0, 1, 2, 0, third), mix(p1.y, p2.y, 0, 1, 2, 0, third)},
      {mix(p1.x, p2.x, p3.x, 1, 4, 1, sixth), mix(p1.y, p2.y, p3.y, 1, 4, 1, sixth)},
  }};
}

XY PixelCentre(double x, double y) { return {x + 0.5, (WindowSize - 1 - y) + 0.5}; }

CairoPeer::CairoPeer()
    : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, WindowSize, WindowSize)),
      cr(cairo_create(surface)) {
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS || cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "cairo: cannot create a %dx%d image\n", WindowSize, WindowSize);
    std::exit(1);
  }
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(cr, 1.0);
}

CairoPeer::~CairoPeer() {
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

void CairoPeer::Draw(const std::vector<Point>& points, CurveKind kind) {
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_set_source_rgb(cr, PointColor[0] / 255.0, PointColor[1] / 255.0, PointColor[2] / 255.0);

  const auto n = static_cast<std::int32_t>(points.size());
  auto move = [&](XY p) {
    const XY c = PixelCentre(p.x, p.y);
    cairo_move_to(cr, c.x, c.y);
  };
  auto curve = [&](XY a, XY b, XY d) {
    const XY ca = PixelCentre(a.x, a.y), cb = PixelCentre(b.x, b.y), cd = PixelCentre(d.x, d.y);
    cairo_curve_to(cr, ca.x, ca.y, cb.x, cb.y, cd.x, cd.y);
  };
  auto at = [&](std::int32_t i) { return XY{double(points[i].x), double(points[i].y)}; };

  if (kind == CurveKind::Bezier) {
    for (std::int32_t first = 0; first + 4 <= n; first += 3) {
      move(at(first));
      curve(at(first + 1), at(first + 2), at(first + 3));
    }
  } else {
    for (std::int32_t first = 0; first + 4 <= n; ++first) {
      const auto b = BSplineAsBezier(points[first], points[first + 1], points[first + 2], points[first + 3]);
      move(b[0]);
      curve(b[1], b[2], b[3]);
    }
  }
  cairo_stroke(cr);
  cairo_surface_flush(surface);
}

bool CairoPeer::Lit(int col, int row) const {
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  std::uint32_t pixel;
  std::memcpy(&pixel, data + row * stride + col * 4, 4);
  return (pixel & 0x00FFFFFFu) != 0;
}

}  // namespace bench
