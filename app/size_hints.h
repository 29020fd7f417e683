// What the desktop program tells the window manager about its window, which
// the toolkit has no call for.
#pragma once

// Tells the window manager that the current window has one size, WindowSize
// square (minimum and maximum alike in its size hints), so that a stacking
// manager neither maximizes nor resizes it and the pin in OnReshape is never
// fought. Call it once, after the window is created. A manager that ignores
// the hints (a tiling one) still sizes the window as it likes; input follows
// the window's real height then. The browser edition has no manager, and its
// stand-in does nothing.
void HintFixedWindowSize();
