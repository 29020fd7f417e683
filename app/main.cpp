#include <cstdio>

#include <GL/freeglut_std.h>

#include "app/options.h"
#include "app/size_hints.h"
#include "app/window.h"
#include "render/curve_matrices.h"

int main(int argc, char** argv) {
  // --help and --version need no window, so they are answered before the
  // toolkit (which would insist on a display) is started.
  if (AnswerOwnOptions(argc, argv, stdout)) return 0;
  PrintHelp();
  // The summary must be on the console before the window appears, even when
  // standard output is a pipe and therefore fully buffered.
  std::fflush(stdout);
  InitCurveMatrices();
  InitWindow(argc, argv);
  HintFixedWindowSize();
  InitGraphicsState();
  glutMainLoop();
  return 0;
}
