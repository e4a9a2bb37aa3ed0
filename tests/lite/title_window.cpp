// A titled top-level window for the end-to-end tests: the foreground window that
// quotemill3 takes the page title from.
//   title_window net TITLE       _NET_WM_NAME as UTF8_STRING, WM_NAME as COMPOUND_TEXT
//   title_window compound TITLE  WM_NAME only, as COMPOUND_TEXT (as Qt writes Japanese)
//   title_window utf8 TITLE      WM_NAME only, as UTF8_STRING
// It takes the input focus once mapped and lives until killed (at most two minutes).

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: title_window net|compound|utf8 TITLE\n", stderr);
    return 2;
  }
  std::setlocale(LC_ALL, "");
  const std::string mode = argv[1];
  char* title = argv[2];
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 1;
  const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 10, 10, 300, 100, 1, 0, 0xFFFFFF);
  const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);

  if (mode == "net")
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    reinterpret_cast<unsigned char*>(title), static_cast<int>(std::strlen(title)));
  if (mode == "net" || mode == "compound") {
    XTextProperty prop{};
    if (Xutf8TextListToTextProperty(d, &title, 1, XCompoundTextStyle, &prop) < Success) return 1;
    XSetWMName(d, w, &prop);
    XFree(prop.value);
  } else if (mode == "utf8") {
    XChangeProperty(d, w, XA_WM_NAME, utf8, 8, PropModeReplace, reinterpret_cast<unsigned char*>(title),
                    static_cast<int>(std::strlen(title)));
  }
  XSelectInput(d, w, StructureNotifyMask);
  XMapRaised(d, w);
  const std::time_t until = std::time(nullptr) + 120;
  for (XEvent ev; std::time(nullptr) < until;) {
    while (XPending(d)) {
      XNextEvent(d, &ev);
      if (ev.type == MapNotify) XSetInputFocus(d, w, RevertToParent, CurrentTime);
    }
    XFlush(d);
    struct timespec pause = {0, 50 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
  XCloseDisplay(d);
  return 0;
}
