// The pixel line rasteriser: every straight piece of every curve becomes
// pixels here, one glVertex2i per pixel, by the integer midpoint algorithm.
// Call only inside an open GL_POINTS batch; it opens nothing, sets no state
// and does not clip.
#pragma once

#include <cstdint>

void PlotPixel(std::int32_t x, std::int32_t y);

// Draws (x0, y0) to (x1, y1), both ends included, in that direction:
// exactly max(|dx|, |dy|) + 1 pixels, each touching the previous one. Where the
// ideal line passes midway between two pixels the one with the smaller minor
// coordinate wins, so a segment and its reverse light the same pixels.
void DrawLine(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1);
