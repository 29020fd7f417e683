// Frame composition: the only place anything is drawn. Every frame is drawn
// from scratch from editorState: black background, 2-pixel markers for the
// control points, then the curves of the current kind as 1-pixel points.
#pragma once

#include <cstdint>

void OnDisplay();

// Sets PointColor and emits one vertex; call inside a GL_POINTS batch.
void DrawPointMarker(std::int32_t x, std::int32_t y);
