#include "app/options.h"

#include <cstring>

#include "app/dialogue.h"
#include "app/window.h"
#include "points/editor_state.h"

#ifndef BEZIER_VERSION
#error "BEZIER_VERSION must name the project version"
#endif

namespace {

// The numbers are filled in from the constants the program itself runs on,
// so the summary cannot promise another window, range, default or radius.
constexpr const char* Usage =
    "Usage: bezier [toolkit options]\n"
    "       bezier --help | -h | --version\n"
    "\n"
    "An editor for planar cubic curves: place control points with the mouse and\n"
    "see a chain of cubic Bezier segments or a uniform cubic B-spline through them.\n"
    "\n"
    "Toolkit options (handed to the window toolkit):\n"
    "  -display NAME      open the window on the X display NAME instead of $DISPLAY\n"
    "  -geometry +X+Y     where the window opens; a size given there is undone,\n"
    "                     the window stays %d x %d pixels (a tiling window\n"
    "                     manager may impose another: the drawing then keeps\n"
    "                     to the window's bottom-left corner)\n"
    "  Other GLUT options (-iconic, -direct, -indirect, -gldebug, -sync) also go\n"
    "  to the toolkit.\n"
    "\n"
    "Mouse:\n"
    "  left button        place a point where the button is released\n"
    "  Shift + left       delete the nearest point (within %d pixels)\n"
    "  middle drag        move the nearest point with the pointer\n"
    "  right button       menu: Clear All, Bezier, Cubic B-Spline\n"
    "Keys (in the window):\n"
    "  c                  clear all points\n"
    "  t                  set the Bezier tolerance (1 to %d; default %d)\n"
    "  n                  set the B-spline steps per segment (1 to %d; default %d)\n"
    "The t and n settings are typed on the console that started the program:\n"
    "it shows the current value, then waits for a number and Enter.\n"
    "Closing the window quits.\n";

bool Given(int argc, char** argv, const char* option) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i] != nullptr && std::strcmp(argv[i], option) == 0) return true;
  }
  return false;
}

}  // namespace

bool AnswerOwnOptions(int argc, char** argv, std::FILE* out) {
  if (Given(argc, argv, "--help") || Given(argc, argv, "-h")) {
    std::fprintf(out, Usage, WindowSize, WindowSize, PickRadius, LargestEntry, DefaultTolerance, LargestEntry,
                 DefaultBsplineSteps);
  } else if (Given(argc, argv, "--version")) {
    std::fputs("bezier " BEZIER_VERSION "\n", out);
  } else {
    return false;
  }
  std::fflush(out);
  return true;
}
