#include "app/size_hints.h"

#include <GL/glx.h>
#include <X11/Xutil.h>

#include "app/window.h"

void HintFixedWindowSize() {
  // The toolkit made the new window's context current, so GLX names the
  // toolkit's own connection and window.
  Display* display = glXGetCurrentDisplay();
  const GLXDrawable window = glXGetCurrentDrawable();
  if (display == nullptr || window == None) return;
  XSizeHints* hints = XAllocSizeHints();
  if (hints == nullptr) return;
  long supplied = 0;
  // Keep what the toolkit already said (its size and position requests).
  XGetWMNormalHints(display, window, hints, &supplied);
  hints->flags |= PMinSize | PMaxSize;
  hints->min_width = hints->max_width = WindowSize;
  hints->min_height = hints->max_height = WindowSize;
  XSetWMNormalHints(display, window, hints);
  XFree(hints);
  // Out to the server before the event loop takes over.
  XFlush(display);
}
