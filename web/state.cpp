// A read-only view of the editor's state for the page, so that what it says
// after an action names the point it touched and where (the program itself
// prints nothing then). Positions are in the toolkit's window pixels, from
// the top-left corner, as the page's keyboard cursor counts them. Nothing
// here writes to the state.
#include <emscripten/emscripten.h>

#include <cmath>
#include <cstdint>

#include "app/window.h"
#include "points/editor_state.h"

extern "C" {

EMSCRIPTEN_KEEPALIVE std::int32_t WebPointCount() { return editorState.points.count; }

// `index` from 0 below WebPointCount(); any other is the caller's error.
EMSCRIPTEN_KEEPALIVE std::int32_t WebPointX(std::int32_t index) { return editorState.points.items[index].x; }
EMSCRIPTEN_KEEPALIVE std::int32_t WebPointY(std::int32_t index) {
  return WindowSize - editorState.points.items[index].y;
}

// 0 for Bezier, 1 for the B-spline.
EMSCRIPTEN_KEEPALIVE std::int32_t WebCurveKind() { return static_cast<std::int32_t>(editorState.curveKind); }

// The index of the point a middle press holds, or -1 when none is held.
EMSCRIPTEN_KEEPALIVE std::int32_t WebHeldPoint() {
  return editorState.dragging ? editorState.dragIndex : -1;
}

// The two settings as the dialogues show them.
EMSCRIPTEN_KEEPALIVE std::int32_t WebTolerance() {
  return static_cast<std::int32_t>(std::sqrt(static_cast<double>(editorState.toleranceSquared)));
}
EMSCRIPTEN_KEEPALIVE std::int32_t WebBsplineSteps() { return editorState.bsplineSteps; }

EMSCRIPTEN_KEEPALIVE std::int32_t WebPickRadius() { return PickRadius; }

}  // extern "C"
