// Start-up and the window: the controls summary, the window with its
// callbacks and pop-up menu, the initial graphics state, and the reshape
// callback that pins everything to 500 x 500.
#pragma once

#include <cstdarg>

// The window's width and height in pixels, pinned. The toolkit's y is
// flipped against it, the dialogue bounds its entries by it, and the browser
// edition's canvas and the benchmarks' images take their size from it.
inline constexpr int WindowSize = 500;

// Writes the thirteen lines of the controls summary to standard output.
void PrintHelp();
// Toolkit initialisation, the window, the six callbacks and the menu.
void InitWindow(int argc, char** argv);
// The toolkit's fatal errors: one line on standard error naming the program,
// then exit status 1. A display that cannot be opened is named with the
// remedy ("bezier: cannot open display ':0' (set DISPLAY or use -display
// NAME)"); any other error keeps the toolkit's own words. `format` and `args`
// are a printf format and its arguments, as the toolkit hands them over.
[[noreturn]] void OnToolkitError(const char* format, va_list args);
// Black clear colour; PointColor as the current colour.
void InitGraphicsState();
// Undoes any resize and pins viewport and projection to 500 x 500 pixels.
void OnReshape(int width, int height);
