// The few OpenGL entry points the editor calls, drawing into a WindowSize x
// WindowSize RGBA software framebuffer that the page puts on its canvas at
// each buffer swap.
//
// Only what the editor does is rendered: the colour clear, and GL_POINTS of
// size 1 and 2 in the current colour. Points are rasterised as aliased GL
// points are on the desktop (a size-1 point at (x, y) lights column x, row
// 499 - y; a size-2 point columns x - 1 and x, rows 499 - y and 500 - y),
// under the one projection the editor ever sets: one unit per pixel with the
// origin at the bottom-left corner. So the viewport and matrix calls have
// nothing left to change and are accepted without effect. Every call comes
// from the editor's own code, never from the page, so what it never does
// (another primitive, point size or clear, a colour outside 0..1) is only
// asserted against.
#include <GL/gl.h>

#include <algorithm>
#include <cassert>
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
  bool markerSize = false;                    // points of size 2 rather than 1
  std::uint32_t pixels[WindowSize * WindowSize] = {};
};

GlState gl;

std::uint32_t ToByte(GLclampf c) {
  assert(c >= 0.0f && c <= 1.0f);
  return static_cast<std::uint32_t>(std::lround(c * 255.0f));
}

// Rows count down from the top. Points are not clipped before they get
// here: a marker may hang over the edge, and a dragged point may lie far
// outside the window.
void Light(long long column, long long row) {
  if (static_cast<unsigned long long>(column) < WindowSize && static_cast<unsigned long long>(row) < WindowSize) {
    gl.pixels[row * WindowSize + column] = gl.color;
  }
}

}  // namespace

const std::uint32_t* FramebufferPixels() { return gl.pixels; }

extern "C" {

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf /*a*/) {
  gl.clearColor = Rgba(ToByte(r), ToByte(g), ToByte(b));
}

void glClear([[maybe_unused]] GLbitfield mask) {
  assert(mask == GL_COLOR_BUFFER_BIT);
  std::fill(std::begin(gl.pixels), std::end(gl.pixels), gl.clearColor);
}

void glColor3ubv(const GLubyte* v) { gl.color = Rgba(v[0], v[1], v[2]); }

void glPointSize(GLfloat size) {
  assert(size == 1.0f || size == 2.0f);
  gl.markerSize = size == 2.0f;
}

void glBegin([[maybe_unused]] GLenum mode) { assert(mode == GL_POINTS); }

void glEnd(void) {}

void glVertex2i(GLint x, GLint y) {
  const long long row = WindowSize - 1 - static_cast<long long>(y);
  Light(x, row);
  if (gl.markerSize) {
    // The 2 x 2 square whose top-right pixel is the size-1 one.
    Light(x - 1LL, row);
    Light(x, row + 1);
    Light(x - 1LL, row + 1);
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
