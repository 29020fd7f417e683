#include "render/segment.h"

#include <cassert>

#include "points/editor_state.h"

Matrix ControlMatrix(std::int32_t first) {
  const PointList& list = editorState.points;
  assert(first >= 0 && std::int64_t{first} + 4 <= list.count);
  Matrix control(4, 4);
  for (int r = 0; r < 4; ++r) {
    control.PutElement(list.items[first + r].x, r, 0);
    control.PutElement(list.items[first + r].y, r, 1);
  }
  return control;
}
