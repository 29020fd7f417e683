// The GLUT entry points the editor calls, for the browser page: the window is
// the page's canvas, the callbacks are driven by its DOM events (its modules
// enter through the Web* functions below), the pop-up menu is an HTML list,
// and a redisplay request becomes one animation frame.
#include <GL/freeglut_std.h>
#include <emscripten/em_js.h>
#include <emscripten/emscripten.h>

#include <cassert>
#include <string>
#include <vector>

#include "app/dialogue.h"
#include "app/size_hints.h"
#include "web/page.h"

namespace {

struct MenuEntry {
  std::string label;
  int value;
};

struct Toolkit {
  void (*display)() = nullptr;
  void (*reshape)(int, int) = nullptr;
  void (*mouse)(int, int, int, int) = nullptr;
  void (*motion)(int, int) = nullptr;
  void (*passiveMotion)(int, int) = nullptr;
  void (*keyboard)(unsigned char, int, int) = nullptr;
  void (*menu)(int) = nullptr;
  std::vector<MenuEntry> entries;
  // Valid only while a mouse or keyboard callback runs, as in GLUT.
  int modifiers = 0;
};

Toolkit toolkit;

}  // namespace

// The page's side of each call (web/page/main.js defines Module.page).
EM_JS(void, PageSetTitle, (const char* title), { Module.page.setTitle(UTF8ToString(title)); });
EM_JS(void, PageSetMenuEntry, (int position, const char* label),
      { Module.page.setMenuEntry(position, UTF8ToString(label)); });
EM_JS(void, PageClearMenu, (), { Module.page.clearMenu(); });
EM_JS(void, PageAttachMenu, (int button), { Module.page.attachMenu(button); });
EM_JS(void, PagePostRedisplay, (), { Module.page.postRedisplay(); });
// The framebuffer's own size goes with it, so that the page never reads
// more or less of the program's memory than the frame takes.
EM_JS(void, PagePresent, (const void* pixels, int width, int height),
      { Module.page.present(pixels, width, height); });
EM_JS(void, PageSetWindowSize, (int width, int height), { Module.page.setWindowSize(width, height); });


extern "C" {

void glutInitDisplayMode(unsigned int) {}
// The canvas is the window: its buffer takes the size the program asks for,
// and the page chooses how large to show it. The page has no way to resize a
// window, so a later request changes nothing.
void glutInitWindowSize(int width, int height) { PageSetWindowSize(width, height); }
void glutReshapeWindow(int, int) {}
// The canvas always has the size asked for; the page is its only manager.
int glutGet(GLenum query) { return query == GLUT_WINDOW_WIDTH || query == GLUT_WINDOW_HEIGHT ? WindowSize : 0; }

void glutInit(int*, char**) {
  // The page has no terminal: the dialogue reads what is typed on the page.
  SetDialogueInput(PageInput());
}

int glutCreateWindow(const char* title) {
  PageSetTitle(title);
  return 1;
}

void glutDisplayFunc(void (*callback)()) { toolkit.display = callback; }
void glutReshapeFunc(void (*callback)(int, int)) { toolkit.reshape = callback; }
void glutMouseFunc(void (*callback)(int, int, int, int)) { toolkit.mouse = callback; }
void glutMotionFunc(void (*callback)(int, int)) { toolkit.motion = callback; }
void glutPassiveMotionFunc(void (*callback)(int, int)) { toolkit.passiveMotion = callback; }
void glutKeyboardFunc(void (*callback)(unsigned char, int, int)) { toolkit.keyboard = callback; }

int glutGetModifiers(void) { return toolkit.modifiers; }

// The editor builds one menu; a new one replaces it.
int glutCreateMenu(void (*callback)(int)) {
  toolkit.menu = callback;
  toolkit.entries.clear();
  PageClearMenu();
  return 1;
}

void glutAddMenuEntry(const char* label, int value) {
  toolkit.entries.push_back(MenuEntry{label, value});
  PageSetMenuEntry(static_cast<int>(toolkit.entries.size()), label);
}

// `item` counts from 1, as in GLUT. The editor only relabels entries it
// added.
void glutChangeToMenuEntry(int item, const char* label, int value) {
  assert(item >= 1 && item <= static_cast<int>(toolkit.entries.size()));
  toolkit.entries[item - 1] = MenuEntry{label, value};
  PageSetMenuEntry(item, label);
}

void glutAttachMenu(int button) { PageAttachMenu(button); }

void glutPostRedisplay(void) { PagePostRedisplay(); }

void glutSwapBuffers(void) { PagePresent(FramebufferPixels(), WindowSize, WindowSize); }

// The browser runs the event loop: the window is shown (the first reshape,
// then a first frame), and control goes back to the page.
void glutMainLoop(void) {
  WebReshape();
  glutPostRedisplay();
}

// ---- entered by the page ----

EMSCRIPTEN_KEEPALIVE void WebReshape() {
  if (toolkit.reshape) toolkit.reshape(WindowSize, WindowSize);
}

EMSCRIPTEN_KEEPALIVE void WebDisplay() {
  if (toolkit.display) toolkit.display();
}

EMSCRIPTEN_KEEPALIVE void WebMouse(int button, int state, int x, int y, int modifiers) {
  if (!toolkit.mouse) return;
  toolkit.modifiers = modifiers;
  toolkit.mouse(button, state, x, y);
  toolkit.modifiers = 0;
}

EMSCRIPTEN_KEEPALIVE void WebMotion(int x, int y, int buttonHeld) {
  auto* callback = buttonHeld ? toolkit.motion : toolkit.passiveMotion;
  if (callback) callback(x, y);
}

// May wait for a typed line (the 't' and 'n' dialogues): the page enters it
// as an asynchronous call.
EMSCRIPTEN_KEEPALIVE void WebKeyboard(int key, int x, int y, int modifiers) {
  if (!toolkit.keyboard) return;
  toolkit.modifiers = modifiers;
  toolkit.keyboard(static_cast<unsigned char>(key), x, y);
  toolkit.modifiers = 0;
}

// `item` counts from 1, as the page numbers its entries; one the menu does
// not have chooses nothing.
EMSCRIPTEN_KEEPALIVE void WebMenu(int item) {
  if (!toolkit.menu || item < 1 || item > static_cast<int>(toolkit.entries.size())) return;
  toolkit.menu(toolkit.entries[item - 1].value);
}

}  // extern "C"

// No window manager sizes the canvas.
void HintFixedWindowSize() {}
