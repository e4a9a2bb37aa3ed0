#include "foreground_x11.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>

namespace qm {
namespace {

// The window may vanish while it is being read; the default handler would end the program.
int ignore_x_error(Display*, XErrorEvent*) { return 0; }

struct DisplayCloser {
  void operator()(Display* d) const { XCloseDisplay(d); }
};

// One property of `w` as bytes, with the type the client stored; empty when it is not set.
std::string property(Display* d, Window w, Atom name, Atom wanted_type, Atom* actual_type = nullptr) {
  std::string value;
  long offset = 0;
  for (;;) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, name, offset, 65536, False, wanted_type, &type, &format, &count, &after,
                           &data) != Success)
      return {};
    if (actual_type) *actual_type = type;
    if (data) {
      if (format == 8) value.append(reinterpret_cast<char*>(data), count);
      XFree(data);
    }
    if (type == None || format != 8 || after == 0) return value;
    offset += static_cast<long>(count / 4);
  }
}

Window active_window(Display* d) {
  const Window root = DefaultRootWindow(d);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  Window active = None;
  if (XGetWindowProperty(d, root, XInternAtom(d, "_NET_ACTIVE_WINDOW", False), 0, 1, False, XA_WINDOW, &type,
                         &format, &count, &after, &data) == Success &&
      data) {
    if (type == XA_WINDOW && format == 32 && count == 1) active = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
    XFree(data);
  }
  if (active != None) return active;

  // Without a window manager: the focus window, which may be a child of the top-level one.
  Window focus = None;
  int revert = 0;
  XGetInputFocus(d, &focus, &revert);
  if (focus == None || focus == PointerRoot || focus == root) return None;
  for (Window w = focus;;) {
    Window root_return = None, parent = None;
    Window* children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, w, &root_return, &parent, &children, &n)) return None;
    if (children) XFree(children);
    if (parent == root_return || parent == None) return w;
    w = parent;
  }
}

// WM_NAME as UTF-8: Latin-1 STRING, COMPOUND_TEXT (as Qt writes a Japanese title) or UTF8_STRING.
std::string wm_name(Display* d, Window w) {
  XTextProperty prop{};
  if (!XGetWMName(d, w, &prop) || !prop.value) return {};
  std::string result;
  char** list = nullptr;
  int n = 0;
  if (Xutf8TextPropertyToTextList(d, &prop, &list, &n) >= Success && list) {
    for (int i = 0; i < n; ++i) result += list[i];
    XFreeStringList(list);
  } else if (prop.encoding == XA_STRING && prop.format == 8) {
    for (unsigned long i = 0; i < prop.nitems; ++i) {
      const unsigned char c = prop.value[i];
      if (c < 0x80) {
        result += static_cast<char>(c);
      } else {
        result += static_cast<char>(0xC0 | (c >> 6));
        result += static_cast<char>(0x80 | (c & 0x3F));
      }
    }
  }
  XFree(prop.value);
  return result;
}

}  // namespace

struct X11ForegroundWindow::Connection {
  std::unique_ptr<Display, DisplayCloser> display{XOpenDisplay(nullptr)};
  Window at_start = None;
};

X11ForegroundWindow::X11ForegroundWindow() : connection_(std::make_unique<Connection>()) {
  if (connection_->display) connection_->at_start = active_window(connection_->display.get());
}

X11ForegroundWindow::~X11ForegroundWindow() = default;

std::string X11ForegroundWindow::caption() {
  Display* d = connection_->display.get();
  if (!d) return {};
  auto* previous = XSetErrorHandler(ignore_x_error);
  auto read = [&](Window w) {
    std::string text = property(d, w, XInternAtom(d, "_NET_WM_NAME", False), XInternAtom(d, "UTF8_STRING", False));
    return text.empty() ? wm_name(d, w) : text;
  };
  std::string text;
  if (const Window w = active_window(d); w != None) text = read(w);
  if (text.empty() && connection_->at_start != None) text = read(connection_->at_start);
  XSync(d, False);  // errors of this connection arrive while the handler is still ours
  XSetErrorHandler(previous);
  return text;
}

}  // namespace qm
