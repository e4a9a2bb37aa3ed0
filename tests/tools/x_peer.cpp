// A misbehaving or special X client for end-to-end tests: the other side of the clipboard
// in the cases that xclip cannot play, and the browser-like window whose caption quotemill3
// reads.
//
//   x_peer net TITLE            a window with _NET_WM_NAME as UTF8_STRING, WM_NAME as COMPOUND_TEXT
//   x_peer compound TITLE       a window with WM_NAME only, as COMPOUND_TEXT (as Qt writes Japanese)
//   x_peer utf8 TITLE           a window with WM_NAME only, as UTF8_STRING
//   x_peer child TITLE          as net, with the focus on a child window inside it
//   x_peer net-latin1 TITLE     as compound, with _NET_WM_NAME as STRING (Latin-1), as xdotool writes it
//   x_peer net-compound TITLE   as compound, with _NET_WM_NAME as COMPOUND_TEXT
//   x_peer own-stuck            owns CLIPBOARD and never answers a request
//   x_peer own-image            owns CLIPBOARD offering only image/png
//   x_peer own-bytes FILE       owns CLIPBOARD offering FILE's bytes, unchanged, as UTF8_STRING
//   x_peer own-png-as-text      owns CLIPBOARD offering UTF8_STRING, and answers every request for
//                               a text with image/png bytes
//   x_peer own-incr-die         owns CLIPBOARD, starts an INCR transfer and dies after one chunk
//   x_peer own-incr-huge        owns CLIPBOARD, claims an INCR size of 0xFFFFFFFF and sends "huge claim"
//   x_peer own-incr-endless     owns CLIPBOARD and sends 1 MiB INCR chunks without end
//   x_peer own-incr-drip        owns CLIPBOARD and sends one INCR byte a second without end
//   x_peer own-incr-copied      owns CLIPBOARD and sends "old text" by INCR; after the first chunk
//                               xclip copies "newer copy", as a user copying during the read
//   x_peer read-incr-stall      asks for CLIPBOARD, accepts an INCR transfer, never continues it
//   x_peer race-read            asks for CLIPBOARD as UTF8_STRING and takes CLIPBOARD over at
//                               once, as a new copy racing the request; reads the answer
//                               (INCR too) and prints "got SIZE", "refused" or "unanswered"
//   x_peer send-clear           sends the CLIPBOARD owner a SelectionClear of its own making
//   x_peer owner                prints the CLIPBOARD owner's window id, or "none"
//
// The owning modes print "ready" once they own the selection, and end when they lose it
// or after a minute at most. A window takes the input focus once mapped and lives until
// killed, fifteen minutes at most.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

Atom atom(Display* d, const char* name) { return XInternAtom(d, name, False); }

void reply(Display* d, const XSelectionRequestEvent& req, Atom property) {
  XEvent ev{};
  ev.xselection.type = SelectionNotify;
  ev.xselection.requestor = req.requestor;
  ev.xselection.selection = req.selection;
  ev.xselection.target = req.target;
  ev.xselection.time = req.time;
  ev.xselection.property = property;
  XSendEvent(d, req.requestor, False, NoEventMask, &ev);
  XFlush(d);
}

