#include "bench/gl_noop.h"

#include <GL/gl.h>
#include <GL/freeglut_std.h>

#include <cstring>

namespace noop {

namespace {

Counters counters;
Stream* capture = nullptr;

void Push(Op op, std::uint32_t value = 0, const unsigned char* color = nullptr) {
  capture->entries.push_back(Entry{op, value, color, 0, 0});
}

}  // namespace

void ResetCounters() { counters = Counters{}; }

const Counters& Get() { return counters; }

void BeginCapture(Stream& into) {
  into.entries.clear();
  into.xy.clear();
  capture = &into;
}

void EndCapture() { capture = nullptr; }

Counters CaptureFrame(Stream& into, void (*frame)()) {
  BeginCapture(into);
  ResetCounters();
  frame();
  EndCapture();
  return counters;
}

void Replay(const Stream& stream) {
  const std::int32_t* xy = stream.xy.data();
  for (const Entry& e : stream.entries) {
    switch (e.op) {
      case Op::Clear: glClear(e.value); break;
      case Op::PointSize: {
        float size;
        std::memcpy(&size, &e.value, sizeof size);
        glPointSize(size);
        break;
      }
      case Op::Begin: glBegin(e.value); break;
      case Op::End: glEnd(); break;
      case Op::Color: glColor3ubv(e.color); break;
      case Op::Vertices: {
        const std::int32_t* p = xy + 2 * std::size_t{e.first};
        for (std::uint32_t i = 0; i < e.count; ++i, p += 2) glVertex2i(p[0], p[1]);
        break;
      }
      case Op::Flush: glFlush(); break;
      case Op::Swap: glutSwapBuffers(); break;
    }
  }
}

}  // namespace noop

using noop::capture;
using noop::counters;
using noop::Op;
using noop::Push;

extern "C" {

void glVertex2i(GLint x, GLint y) {
  ++counters.calls;
  ++counters.vertices;
  // Cheap but order-sensitive, so a replay that reorders or drops a vertex
  // cannot reproduce the frame's checksum.
  counters.checksum = counters.checksum * 1000003u + ((static_cast<std::uint32_t>(x) << 16) ^ static_cast<std::uint32_t>(y));
  if (capture) {
    auto& entries = capture->entries;
    if (entries.empty() || entries.back().op != Op::Vertices) {
      entries.push_back(noop::Entry{Op::Vertices, 0, nullptr, static_cast<std::uint32_t>(capture->xy.size() / 2), 0});
    }
    ++entries.back().count;
    capture->xy.push_back(x);
    capture->xy.push_back(y);
  }
}

void glBegin(GLenum mode) {
  ++counters.calls;
  if (capture) Push(Op::Begin, mode);
}

void glEnd(void) {
  ++counters.calls;
  if (capture) Push(Op::End);
}

void glColor3ubv(const GLubyte* v) {
  ++counters.calls;
  if (capture) Push(Op::Color, 0, v);
}

void glPointSize(GLfloat size) {
  ++counters.calls;
  if (capture) {
    std::uint32_t bits;
    std::memcpy(&bits, &size, sizeof bits);
    Push(Op::PointSize, bits);
  }
}

void glClear(GLbitfield mask) {
  ++counters.calls;
  if (capture) Push(Op::Clear, mask);
}

void glFlush(void) {
  ++counters.calls;
  if (capture) Push(Op::Flush);
}

void glutSwapBuffers(void) {
  ++counters.calls;
  if (capture) Push(Op::Swap);
}

}  // extern "C"
