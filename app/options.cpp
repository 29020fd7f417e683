#include "app/options.h"

#include <cstring>

#ifndef BEZIER_VERSION
#error "BEZIER_VERSION must name the project version"
#endif

namespace {

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
    "                     the window always stays 500 x 500 pixels\n"
    "  Other GLUT options (-iconic, -direct, -indirect, -gldebug, -sync) also go\n"
    "  to the toolkit.\n"
    "\n"
    "Mouse:\n"
    "  left button        place a point where the button is released\n"
    "  Shift + left       delete the nearest point (within 50 pixels)\n"
    "  middle drag        move the nearest point with the pointer\n"
    "  right button       menu: Clear All, Bezier, Cubic B-Spline\n"
    "Keys (in the window):\n"
    "  c                  clear all points\n"
    "  t                  set the Bezier tolerance (1 to 499; default 5)\n"
    "  n                  set the B-spline steps per segment (1 to 499; default 25)\n"
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
    std::fputs(Usage, out);
  } else if (Given(argc, argv, "--version")) {
    std::fputs("bezier " BEZIER_VERSION "\n", out);
  } else {
    return false;
  }
  std::fflush(out);
  return true;
}
