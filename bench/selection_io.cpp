#include "selection_io.h"

#include <X11/Xatom.h>
#include <poll.h>

#include <climits>
#include <cstdlib>
#include <cstring>

namespace qm::bench {
namespace {

// A requestor may vanish in the middle of a transfer; its BadWindow must not end the server.
int ignore_errors(Display*, XErrorEvent*) { return 0; }

// The next event, waiting at most `timeout_ms`; false on time-out.
bool next_event(Display* d, XEvent* e, int timeout_ms) {
  while (!XPending(d)) {
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0) return false;
  }
  XNextEvent(d, e);
  return true;
}

bool grow(char** data, std::size_t* capacity, std::size_t needed) {
  if (needed <= *capacity) return true;
  std::size_t c = *capacity ? *capacity : 4096;
  while (c < needed) c *= 2;
  char* p = static_cast<char*>(std::realloc(*data, c));
  if (!p) return false;
  *data = p;
  *capacity = c;
  return true;
}

}  // namespace

SelectionAtoms intern_selection_atoms(Display* d) {
  const char* names[] = {"CLIPBOARD", "TARGETS", "TIMESTAMP", "UTF8_STRING", "text/plain;charset=utf-8",
                         "INCR", "QM_BENCH_SELECTION"};
  Atom v[7];
  XInternAtoms(d, const_cast<char**>(names), 7, False, v);
  return {v[0], v[1], v[2], v[3], XA_STRING, v[4], v[5], XA_ATOM, XA_INTEGER, v[6]};
}

bool read_selection(Display* d, Window window, const SelectionAtoms& a, Atom selection, char** data,
                    std::size_t* size, Time* when, int timeout_ms) {
  *data = nullptr;
  *size = 0;
  XSelectInput(d, window, PropertyChangeMask);
  XEvent e;
  // A late event of an earlier read on this window (seen after reading from xsel) must not
  // pass for this read's answer.
  XSync(d, False);
  while (XCheckTypedWindowEvent(d, window, SelectionNotify, &e) || XCheckTypedWindowEvent(d, window, PropertyNotify, &e)) {
  }
  XConvertSelection(d, selection, a.utf8_string, a.property, window, CurrentTime);
  XFlush(d);
  for (;;) {
    if (!next_event(d, &e, timeout_ms)) return false;
    if (e.type == PropertyNotify && e.xproperty.window == window) *when = e.xproperty.time;
    if (e.type == SelectionNotify && e.xselection.requestor == window) break;
  }
  if (e.xselection.property == None) return false;
  Atom type;
  int format;
  unsigned long items, after;
  unsigned char* value = nullptr;
  if (XGetWindowProperty(d, window, a.property, 0, LONG_MAX / 4, True, AnyPropertyType, &type, &format, &items,
                         &after, &value) != Success)
    return false;
  if (type != a.incr) {
    // Xlib's buffer is malloc'd with a NUL after the value: handed on as it is.
    *data = reinterpret_cast<char*>(value);
    *size = value ? items * static_cast<unsigned>(format / 8) : 0;
    return value != nullptr;
  }
  std::size_t capacity = 0, got = 0;
  if (items >= 1) grow(data, &capacity, static_cast<std::size_t>(*reinterpret_cast<long*>(value)) + 1);
  XFree(value);
  for (;;) {
    if (!next_event(d, &e, timeout_ms)) break;
    if (e.type != PropertyNotify || e.xproperty.window != window || e.xproperty.atom != a.property ||
        e.xproperty.state != PropertyNewValue)
      continue;
    *when = e.xproperty.time;
    if (XGetWindowProperty(d, window, a.property, 0, LONG_MAX / 4, True, AnyPropertyType, &type, &format, &items,
                           &after, &value) != Success)
      break;
    const std::size_t n = value ? items * static_cast<unsigned>(format / 8) : 0;
    if (n == 0) {
      XFree(value);
      if (!grow(data, &capacity, got + 1)) break;
      *size = got;
      return true;
    }
    if (!grow(data, &capacity, got + n + 1)) {
      XFree(value);
      break;
    }
    std::memcpy(*data + got, value, n);
    got += n;
    XFree(value);
  }
  std::free(*data);
  *data = nullptr;
  return false;
}

