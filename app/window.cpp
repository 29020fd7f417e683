#include "app/window.h"

#include <GL/gl.h>

#include <GL/freeglut_std.h>
// The error hook is a freeglut extension; a GLUT without it keeps its own
// messages.
#if __has_include(<GL/freeglut_ext.h>)
#include <GL/freeglut_ext.h>
#define BEZIER_HAS_ERROR_HOOK 1
#endif

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/input.h"
#include "app/menu.h"
#include "points/editor_state.h"
#include "render/frame.h"

void PrintHelp() {
  constexpr const char* lines[] = {
      " Controls done by mouse:",
      "  left: Place point",
      "  shift-left: delete point",
      "  middle-drag: move point",
      "  right: Popup menu (includes:",
      "    clear function",
      "    choice of spline types",
      "    toggle 3D-rotation)",
      " Controsl done by keyboard:",
      "  t: Sets tolerance for when deCasteljau's should stop",
      "     (Default: 5; Good value for wireframe: 20)",
      "  n: Sets the number of steps used in B-spline evaluation",
      "     (Default: 25; Good value for wireframe: 10)",
  };
  for (const char* line : lines) std::printf("%s\n", line);
}

void OnToolkitError(const char* format, va_list args) {
  // The toolkit reports a display it cannot open with this format and the
  // display's name; its own wording ("failed to open display ''") names
  // neither the program nor what to do.
  constexpr const char* noDisplay = "failed to open display";
  std::fflush(stdout);
  if (format != nullptr && std::strncmp(format, noDisplay, std::strlen(noDisplay)) == 0) {
    const char* name = va_arg(args, const char*);
    std::fprintf(stderr, "bezier: cannot open display '%s' (set DISPLAY or use -display NAME)\n",
                 name != nullptr ? name : "");
  } else {
    std::fputs("bezier: ", stderr);
    std::vfprintf(stderr, format != nullptr ? format : "toolkit error", args);
    std::fputc('\n', stderr);
  }
  std::fflush(stderr);
  std::exit(1);
}

void InitWindow(int argc, char** argv) {
  // The depth buffer is requested but never used; it keeps the visual the
  // toolkit picks the same as the one the program has always asked for.
  glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(WindowSize, WindowSize);
#ifdef BEZIER_HAS_ERROR_HOOK
  // Before glutInit, which is where a missing display is found.
  glutInitErrorFunc(OnToolkitError);
#endif
  // The toolkit takes its own options (-display, -geometry, ...) from the
  // command line; the program defines none.
  glutInit(&argc, argv);
  glutCreateWindow("Bezier");

  glutDisplayFunc(OnDisplay);
  glutReshapeFunc(OnReshape);
  glutMouseFunc(OnMouse);
  // One handler for both: a drag moves a point, and any movement redraws.
  glutPassiveMotionFunc(OnMotion);
  glutMotionFunc(OnMotion);
  glutKeyboardFunc(OnKeyboard);

  glutCreateMenu(OnMenu);
  const auto labels = MenuLabels(editorState.curveKind);
  for (int value = 0; value < MenuItemCount; ++value) glutAddMenuEntry(labels[value], value);
  glutAttachMenu(GLUT_RIGHT_BUTTON);
}

void InitGraphicsState() {
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glColor3ubv(PointColor);
}

void OnReshape(int /*width*/, int /*height*/) {
  // The window is pinned: a resize by the user is undone, and one unit stays
  // one pixel with the origin at the bottom-left corner.
  glutReshapeWindow(WindowSize, WindowSize);
  glViewport(0, 0, WindowSize, WindowSize);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, WindowSize, 0.0, WindowSize, 1.0, -1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glFlush();
}
