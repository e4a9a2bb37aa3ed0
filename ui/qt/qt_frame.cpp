#include "qt_frame.h"

#include <QGuiApplication>
#include <QWidget>

// After Qt's headers: Xlib's macros would clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <unistd.h>

namespace qm {
namespace {

Display* qt_display() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->display() : nullptr;
}

bool supported(Display* display, Atom feature) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool found = false;
  if (XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_SUPPORTED", False), 0, 4096,
                         False, XA_ATOM, &type, &format, &count, &after, &data) == Success && data && format == 32) {
    const auto* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count && !found; ++i) found = atoms[i] == feature;
  }
  if (data) XFree(data);
  return found;
}

}  // namespace

void ask_window_frame(const QWidget& window) {
  Display* display = qt_display();
  if (!display || !window.windowHandle()) return;
  const Atom request = XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
  if (!supported(display, request)) return;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window.winId();
  event.xclient.message_type = request;
  event.xclient.format = 32;
  XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XFlush(display);
  for (int i = 0; i < 20 && window_frame(window).isNull(); ++i) usleep(5000);  // a tenth of a second at most
}

QMargins window_frame(const QWidget& window) {
  Display* display = qt_display();
  if (!display || !window.windowHandle()) return {};
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  QMargins frame;
  if (XGetWindowProperty(display, window.winId(), XInternAtom(display, "_NET_FRAME_EXTENTS", False), 0, 4, False,
                         XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
      data && format == 32 && count == 4) {
    const auto* v = reinterpret_cast<const long*>(data);  // 32-bit items arrive as longs: left, right, top, bottom
    frame = QMargins(static_cast<int>(v[0]), static_cast<int>(v[2]), static_cast<int>(v[1]), static_cast<int>(v[3]));
  }
  if (data) XFree(data);
  return frame;
}

}  // namespace qm
