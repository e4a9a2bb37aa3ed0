// The other side of quotemill3's end-to-end tests.
//   x_client net TITLE       a window with _NET_WM_NAME as UTF8_STRING, WM_NAME as COMPOUND_TEXT
//   x_client compound TITLE  a window with WM_NAME only, as COMPOUND_TEXT (as Qt writes Japanese)
//   x_client utf8 TITLE      a window with WM_NAME only, as UTF8_STRING
//   x_client net-latin1 TITLE    as compound, with _NET_WM_NAME as STRING (Latin-1), as xdotool writes it
//   x_client net-compound TITLE  as compound, with _NET_WM_NAME as COMPOUND_TEXT
//   x_client child TITLE     as net, with the focus on a child window inside it
//   x_client hold            takes CLIPBOARD and never answers a request for it
//   x_client owner           prints the window that owns CLIPBOARD
// A window takes the input focus once mapped; window and holder live until killed, at most
// fifteen minutes.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

// A focus request can race with the window manager's reparenting; the window stays all the same.
int ignore_error(Display*, XErrorEvent*) { return 0; }

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: x_client net|compound|utf8 TITLE | hold | owner\n", stderr);
    return 2;
  }
  std::setlocale(LC_ALL, "");
  std::string mode = argv[1];
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 1;
  XSetErrorHandler(ignore_error);
  const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
  if (mode == "owner") {
    std::printf("0x%lx\n", XGetSelectionOwner(d, clipboard));
    return 0;
  }
  if (mode == "hold") {
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(d, clipboard, w, CurrentTime);
    XSync(d, False);
    struct timespec pause = {900, 0};
    nanosleep(&pause, nullptr);  // events are never read, so no request is answered
    return 0;
  }
  if (argc != 3) return 2;
  char* title = argv[2];
  const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 10, 10, 300, 100, 1, 0, 0xFFFFFF);
  const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);

  const bool child = mode == "child";
  if (child) mode = "net";
  Window focus = w;
  if (child) {
    focus = XCreateSimpleWindow(d, w, 5, 5, 100, 50, 0, 0, 0xEEEEEE);
    XMapWindow(d, focus);
  }
  if (mode == "net")
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    reinterpret_cast<unsigned char*>(title), static_cast<int>(std::strlen(title)));
  if (mode == "net" || mode == "compound" || mode == "net-latin1" || mode == "net-compound") {
    XTextProperty prop{};
    if (Xutf8TextListToTextProperty(d, &title, 1, XCompoundTextStyle, &prop) < Success) return 1;
    XSetWMName(d, w, &prop);
    XFree(prop.value);
  }
  if (mode == "net-latin1" || mode == "net-compound") {
    // A caption of another type than UTF8_STRING where a reader expects that one.
    XTextProperty prop{};
    const XICCEncodingStyle style = mode == "net-latin1" ? XStringStyle : XCompoundTextStyle;
    if (Xutf8TextListToTextProperty(d, &title, 1, style, &prop) < Success) return 1;
    XSetTextProperty(d, w, &prop, XInternAtom(d, "_NET_WM_NAME", False));
    XFree(prop.value);
  } else if (mode == "utf8") {
    XChangeProperty(d, w, XA_WM_NAME, utf8, 8, PropModeReplace, reinterpret_cast<unsigned char*>(title),
                    static_cast<int>(std::strlen(title)));
  }
  XSelectInput(d, w, StructureNotifyMask);
  XMapRaised(d, w);
  const std::time_t until = std::time(nullptr) + 900;
  for (XEvent ev; std::time(nullptr) < until;) {
    // A map request made while the window manager is still starting up can be lost: ask again.
    XWindowAttributes attributes;
    if (XGetWindowAttributes(d, w, &attributes) && attributes.map_state == IsUnmapped) XMapRaised(d, w);
    while (XPending(d)) {
      XNextEvent(d, &ev);
      if (ev.type == MapNotify) XSetInputFocus(d, focus, RevertToParent, CurrentTime);
    }
    XFlush(d);
    struct timespec pause = {0, 50 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
  XCloseDisplay(d);
  return 0;
}
