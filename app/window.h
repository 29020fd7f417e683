// Start-up and the window: the controls summary, the window with its
// callbacks and pop-up menu, the initial graphics state, and the reshape
// callback that pins everything to 500 x 500.
#pragma once

// Window size in pixels; also the bound of the dialogue's range message and
// the flip of the toolkit's y coordinate.
inline constexpr int WindowSize = 500;

// Writes the thirteen lines of the controls summary to standard output.
void PrintHelp();
// Toolkit initialisation, the window, the six callbacks and the menu.
void InitWindow(int argc, char** argv);
// Black clear colour; PointColor as the current colour.
void InitGraphicsState();
// Undoes any resize and pins viewport and projection to 500 x 500 pixels.
void OnReshape(int width, int height);
