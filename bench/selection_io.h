#pragma once
// The benchmarks' own side of the X selection, in plain Xlib: read a selection (INCR too)
// into one buffer, and serve one (INCR with its total size for anything larger than a
// request, as GTK and Qt do). Used by the bench owner, the floor client and the harness's
// check read, so that all three move bytes the same way.

#include <X11/Xlib.h>

#include <cstddef>

namespace qm::bench {

struct SelectionAtoms {
  Atom clipboard, targets, timestamp, utf8_string, string, text_plain_utf8, incr, atom, integer, property;
};
SelectionAtoms intern_selection_atoms(Display* d);

// Reads `selection` as UTF8_STRING through `window`, which must not be used for anything
// else meanwhile. On success returns true with a malloc'd buffer in *data (one spare byte at
// the end, for the caller's use) and its length; *when gets the server time of the last
// property change seen (a timestamp for a later XSetSelectionOwner). Gives up after
// `timeout_ms` without progress.
bool read_selection(Display* d, Window window, const SelectionAtoms& a, Atom selection, char** data,
                    std::size_t* size, Time* when, int timeout_ms);

// A text offered as the owner of a selection. Every requestor gets its own transfer.
struct SelectionServer {
  const char* data = nullptr;
  std::size_t size = 0;
  std::size_t chunk = 0;  // the largest property written at once; larger texts go by INCR
  Window window = None;
  Time owned_since = CurrentTime;
  struct Transfer {
    Window requestor;
    Atom property, type;
    std::size_t offset;  // bytes sent
  };
  Transfer transfers[16];
  int active = 0;
};

// A window for serving and reading, and the chunk size for this display.
void init_server(Display* d, SelectionServer* s, const char* data, std::size_t size);

// Takes `selection` with a timestamp of the server's (one property change on the window);
// true when it owns it.
bool claim(Display* d, const SelectionAtoms& a, SelectionServer* s, Atom selection);

// Takes `selection` at `when`, a time the server gave (a property change's); true when it owns it.
bool own(Display* d, SelectionServer* s, Atom selection, Time when);

// Handles one event for the server: requests, INCR continuations, requestors going away.
// Returns false on SelectionClear for the server's window (the selection is lost).
bool serve_event(Display* d, const SelectionAtoms& a, SelectionServer* s, const XEvent& e);

}  // namespace qm::bench