// An INCR transfer as `mode` says, to one requestor; ends with the transfer or after a minute.
void serve_incr(Display* d, const XSelectionRequestEvent& req, const std::string& mode) {
  const Atom property = req.property == None ? req.target : req.property, utf8 = atom(d, "UTF8_STRING");
  XSelectInput(d, req.requestor, PropertyChangeMask | StructureNotifyMask);
  long size = mode == "own-incr-huge" ? 0xFFFFFFFFL : 1L << 24;  // Xlib sends the low 32 bits
  XChangeProperty(d, req.requestor, property, atom(d, "INCR"), 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&size), 1);
  reply(d, req, property);
  const bool copied = mode == "own-incr-copied";
  const std::string pieces[] = {copied ? "old " : "huge ", copied ? "text" : "claim", ""};
  const std::string mebibyte(1 << 20, 'm');
  const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  for (int sent = 0; std::chrono::steady_clock::now() < end;) {
    XEvent e;
    XNextEvent(d, &e);
    if (e.type == DestroyNotify) return;
    if (e.type != PropertyNotify || e.xproperty.state != PropertyDelete || e.xproperty.atom != property) continue;
    std::string chunk = mode == "own-incr-huge" || copied ? pieces[sent]
                        : mode == "own-incr-endless"    ? mebibyte
                                                        : "d";
    if (copied && sent == 1) {
      // The user copies something else while the reader is half-way.
      const Window self = XGetSelectionOwner(d, atom(d, "CLIPBOARD"));
      if (std::system("printf 'newer copy' | xclip -selection clipboard -i >/dev/null 2>&1") != 0) return;
      for (int i = 0; i < 250 && XGetSelectionOwner(d, atom(d, "CLIPBOARD")) == self; ++i) usleep(20000);
    }
    if (mode == "own-incr-drip") sleep(1);  // slower than any whole read may take, never stalled
    XChangeProperty(d, req.requestor, property, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(chunk.data()), static_cast<int>(chunk.size()));
    XFlush(d);
    if ((mode == "own-incr-huge" || copied) && ++sent == 3) {
      XSync(d, False);
      return;
    }
  }
}

int own(Display* d, const std::string& mode, const std::string& bytes) {
  const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  const Atom clipboard = atom(d, "CLIPBOARD"), targets = atom(d, "TARGETS"), png = atom(d, "image/png"),
             utf8 = atom(d, "UTF8_STRING");
  XSetSelectionOwner(d, clipboard, w, CurrentTime);
  if (XGetSelectionOwner(d, clipboard) != w) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (std::chrono::steady_clock::now() < end) {
    while (XPending(d)) {
      XEvent ev;
      XNextEvent(d, &ev);
      if (ev.type == SelectionClear) return 0;
      if (ev.type != SelectionRequest || mode == "own-stuck") continue;
      const XSelectionRequestEvent& req = ev.xselectionrequest;
      const Atom property = req.property == None ? req.target : req.property;
      if (req.target == targets) {
        Atom offered[] = {targets, mode == "own-image" ? png : utf8};
        XChangeProperty(d, req.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(offered), 2);
        reply(d, req, property);
      } else if ((mode == "own-image" && req.target == png) || mode == "own-png-as-text") {
        const unsigned char picture[] = {0x89, 'P', 'N', 'G'};
        XChangeProperty(d, req.requestor, property, png, 8, PropModeReplace, picture, 4);
        reply(d, req, property);
      } else if (mode == "own-incr-die" && req.target == utf8) {
        // Announce a large text, hand over the first chunk once asked, then vanish.
        XSelectInput(d, req.requestor, PropertyChangeMask);
        long size = 1 << 24;
        XChangeProperty(d, req.requestor, property, atom(d, "INCR"), 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&size), 1);
        reply(d, req, property);
        for (;;) {
          XEvent e;
          XNextEvent(d, &e);
          if (e.type == PropertyNotify && e.xproperty.state == PropertyDelete) break;
        }
        const std::string chunk(1 << 16, 'x');
        XChangeProperty(d, req.requestor, property, utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(chunk.data()), static_cast<int>(chunk.size()));
        XSync(d, False);
        _exit(0);
      } else if (mode.rfind("own-incr-", 0) == 0 && req.target == utf8) {
        serve_incr(d, req, mode);  // and goes on owning, so a test can tell nothing took its place
      } else if (mode == "own-bytes" && req.target == utf8) {
        XChangeProperty(d, req.requestor, property, utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
        reply(d, req, property);
      } else {
        reply(d, req, None);
      }
    }
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, 200);
  }
  return 0;
}

// Starts reading CLIPBOARD and stops at the first chunk of an INCR transfer, holding it.
int stall(Display* d) {
  XSetWindowAttributes attributes{};
  attributes.event_mask = PropertyChangeMask;
  const Window w = XCreateWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, CopyFromParent, InputOnly,
                                 CopyFromParent, CWEventMask, &attributes);
  const Atom property = atom(d, "X_PEER");
  XConvertSelection(d, atom(d, "CLIPBOARD"), atom(d, "UTF8_STRING"), property, w, CurrentTime);
  const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (std::chrono::steady_clock::now() < end) {
    while (XPending(d)) {
      XEvent ev;
      XNextEvent(d, &ev);
      if (ev.type == SelectionNotify) {
        std::printf(ev.xselection.property == None ? "refused\n" : "stalled\n");
        std::fflush(stdout);  // and never delete the property, so no chunk follows
      }
    }
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, 200);
  }
  return 0;
}

