#pragma once
// The X11 selection protocol as the clipboard services use it: reading CLIPBOARD as a
// requestor, and owning it in a serving process that outlives the program.

#include <X11/Xlib.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "selection_reading.h"
#include "serving_process.h"

namespace qm::x11 {

using selection::kAnswerTimeout;
using selection::kStallTimeout;

// How long connecting to the display and its first answer may take.
inline constexpr std::chrono::milliseconds kConnectTimeout{3000};

// XOpenDisplay within kConnectTimeout: a stopped X server, or a socket that accepts and
// never answers, gives nullptr instead of blocking. Once a display has not answered in
// time, every later call gives nullptr at once.
Display* open_display(const char* display_name = nullptr);

struct Atoms {
  Atom clipboard, targets, timestamp, utf8_string, text_plain_utf8, text, string, incr, integer,
      atom, property, server_mark, compound_text, text_html;
  explicit Atoms(Display* display);
};

// A display connection with the hidden window that requests and owns the selection.
struct Connection {
  Display* display = nullptr;
  Window window = 0;
  std::optional<Atoms> atoms;
  // When the last read began (server time): a write claims the clipboard as of then, so
  // that the X server refuses it when another program copied in the meantime.
  Time read_started = CurrentTime;

  // Connects to $DISPLAY (or `display_name`); throws Error when no display is reachable.
  explicit Connection(const char* display_name = nullptr);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
};

// The CLIPBOARD text as UTF-8, up to its first NUL; nullopt when it offers no text.
// Throws Error when the owner does not answer or stalls.
std::optional<std::string> read_clipboard(Connection& c);

// Whether any client owns CLIPBOARD.
bool has_clipboard_owner(Connection& c);

// The current server time, read from a property change on the connection's window.
Time server_time(Connection& c);

// Makes `text` the CLIPBOARD content (nullopt: owned, but offering no text) until another
// program takes it, through a detached serving process. Returns once the serving process
// owns the selection (or another serving process of ours has taken it since the read
// began); throws Error when it could not take it.
void serve_clipboard(Connection& c, const std::optional<std::string>& text, Forms forms);

// Answers requests for CLIPBOARD until another client owns it and every transfer is done.
void run_selection_server(Connection& c, Time owned_since, std::string_view data, std::optional<Forms> offered);

// The job of a serving process that the program was started again for (see serve_clipboard).
int serve_spawned(serving::SpawnedJob& job);

}  // namespace qm::x11
