#include "app/input.h"

#include <GL/freeglut_std.h>

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "app/dialogue.h"
#include "app/menu.h"
#include "app/window.h"
#include "points/editor_state.h"
#include "points/point_list.h"

namespace {

// Prompts for a new value of one setting and reads it; returns true and the
// value only when it is accepted. Blocks the event loop until a line (or the
// end of input) arrives, which is how the console dialogue is meant to work.
bool AskNewValue(std::int32_t* value) {
  std::printf("New value :");
  // The prompt must be visible before the read waits.
  std::fflush(stdout);
  const Entry entry = ReadEntry(DialogueInput());
  bool accepted = false;
  switch (entry.outcome) {
    case EntryOutcome::Accepted:
      *value = entry.value;
      accepted = true;
      break;
    case EntryOutcome::OutOfRange:
      // The message names the window size, one above the largest entry.
      std::printf("Invalid entry:  Must fall between 1 and %d\n", WindowSize);
      break;
    case EntryOutcome::Invalid:
      std::printf("Invalid entry.\n");
      break;
  }
  // The answer belongs on the console now, not at the next prompt: standard
  // output may be a pipe or a file, and the program may end before another
  // flush (after the end of input, say).
  std::fflush(stdout);
  return accepted;
}

void AskSteps() {
  std::printf("Current value for number of steps for B-spline: %d\n", editorState.bsplineSteps);
  std::int32_t value = 0;
  if (AskNewValue(&value)) editorState.bsplineSteps = value;
}

void AskTolerance() {
  // Only the square is stored; the root is exact for every accepted value,
  // and truncation keeps it an integer for any other.
  const auto tolerance = static_cast<int>(std::sqrt(static_cast<double>(editorState.toleranceSquared)));
  std::printf("Current value for deCasteljau Tolerance : %d\n", tolerance);
  std::int32_t value = 0;
  if (AskNewValue(&value)) editorState.toleranceSquared = value * value;  // at most LargestEntry squared
}

// The menu shows which kind is selected, so choosing one relabels both kind
// entries.
void SelectKind(CurveKind kind) {
  const auto labels = MenuLabels(kind);
  for (MenuItem item : {MenuItem::Bezier, MenuItem::BSpline}) {
    const int value = static_cast<int>(item);
    glutChangeToMenuEntry(MenuPosition(item), labels[value], value);
  }
  editorState.curveKind = kind;
}

// The toolkit's y runs down from the window's top; the drawing's y runs up
// from the bottom row, where the viewport keeps the drawing whatever height a
// window manager imposes (a tiling one refuses the pin). Flipping against the
// window's real height puts a point under the pointer in any window; in the
// pinned one it is WindowSize - y.
int DrawingY(int y) { return glutGet(GLUT_WINDOW_HEIGHT) - y; }

}  // namespace

void OnMouse(int button, int state, int x, int y) {
  y = DrawingY(y);
  if (button == GLUT_LEFT_BUTTON) {
    if (state == GLUT_DOWN) {
      editorState.leftPressed = true;
    } else if (state == GLUT_UP && editorState.leftPressed) {
      editorState.leftPressed = false;
      if (glutGetModifiers() & GLUT_ACTIVE_SHIFT) {
        DeletePoint(FindNearestPoint(x, y));
      } else {
        AddPoint(x, y);
      }
    }
  } else if (button == GLUT_MIDDLE_BUTTON) {
    if (state == GLUT_DOWN) {
      editorState.dragIndex = FindNearestPoint(x, y);
      if (editorState.dragIndex != -1) editorState.dragging = true;
    } else if (state == GLUT_UP) {
      editorState.dragging = false;
    }
  }
  glutPostRedisplay();
}

void OnMotion(int x, int y) {
  if (editorState.dragging) {
    // The dragged point may have been deleted or cleared while the button is
    // held: then there is nothing left to move and the drag ends.
    if (editorState.dragIndex < 0 || editorState.dragIndex >= editorState.points.count) {
      editorState.dragging = false;
    } else {
      editorState.points.items[editorState.dragIndex] = Point{x, DrawingY(y)};
    }
  }
  glutPostRedisplay();
}

void OnKeyboard(unsigned char key, int /*x*/, int /*y*/) {
  switch (key) {
    case 'c':
      ClearPoints();
      break;
    case 'n':
      AskSteps();
      break;
    case 't':
      AskTolerance();
      break;
    default:
      break;
  }
  glutPostRedisplay();
}

void OnMenu(int value) {
  switch (static_cast<MenuItem>(value)) {
    case MenuItem::ClearAll:
      ClearPoints();
      break;
    case MenuItem::Bezier:
      SelectKind(CurveKind::Bezier);
      break;
    case MenuItem::BSpline:
      SelectKind(CurveKind::BSpline);
      break;
  }
  glutPostRedisplay();
}
