// Asks an X window to close the way a window manager's close button does: a
// WM_DELETE_WINDOW client message. Destroying or killing the window instead
// would not show how the program ends when a user closes it.
//
// Usage: close_window <window id>   (decimal or 0x hex, on $DISPLAY)
// Exit status: 0 once the message is sent; 1 when the display cannot be
// opened, the id is not a number, or the window does not take part in the
// WM_DELETE_WINDOW protocol (so the message would be ignored).
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

namespace {

// True when the window lists `deleteAtom` among its WM_PROTOCOLS.
bool TakesDeleteMessage(Display* display, Window window, Atom deleteAtom) {
  Atom* protocols = nullptr;
  int count = 0;
  if (XGetWMProtocols(display, window, &protocols, &count) == 0) {
    return false;
  }
  bool found = false;
  for (int i = 0; i < count; ++i) {
    found = found || protocols[i] == deleteAtom;
  }
  XFree(protocols);
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: close_window <window id>\n");
    return 1;
  }
  char* end = nullptr;
  const unsigned long id = std::strtoul(argv[1], &end, 0);
  if (end == argv[1] || *end != '\0' || id == 0) {
    std::fprintf(stderr, "close_window: not a window id: %s\n", argv[1]);
    return 1;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "close_window: cannot open the display\n");
    return 1;
  }
  const Window window = static_cast<Window>(id);
  const Atom protocolsAtom = XInternAtom(display, "WM_PROTOCOLS", False);
  const Atom deleteAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
  if (!TakesDeleteMessage(display, window, deleteAtom)) {
    std::fprintf(stderr, "close_window: window 0x%lx does not accept WM_DELETE_WINDOW\n", id);
    XCloseDisplay(display);
    return 1;
  }

  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = protocolsAtom;
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(deleteAtom);
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  XCloseDisplay(display);
  return 0;
}