void init_server(Display* d, SelectionServer* s, const char* data, std::size_t size) {
  XSetErrorHandler(ignore_errors);
  s->data = data;
  s->size = size;
  // As the toolkits do: what fits in one request with room for its header goes at once.
  s->chunk = static_cast<std::size_t>(XMaxRequestSize(d)) * 4 - 1024;
  s->window = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(d, s->window, PropertyChangeMask);
}

bool claim(Display* d, const SelectionAtoms& a, SelectionServer* s, Atom selection) {
  XChangeProperty(d, s->window, a.property, a.string, 8, PropModeAppend, nullptr, 0);
  XFlush(d);
  XEvent e;
  for (;;) {
    if (!next_event(d, &e, 5000)) return false;
    if (e.type == PropertyNotify && e.xproperty.window == s->window && e.xproperty.atom == a.property) break;
    serve_event(d, a, s, e);
  }
  return own(d, s, selection, e.xproperty.time);
}

bool own(Display* d, SelectionServer* s, Atom selection, Time when) {
  s->owned_since = when;
  XSetSelectionOwner(d, selection, s->window, when);
  return XGetSelectionOwner(d, selection) == s->window;
}

bool serve_event(Display* d, const SelectionAtoms& a, SelectionServer* s, const XEvent& e) {
  if (e.type == SelectionClear && e.xselectionclear.window == s->window) return false;
  if (e.type == SelectionRequest && e.xselectionrequest.owner == s->window) {
    const XSelectionRequestEvent& r = e.xselectionrequest;
    Atom property = r.property == None ? r.target : r.property;
    if (r.time != CurrentTime && r.time < s->owned_since) {
      property = None;
    } else if (r.target == a.targets) {
      const Atom list[] = {a.targets, a.timestamp, a.utf8_string, a.text_plain_utf8, a.string};
      XChangeProperty(d, r.requestor, property, a.atom, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(list), 5);
    } else if (r.target == a.timestamp) {
      const long t = static_cast<long>(s->owned_since);
      XChangeProperty(d, r.requestor, property, a.integer, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&t), 1);
    } else if (r.target == a.utf8_string || r.target == a.text_plain_utf8 || r.target == a.string) {
      // STRING gets the same bytes: the readers measured here ask for UTF8_STRING first.
      if (s->size <= s->chunk) {
        XChangeProperty(d, r.requestor, property, r.target, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(s->data), static_cast<int>(s->size));
      } else if (s->active < static_cast<int>(sizeof s->transfers / sizeof s->transfers[0])) {
        XSelectInput(d, r.requestor, PropertyChangeMask | StructureNotifyMask);
        const long total = static_cast<long>(s->size);
        XChangeProperty(d, r.requestor, property, a.incr, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&total), 1);
        s->transfers[s->active++] = {r.requestor, property, r.target, 0};
      } else {
        property = None;
      }
    } else {
      property = None;
    }
    XEvent n{};
    n.xselection.type = SelectionNotify;
    n.xselection.requestor = r.requestor;
    n.xselection.selection = r.selection;
    n.xselection.target = r.target;
    n.xselection.property = property;
    n.xselection.time = r.time;
    XSendEvent(d, r.requestor, False, NoEventMask, &n);
    XFlush(d);
    return true;
  }
  for (int i = 0; i < s->active; ++i) {
    SelectionServer::Transfer& t = s->transfers[i];
    bool done = false;
    if (e.type == DestroyNotify && e.xdestroywindow.window == t.requestor) {
      done = true;
    } else if (e.type == PropertyNotify && e.xproperty.window == t.requestor && e.xproperty.atom == t.property &&
               e.xproperty.state == PropertyDelete) {
      const std::size_t n = s->size - t.offset < s->chunk ? s->size - t.offset : s->chunk;
      XChangeProperty(d, t.requestor, t.property, t.type, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(s->data + t.offset), static_cast<int>(n));
      t.offset += n;
      done = n == 0;  // the empty chunk closes the transfer
      if (done) XSelectInput(d, t.requestor, NoEventMask);
      XFlush(d);
    } else {
      continue;
    }
    if (done) s->transfers[i--] = s->transfers[--s->active];
    break;
  }
  return true;
}

}  // namespace qm::bench
