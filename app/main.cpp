#include <cstdio>

#include <GL/freeglut_std.h>

#include "app/window.h"
#include "render/curve_matrices.h"

int main(int argc, char** argv) {
  PrintHelp();
  // The summary must be on the console before the window appears, even when
  // standard output is a pipe and therefore fully buffered.
  std::fflush(stdout);
  InitCurveMatrices();
  InitWindow(argc, argv);
  InitGraphicsState();
  glutMainLoop();
  return 0;
}
