// The few OpenGL entry points the editor calls, drawing into a 500 x 500 RGBA
// software framebuffer that the page puts on its canvas at each buffer swap.
//
// Only what the editor uses is rendered: the colour clear, and GL_POINTS of
// size 1 and 2 in the current colour. Points are rasterised as aliased GL
// points are on the desktop (a size-1 point at (x, y) lights column x, row
// 499 - y; a size-2 point columns x - 1 and x, rows 499 - y and 500 - y),
// under the one projection the editor ever sets: one unit per pixel with the
// origin at the bottom-left corner. So the viewport and matrix calls have
// nothing left to change and are accepted without effect.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "web/page.h"

namespace {

// Canvas image data is R, G, B, A in memory; the window has no alpha, so
// every pixel is opaque whatever alpha a colour was given.
constexpr std::uint32_t Rgba(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return r | (g << 8) | (b << 16) | 0xFF000000u;
}

struct GlState {
  std::uint32_t clearColor = Rgba(0, 0, 0);
  std::uint32_t color = Rgba(255, 255, 255);  // GL's initial current colour
  int pointSize = 1;
  bool drawingPoints = false;  // inside glBegin(GL_POINTS) .. glEnd
  std::uint32_t pixels[CanvasSize * CanvasSize] = {};
};

GlState gl;

std::uint32_t ToByte(GLclampf c) {
  const float clamped = std::clamp(std::isnan(c) ? 0.0f : c, 0.0f, 1.0f);
  return static_cast<std::uint32_t>(std::lround(clamped * 255.0f));
}

}  // namespace

const std::uint32_t* FramebufferPixels() { return gl.pixels; }

extern "C" {

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf /*a*/) {
  gl.clearColor = Rgba(ToByte(r), ToByte(g), ToByte(b));
}

void glClear(GLbitfield mask) {
  if (mask & GL_COLOR_BUFFER_BIT) std::fill(std::begin(gl.pixels), std::end(gl.pixels), gl.clearColor);
}

void glColor3ubv(const GLubyte* v) { gl.color = Rgba(v[0], v[1], v[2]); }

void glPointSize(GLfloat size) {
  // Aliased points are squares of the size rounded to an integer, at least 1.
  gl.pointSize = std::isnan(size) ? 1 : static_cast<int>(std::clamp(std::lround(size), 1L, 64L));
}

void glBegin(GLenum mode) { gl.drawingPoints = mode == GL_POINTS; }

void glEnd(void) { gl.drawingPoints = false; }

void glVertex2i(GLint x, GLint y) {
  if (!gl.drawingPoints) return;
  const int size = gl.pointSize;
  if (size == 1) {
    // The curve pass: hundreds of thousands of these per dense frame.
    const int row = CanvasSize - 1 - y;
    if (static_cast<unsigned>(x) < CanvasSize && static_cast<unsigned>(row) < CanvasSize) {
      gl.pixels[row * CanvasSize + x] = gl.color;
    }
    return;
  }
  // A square of `size` pixels. An odd size is centred on the pixel whose
  // corner is the vertex; an even size on the vertex itself, so it reaches
  // size / 2 pixels to the left and below. Rows count down from the top.
  const long long left = static_cast<long long>(x) - size / 2;
  const long long top = static_cast<long long>(CanvasSize) - 1 - y - (size - 1) / 2;
  for (long long r = std::max(top, 0LL); r < std::min(top + size, static_cast<long long>(CanvasSize)); ++r) {
    for (long long c = std::max(left, 0LL); c < std::min(left + size, static_cast<long long>(CanvasSize)); ++c) {
      gl.pixels[r * CanvasSize + c] = gl.color;
    }
  }
}

void glFlush(void) {}

// The editor's one projection (set on every reshape) is the framebuffer's own
// mapping; see the note at the top.
void glViewport(GLint, GLint, GLsizei, GLsizei) {}
void glMatrixMode(GLenum) {}
void glLoadIdentity(void) {}
void glOrtho(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble) {}

}  // extern "C"
