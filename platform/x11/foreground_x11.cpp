#include "foreground_x11.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>
#include <string_view>

#include "clipboard_x11.h"
#include "codepage.h"
#include "x11_selection.h"

namespace qm {
namespace {

// The window may vanish while it is being read; the default handler would end the program.
int ignore_x_error(Display*, XErrorEvent*) { return 0; }

// A caption is read only as far as a title can use: the title keeps 1023 bytes of the
// code page, which no caption reaches in fewer than 4 KiB of UTF-8.
constexpr long kCaptionBytes = 4096;

// The start of a text property of `w` in UTF-8, converted by the type the client stored it
// with; empty when it is not set or does not convert. One request of a bounded length, so
// no caption of any size or type keeps the read going.
std::string text_property(Display* d, Window w, Atom name, Atom utf8_string) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, w, name, 0, kCaptionBytes / 4, False, AnyPropertyType, &type, &format, &count,
                         &after, &data) != Success)
    return {};
  std::unique_ptr<unsigned char, int (*)(void*)> owned(data, XFree);
  if (!data || type == None || format != 8 || count == 0) return {};
  const std::string_view bytes(reinterpret_cast<const char*>(data), count);
  if (type == utf8_string) {
    std::string text(bytes);
    if (after > 0) {
      // Cut where the request ended: drop a character left incomplete.
      std::size_t end = text.size();
      while (end > 0 && (static_cast<unsigned char>(text[end - 1]) & 0xC0) == 0x80) --end;
      if (end > 0 && static_cast<unsigned char>(text[end - 1]) >= 0xC0) text.resize(end - 1);
    }
    return text;
  }
  if (type == XA_STRING) return latin1_to_utf8(bytes);
  // COMPOUND_TEXT (as Qt writes a Japanese title) and any other encoding Xlib knows.
  XTextProperty prop{data, type, 8, count};
  std::string result;
  char** list = nullptr;
  int n = 0;
  if (Xutf8TextPropertyToTextList(d, &prop, &list, &n) >= Success && list) {
    for (int i = 0; i < n; ++i) result += list[i];
    XFreeStringList(list);
  }
  return result;
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

}  // namespace

X11ForegroundWindow::X11ForegroundWindow(X11Clipboard& clipboard) : clipboard_(clipboard) {
  if (x11::Connection* c = clipboard_.shared_connection()) at_start_ = active_window(c->display);
}

X11ForegroundWindow::~X11ForegroundWindow() = default;

std::string X11ForegroundWindow::caption() {
  x11::Connection* c = clipboard_.shared_connection();
  if (!c) return {};
  Display* d = c->display;
  auto* previous = XSetErrorHandler(ignore_x_error);
  Atom names[2];
  char* wanted[] = {const_cast<char*>("_NET_WM_NAME"), const_cast<char*>("UTF8_STRING")};
  XInternAtoms(d, wanted, 2, False, names);
  auto read = [&](Window w) {
    std::string text = text_property(d, w, names[0], names[1]);
    return text.empty() ? text_property(d, w, XA_WM_NAME, names[1]) : text;
  };
  std::string text;
  if (const Window w = active_window(d); w != None) text = read(w);
  if (text.empty() && at_start_ != None) text = read(at_start_);
  XSync(d, False);  // errors of this connection arrive while the handler is still ours
  XSetErrorHandler(previous);
  return text;
}

}  // namespace qm
