// A misbehaving or special X client for end-to-end tests: the other side of the clipboard
// in the cases that xclip cannot play.
//
//   x_peer own-stuck            owns CLIPBOARD and never answers a request
//   x_peer own-image            owns CLIPBOARD offering only image/png
//   x_peer own-bytes FILE       owns CLIPBOARD offering FILE's bytes, unchanged, as UTF8_STRING
//   x_peer owner                prints the CLIPBOARD owner's window id, or "none"
//
// The owning modes print "ready" once they own the selection, and end when they lose it
// or after a minute at most.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <chrono>
#include <cstdio>
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
      } else if (mode == "own-image" && req.target == png) {
        const unsigned char picture[] = {0x89, 'P', 'N', 'G'};
        XChangeProperty(d, req.requestor, property, png, 8, PropModeReplace, picture, 4);
        reply(d, req, property);
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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
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
  std::string bytes;
  if (mode == "own-bytes" && argc > 2) {
    std::ifstream in(argv[2], std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    bytes = s.str();
  }
  return own(d, mode, bytes);
}