using Clock = std::chrono::steady_clock;

// Waits up to five seconds for an event that `match` accepts.
template <class Match>
bool next_event(Display* d, XEvent& ev, Match match) {
  const auto end = Clock::now() + std::chrono::seconds(5);
  while (Clock::now() < end) {
    while (XPending(d)) {
      XNextEvent(d, &ev);
      if (match(ev)) return true;
    }
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, 100);
  }
  return false;
}

// The bytes of `property` on `w`, deleted once read; its type in `type`.
std::string take(Display* d, Window w, Atom property, Atom& type) {
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(d, w, property, 0, 1 << 28, True, AnyPropertyType, &type, &format, &items, &after, &data);
  std::string bytes;
  if (data) bytes.assign(reinterpret_cast<char*>(data), items * (format == 32 ? sizeof(long) : format / 8));
  if (data) XFree(data);
  return bytes;
}

int race(Display* d) {
  XSetWindowAttributes attributes{};
  attributes.event_mask = PropertyChangeMask;
  const Window w = XCreateWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, CopyFromParent, InputOnly,
                                 CopyFromParent, CWEventMask, &attributes);
  const Atom clipboard = atom(d, "CLIPBOARD"), property = atom(d, "X_PEER");
  XConvertSelection(d, clipboard, atom(d, "UTF8_STRING"), property, w, CurrentTime);
  XSetSelectionOwner(d, clipboard, w, CurrentTime);
  XFlush(d);
  XEvent ev;
  if (!next_event(d, ev, [](const XEvent& e) { return e.type == SelectionNotify; })) {
    std::printf("unanswered\n");
    return 1;
  }
  if (ev.xselection.property == None) {
    std::printf("refused\n");
    return 1;
  }
  Atom type = None;
  std::string bytes = take(d, w, property, type);
  if (type == atom(d, "INCR")) {
    bytes.clear();
    for (;;) {
      const bool more = next_event(d, ev, [&](const XEvent& e) {
        return e.type == PropertyNotify && e.xproperty.atom == property && e.xproperty.state == PropertyNewValue;
      });
      if (!more) {
        std::printf("unanswered after %zu\n", bytes.size());
        return 1;
      }
      const std::string chunk = take(d, w, property, type);
      if (chunk.empty()) break;
      bytes += chunk;
    }
  }
  std::printf("got %zu\n", bytes.size());
  return 0;
}

// A focus request can race with the window manager's reparenting; the window stays all the same.
int ignore_error(Display*, XErrorEvent*) { return 0; }

int window(Display* d, std::string mode, char* title) {
  XSetErrorHandler(ignore_error);
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
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::setlocale(LC_ALL, "");  // a title in COMPOUND_TEXT needs the locale's character sets
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 3;
  const std::string mode = argv[1];
  if (mode == "owner") {
    const Window w = XGetSelectionOwner(d, atom(d, "CLIPBOARD"));
    if (w == None)
      std::printf("none\n");
    else
      std::printf("0x%lx\n", w);
    return 0;
  }
  if (mode == "send-clear") {
    XEvent ev{};
    ev.xselectionclear.type = SelectionClear;
    ev.xselectionclear.window = XGetSelectionOwner(d, atom(d, "CLIPBOARD"));
    ev.xselectionclear.selection = atom(d, "CLIPBOARD");
    ev.xselectionclear.time = CurrentTime;
    XSendEvent(d, ev.xselectionclear.window, False, NoEventMask, &ev);
    XSync(d, False);
    return 0;
  }
  if (mode == "read-incr-stall") return stall(d);
  for (const char* m : {"net", "compound", "utf8", "child", "net-latin1", "net-compound"})
    if (mode == m) return argc == 3 ? window(d, mode, argv[2]) : 2;
  if (mode == "race-read") return race(d);
  std::string bytes;
  if (mode == "own-bytes" && argc > 2) {
    std::ifstream in(argv[2], std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    bytes = s.str();
  }
  return own(d, mode, bytes);
}
