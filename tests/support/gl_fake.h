// Recording stand-in for the few OpenGL and GLUT entry points the editor calls.
// Test binaries link this library instead of the real GL and GLUT libraries, so
// production code keeps calling OpenGL directly while a test sees every call,
// in order, with its arguments. Nothing here draws anything.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace glfake {

// One recorded call: the entry point's full name, "gl" or "glut" prefix
// included (e.g. "glVertex2i"), its numeric arguments in order, and its
// string argument where it has one (window title, menu label).
struct Call {
  std::string name;
  std::vector<double> args;
  std::string text;
};

// Callbacks that the program registered with the toolkit, so a test can
// invoke them as the toolkit would.
struct Callbacks {
  void (*display)() = nullptr;
  void (*reshape)(int, int) = nullptr;
  void (*mouse)(int, int, int, int) = nullptr;
  void (*motion)(int, int) = nullptr;
  void (*passiveMotion)(int, int) = nullptr;
  void (*keyboard)(unsigned char, int, int) = nullptr;
  void (*menu)(int) = nullptr;
  void (*error)(const char*, va_list) = nullptr;
};

// Forget every recorded call and counter; registered callbacks and the
// modifier state are kept unless `everything` is true.
void Reset(bool everything = false);

// The in-order log of every call since the last Reset.
const std::vector<Call>& Log();

// Only the names of the logged calls, in order (handy for call-sequence checks).
std::vector<std::string> Names();

// The (x, y) of every glVertex2i since the last Reset, in emission order.
const std::vector<std::pair<int, int>>& Vertices();

// How many calls of one entry point were made since the last Reset; counted
// even while recording is off.
std::size_t Count(const std::string& name);
std::size_t VertexCount();

// With recording off, calls are only counted (no log, no vertex list): for
// long soak runs and benchmarks that would otherwise store millions of calls.
void SetRecording(bool on);

// The value glutGetModifiers() returns (GLUT_ACTIVE_SHIFT = 1, ...).
void SetModifiers(int modifiers);
// The height glutGet(GLUT_WINDOW_HEIGHT) returns: 500, the pinned size,
// unless a test plays a window manager that imposed another.
void SetWindowHeight(int height);

const Callbacks& Registered();

// A call as short text, name(args)"label", arguments without trailing zeros
// (glOrtho(0,500,0,500,1,-1)), so a test compares a whole call sequence with
// a written-out list and a mismatch prints readably.
std::string Show(const Call& c);
// The whole log since the last Reset as such text, one entry per call.
std::vector<std::string> ShownLog();

}  // namespace glfake
