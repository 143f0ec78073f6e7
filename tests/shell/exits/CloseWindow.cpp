// Asks every top-level window named NAME to close, as a window manager's close button does: a
// WM_DELETE_WINDOW message. Exits 1 when no such window exists.
//   close_window NAME
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: close_window NAME\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "close_window: no display\n");
    return 1;
  }
  const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  Window root = DefaultRootWindow(display), parent = 0, *children = nullptr;
  unsigned count = 0;
  int sent = 0;
  if (XQueryTree(display, root, &root, &parent, &children, &count)) {
    for (unsigned i = 0; i < count; ++i) {
      char* name = nullptr;
      if (XFetchName(display, children[i], &name) && name) {
        if (std::strcmp(name, argv[1]) == 0) {
          XEvent event{};
          event.xclient.type = ClientMessage;
          event.xclient.window = children[i];
          event.xclient.message_type = protocols;
          event.xclient.format = 32;
          event.xclient.data.l[0] = long(deleteWindow);
          event.xclient.data.l[1] = CurrentTime;
          XSendEvent(display, children[i], False, NoEventMask, &event);
          ++sent;
        }
        XFree(name);
      }
    }
    if (children) XFree(children);
  }
  XSync(display, False);
  XCloseDisplay(display);
  return sent > 0 ? 0 : 1;
}
