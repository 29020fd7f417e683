// What the browser edition's stand-ins for OpenGL, GLUT and the console share.
// The page's modules (web/page/) call the exported entry points declared here; the
// editor's own code sees nothing of this and calls GL and GLUT as usual.
#pragma once

#include <cstdint>
#include <cstdio>

#include "app/window.h"

// The window's pixels: the canvas is WindowSize x WindowSize, and so is the
// software framebuffer, one RGBA word per pixel, top row first, as canvas
// image data.
const std::uint32_t* FramebufferPixels();

// The stream the console dialogue reads from in the page: every read waits,
// without blocking the browser, until the page has a typed line for it.
std::FILE* PageInput();

extern "C" {
// Entered by the page for its DOM events. Coordinates are canvas pixels from
// the top-left corner, as the toolkit would deliver them; `button`, `state`
// and `modifiers` take the toolkit's values (GLUT_LEFT_BUTTON, GLUT_DOWN,
// GLUT_ACTIVE_SHIFT, ...).
void WebReshape();
void WebDisplay();
void WebMouse(int button, int state, int x, int y, int modifiers);
void WebMotion(int x, int y, int buttonHeld);
void WebKeyboard(int key, int x, int y, int modifiers);
void WebMenu(int item);
}
