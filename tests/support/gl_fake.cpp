#include "gl_fake.h"

#include <GL/gl.h>
#include <GL/freeglut_std.h>
#include <GL/freeglut_ext.h>

#include <array>
#include <initializer_list>
#include <map>

namespace glfake {
namespace {

struct State {
  std::vector<Call> log;
  std::vector<std::pair<int, int>> vertices;
  std::map<std::string, std::size_t> counts;
  std::size_t vertexCount = 0;
  bool recording = true;
  int modifiers = 0;
  int nextMenu = 1;
  Callbacks callbacks;
};

State& S() {
  static State state;
  return state;
}

void Record(const char* name, std::initializer_list<double> args, const char* text = nullptr) {
  State& s = S();
  ++s.counts[name];
  if (!s.recording) return;
  s.log.push_back(Call{name, std::vector<double>(args), text ? std::string(text) : std::string()});
}

}  // namespace

void Reset(bool everything) {
  State& s = S();
  s.log.clear();
  s.vertices.clear();
  s.counts.clear();
  s.vertexCount = 0;
  s.recording = true;
  if (everything) {
    s.modifiers = 0;
    s.nextMenu = 1;
    s.callbacks = Callbacks{};
  }
}

const std::vector<Call>& Log() { return S().log; }

std::vector<std::string> Names() {
  std::vector<std::string> names;
  names.reserve(S().log.size());
  for (const Call& c : S().log) names.push_back(c.name);
  return names;
}

const std::vector<std::pair<int, int>>& Vertices() { return S().vertices; }

std::size_t Count(const std::string& name) {
  auto it = S().counts.find(name);
  return it == S().counts.end() ? 0 : it->second;
}

std::size_t VertexCount() { return S().vertexCount; }

void SetRecording(bool on) { S().recording = on; }

void SetModifiers(int modifiers) { S().modifiers = modifiers; }

const Callbacks& Registered() { return S().callbacks; }

}  // namespace glfake

using glfake::Record;
using glfake::S;

extern "C" {

// ---- OpenGL ----
void glBegin(GLenum mode) { Record("glBegin", {double(mode)}); }
void glEnd(void) { Record("glEnd", {}); }
void glVertex2i(GLint x, GLint y) {
  auto& s = S();
  ++s.vertexCount;
  if (!s.recording) return;  // vertices are the hot path: skip the name map too
  s.vertices.emplace_back(x, y);
  s.log.push_back(glfake::Call{"glVertex2i", {double(x), double(y)}, {}});
}
void glColor3ubv(const GLubyte* v) { Record("glColor3ubv", {double(v[0]), double(v[1]), double(v[2])}); }
void glPointSize(GLfloat size) { Record("glPointSize", {double(size)}); }
void glClear(GLbitfield mask) { Record("glClear", {double(mask)}); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
  Record("glClearColor", {double(r), double(g), double(b), double(a)});
}
void glFlush(void) { Record("glFlush", {}); }
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
  Record("glViewport", {double(x), double(y), double(w), double(h)});
}
void glMatrixMode(GLenum mode) { Record("glMatrixMode", {double(mode)}); }
void glLoadIdentity(void) { Record("glLoadIdentity", {}); }
void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
  Record("glOrtho", {l, r, b, t, n, f});
}

// ---- GLUT ----
void glutInit(int* pargc, char** argv) {
  Record("glutInit", {double(pargc ? *pargc : -1)}, (argv && pargc && *pargc > 0) ? argv[0] : nullptr);
}
void glutInitWindowSize(int w, int h) { Record("glutInitWindowSize", {double(w), double(h)}); }
void glutInitDisplayMode(unsigned int mode) { Record("glutInitDisplayMode", {double(mode)}); }
void glutMainLoop(void) { Record("glutMainLoop", {}); }
int glutCreateWindow(const char* title) {
  Record("glutCreateWindow", {}, title);
  return 1;
}
void glutReshapeWindow(int w, int h) { Record("glutReshapeWindow", {double(w), double(h)}); }
void glutPostRedisplay(void) { Record("glutPostRedisplay", {}); }
void glutSwapBuffers(void) { Record("glutSwapBuffers", {}); }
int glutCreateMenu(void (*callback)(int)) {
  S().callbacks.menu = callback;
  Record("glutCreateMenu", {});
  return S().nextMenu++;
}
void glutAddMenuEntry(const char* label, int value) { Record("glutAddMenuEntry", {double(value)}, label); }
void glutChangeToMenuEntry(int item, const char* label, int value) {
  Record("glutChangeToMenuEntry", {double(item), double(value)}, label);
}
void glutAttachMenu(int button) { Record("glutAttachMenu", {double(button)}); }
void glutKeyboardFunc(void (*cb)(unsigned char, int, int)) {
  S().callbacks.keyboard = cb;
  Record("glutKeyboardFunc", {});
}
void glutReshapeFunc(void (*cb)(int, int)) {
  S().callbacks.reshape = cb;
  Record("glutReshapeFunc", {});
}
void glutDisplayFunc(void (*cb)(void)) {
  S().callbacks.display = cb;
  Record("glutDisplayFunc", {});
}
void glutMouseFunc(void (*cb)(int, int, int, int)) {
  S().callbacks.mouse = cb;
  Record("glutMouseFunc", {});
}
void glutMotionFunc(void (*cb)(int, int)) {
  S().callbacks.motion = cb;
  Record("glutMotionFunc", {});
}
void glutPassiveMotionFunc(void (*cb)(int, int)) {
  S().callbacks.passiveMotion = cb;
  Record("glutPassiveMotionFunc", {});
}
void glutInitErrorFunc(void (*cb)(const char*, va_list)) {
  S().callbacks.error = cb;
  Record("glutInitErrorFunc", {});
}
int glutGetModifiers(void) {
  Record("glutGetModifiers", {});
  return S().modifiers;
}

}  // extern "C"
