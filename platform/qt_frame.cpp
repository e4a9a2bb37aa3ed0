#include "qt_frame.h"

#include <QGuiApplication>
#include <QWidget>

// After Qt's headers: Xlib's macros would clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace qm {

QMargins window_frame(const QWidget& window) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
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
