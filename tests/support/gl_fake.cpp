#include "gl_fake.h"

#include <GL/gl.h>
#include <GL/freeglut_std.h>
#include <GL/freeglut_ext.h>

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
  int windowHeight = 500;
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

// Keeps a callback the program hands to the toolkit, and logs the call.
template <class F>
void Register(F Callbacks::*slot, F callback, const char* name) {
  S().callbacks.*slot = callback;
  Record(name, {});
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
    s.windowHeight = 500;
    s.nextMenu = 1;
    s.callbacks = Callbacks{};
  }
}

const std::vector<Call>& Log() { return S().log; }

std::vector<std::string> Names() {
  std::vector<std::string> names;
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

void SetWindowHeight(int height) { S().windowHeight = height; }

const Callbacks& Registered() { return S().callbacks; }

std::string Show(const Call& c) {
  std::string s = c.name + "(";
  for (std::size_t i = 0; i < c.args.size(); ++i) {
    if (i) s += ",";
    std::string a = std::to_string(c.args[i]);
    while (a.back() == '0') a.pop_back();
    if (a.back() == '.') a.pop_back();
    s += a;
  }
  s += ")";
  if (!c.text.empty()) s += "\"" + c.text + "\"";
  return s;
}

std::vector<std::string> ShownLog() {
  std::vector<std::string> out;
  for (const Call& c : Log()) out.push_back(Show(c));
  return out;
}

}  // namespace glfake

using glfake::Callbacks;
using glfake::Record;
using glfake::Register;
using glfake::S;

extern "C" {

// ---- OpenGL ----
void glBegin(GLenum mode) { Record(__func__, {double(mode)}); }
void glEnd(void) { Record(__func__, {}); }
void glVertex2i(GLint x, GLint y) {
  auto& s = S();
  ++s.vertexCount;
  if (!s.recording) return;  // vertices are the hot path: skip the name map too
  s.vertices.emplace_back(x, y);
  s.log.push_back(glfake::Call{"glVertex2i", {double(x), double(y)}, {}});
}
void glColor3ubv(const GLubyte* v) { Record(__func__, {double(v[0]), double(v[1]), double(v[2])}); }
void glPointSize(GLfloat size) { Record(__func__, {double(size)}); }
void glClear(GLbitfield mask) { Record(__func__, {double(mask)}); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
  Record(__func__, {double(r), double(g), double(b), double(a)});
}
void glFlush(void) { Record(__func__, {}); }
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
  Record(__func__, {double(x), double(y), double(w), double(h)});
}
void glMatrixMode(GLenum mode) { Record(__func__, {double(mode)}); }
void glLoadIdentity(void) { Record(__func__, {}); }
void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
  Record(__func__, {l, r, b, t, n, f});
}

// ---- GLUT ----
void glutInit(int* pargc, char** argv) {
  Record(__func__, {double(pargc ? *pargc : -1)}, (argv && pargc && *pargc > 0) ? argv[0] : nullptr);
}
void glutInitWindowSize(int w, int h) { Record(__func__, {double(w), double(h)}); }
void glutInitDisplayMode(unsigned int mode) { Record(__func__, {double(mode)}); }
int glutCreateWindow(const char* title) {
  Record(__func__, {}, title);
  return 1;
}
void glutReshapeWindow(int w, int h) { Record(__func__, {double(w), double(h)}); }
void glutPostRedisplay(void) { Record(__func__, {}); }
void glutSwapBuffers(void) { Record(__func__, {}); }
int glutCreateMenu(void (*callback)(int)) {
  Register(&Callbacks::menu, callback, __func__);
  return S().nextMenu++;
}
void glutAddMenuEntry(const char* label, int value) { Record(__func__, {double(value)}, label); }
void glutChangeToMenuEntry(int item, const char* label, int value) {
  Record(__func__, {double(item), double(value)}, label);
}
void glutAttachMenu(int button) { Record(__func__, {double(button)}); }
void glutKeyboardFunc(void (*cb)(unsigned char, int, int)) { Register(&Callbacks::keyboard, cb, __func__); }
void glutReshapeFunc(void (*cb)(int, int)) { Register(&Callbacks::reshape, cb, __func__); }
void glutDisplayFunc(void (*cb)(void)) { Register(&Callbacks::display, cb, __func__); }
void glutMouseFunc(void (*cb)(int, int, int, int)) { Register(&Callbacks::mouse, cb, __func__); }
void glutMotionFunc(void (*cb)(int, int)) { Register(&Callbacks::motion, cb, __func__); }
void glutPassiveMotionFunc(void (*cb)(int, int)) { Register(&Callbacks::passiveMotion, cb, __func__); }
void glutInitErrorFunc(void (*cb)(const char*, va_list)) { Register(&Callbacks::error, cb, __func__); }
// Only the window's height is asked for; any other query answers 0.
int glutGet(GLenum query) {
  Record(__func__, {double(query)});
  return query == GLUT_WINDOW_HEIGHT ? S().windowHeight : 0;
}
int glutGetModifiers(void) {
  Record(__func__, {});
  return S().modifiers;
}

}  // extern "C"
