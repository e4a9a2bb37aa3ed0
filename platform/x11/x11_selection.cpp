#include "x11_selection.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <climits>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "error.h"
#include "html_forms.h"
#include "process.h"
#include "selection_reading.h"
#include "serving_process.h"
#include "text.h"

extern char** environ;

namespace qm::x11 {
namespace {

using selection::append_growing;
using selection::kMaxGrowth;
using selection::kMaxRead;
using selection::kReadTimeout;
using selection::reserve_for_text;

using Clock = std::chrono::steady_clock;

// Chunks of an INCR transfer: the X server copies each one twice, and a megabyte stays
// within what its allocator reuses; larger chunks were slower, smaller ones no faster.
constexpr std::size_t kMaxChunk = 1u << 20;

// Waits for an event that `match` accepts, dropping the others; false at the deadline.
template <class Match>
bool wait_for_event(Display* d, Clock::time_point deadline, Match match, XEvent& event) {
  for (;;) {
    while (XPending(d) > 0) {
      XNextEvent(d, &event);
      if (match(event)) return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, static_cast<int>(left.count()) + 1);
  }
}

struct XFreer {
  void operator()(unsigned char* p) const { XFree(p); }
};

struct Property {
  Atom type = None;
  int format = 0;
  unsigned long items = 0;
  std::unique_ptr<unsigned char, XFreer> data;
  std::size_t bytes() const { return format == 0 ? 0 : items * (format / 8); }
};

// Reads a property whole, in pieces that the allocator can reuse (a fresh page is dear on
// a virtual machine), appending its bytes to `out`; deletes it after the last piece.
// An INCR chunk (`incremental`) only adds to the text, which grows by append_growing.
Property take_property(Connection& c, std::string* out = nullptr, bool incremental = false, std::size_t hint = 0) {
  constexpr long kPieceWords = (1 << 20) / 4;
  Property p;
  for (long offset = 0;; offset += kPieceWords) {
    unsigned long after = 0, items = 0;
    unsigned char* data = nullptr;
    Atom type = None;
    int format = 0;
    XGetWindowProperty(c.display, c.window, c.atoms->property, offset, kPieceWords, True, AnyPropertyType,
                       &type, &format, &items, &after, &data);
    std::unique_ptr<unsigned char, XFreer> piece(data);
    if (offset == 0) {
      p.type = type;
      p.format = format;
      // The first piece tells the whole size, which the server holds: make room for it once.
      if (format == 8 && out && !incremental && out->capacity() < out->size() + items + after)
        reserve_for_text(*out, out->size() + items + after);
    }
    p.items += items;
    if (format == 8 && out && data) append_growing(*out, {reinterpret_cast<const char*>(data), items}, hint);
    else if (offset == 0) p.data = std::move(piece);  // an INCR size or a non-text answer
    if (after == 0 || type == None || format != 8 || !out) return p;
  }
}

// Whether an answer of this type holds text: an owner may answer a request for text with a
// picture, whose bytes are no text of any kind.
bool is_text_type(const Atoms& a, Atom type) {
  return type == a.utf8_string || type == a.text_plain_utf8 || type == a.string || type == a.text;
}

// Receives an INCR transfer, whose first property (already deleted) claimed `hint` bytes:
// only a hint, as an owner may claim any size. `type` is the chunks' type.
std::string receive_incremental(Connection& c, std::size_t hint, Clock::time_point deadline, Atom& type) {
  std::string out;
  // A claim within what a read may take is believed; room beyond it grows with what arrives.
  if (hint <= kMaxRead) reserve_for_text(out, hint);
  else out = string_with_capacity(kMaxGrowth);
  for (;;) {
    XEvent ev;
    const bool arrived = wait_for_event(
        c.display, std::min(deadline, Clock::now() + kStallTimeout),
        [&](const XEvent& e) {
          return e.type == PropertyNotify && e.xproperty.window == c.window &&
                 e.xproperty.atom == c.atoms->property && e.xproperty.state == PropertyNewValue;
        },
        ev);
    if (!arrived) throw Error(kCannotOpenClipboard);
    const Property chunk = take_property(c, &out, true, hint);
    if (chunk.type != None && chunk.format != 8) throw Error(kCannotOpenClipboard);  // not a text chunk
    if (type == None) type = chunk.type;
    if (chunk.items == 0) return out;
  }
}

Window create_window(Display* d) {
  XSetWindowAttributes attributes{};
  attributes.event_mask = PropertyChangeMask;
  return XCreateWindow(d, DefaultRootWindow(d), -10, -10, 1, 1, 0, CopyFromParent, InputOnly,
                       CopyFromParent, CWEventMask, &attributes);
}

// Another client's errors (a requestor that went away mid-transfer) must not end a server.
int ignore_error(Display*, XErrorEvent*) { return 0; }
int exit_on_io_error(Display*) { _exit(0); }

// A transfer in progress to one requestor's property.
struct Transfer {
  Atom type;
  std::string_view data;
  std::size_t offset;
  Clock::time_point last_progress;
};

class SelectionServer {
 public:
  SelectionServer(Connection& c, Time owned_since, std::string_view data, std::optional<Forms> offered)
      : c_(c), a_(*c.atoms), owned_since_(owned_since), data_(data), offered_(offered) {
    const long max_request =
        XExtendedMaxRequestSize(c.display) ? XExtendedMaxRequestSize(c.display) : XMaxRequestSize(c.display);
    chunk_ = std::min<std::size_t>(kMaxChunk, static_cast<std::size_t>(max_request) * 4 - 1024);
  }

  void run() {
    XSetErrorHandler(ignore_error);
    XSetIOErrorHandler(exit_on_io_error);
    while (!(lost_ && transfers_.empty())) {
      XEvent ev;
      if (wait_for_event(c_.display, Clock::now() + std::chrono::seconds(1),
                         [](const XEvent&) { return true; }, ev))
        handle(ev);
      drop_stalled();
    }
    // The X server drops what a client that hung up still had unread in its socket: the
    // last SelectionNotify or the empty chunk that ends a transfer. Wait until it has
    // processed everything sent.
    XSync(c_.display, False);
  }

 private:
  using Key = std::pair<Window, Atom>;

  void handle(const XEvent& ev) {
    switch (ev.type) {
      case SelectionClear:
        // Only the X server tells an owner that it has lost the selection; a SelectionClear
        // that another client sent proves nothing.
        if (ev.xselectionclear.selection == a_.clipboard && !ev.xany.send_event) lost_ = true;
        break;
      case SelectionRequest:
        answer(ev.xselectionrequest);
        break;
      case PropertyNotify:
        if (ev.xproperty.state == PropertyDelete) continue_transfer({ev.xproperty.window, ev.xproperty.atom});
        break;
      case DestroyNotify:
        std::erase_if(transfers_, [&](const auto& t) { return t.first.first == ev.xdestroywindow.window; });
        break;
      default:
        break;
    }
  }

  bool is_text_target(Atom target) const {
    return target == a_.utf8_string || target == a_.text_plain_utf8 || target == a_.text ||
           target == a_.string || target == a_.compound_text;
  }

  bool offers(Atom target) const {
    return offered_ && (is_text_target(target) || (target == a_.text_html && offered_ == Forms::TextAndHtml));
  }

  // The text as a target asks for it. The legacy forms and the HTML are made on the first
  // request for each:
  // STRING is Latin-1 with what Latin-1 cannot hold as numeric character references, which
  // are the same characters to every reader of HTML; COMPOUND_TEXT comes from Xlib's
  // conversion, and in the Latin-1 form (valid compound text) where that fails.
  std::pair<Atom, std::string_view> form(Atom target) {
    if (target == a_.text_plain_utf8) return {a_.text_plain_utf8, data_};
    if (target == a_.text_html) {
      if (!html_) html_ = html_with_charset(data_);
      return {a_.text_html, *html_};
    }
    if (target == a_.string || target == a_.compound_text) {
      if (!latin1_) latin1_ = from_utf8(data_, CodePage::from_codeset("ISO-8859-1"));
      if (target == a_.string) return {a_.string, *latin1_};
      if (!compound_) {
        std::string text(data_);
        char* list[] = {text.data()};
        XTextProperty prop{};
        if (Xutf8TextListToTextProperty(c_.display, list, 1, XCompoundTextStyle, &prop) == Success && prop.value)
          compound_.emplace(reinterpret_cast<const char*>(prop.value), prop.nitems);
        else
          compound_ = *latin1_;
        if (prop.value) XFree(prop.value);
      }
      return {a_.compound_text, *compound_};
    }
    return {a_.utf8_string, data_};  // UTF8_STRING, and TEXT answered as UTF-8
  }

  void answer(const XSelectionRequestEvent& req) {
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = req.display;
    reply.requestor = req.requestor;
    reply.selection = req.selection;
    reply.target = req.target;
    reply.time = req.time;
    reply.property = None;
    // Obsolete requestors name no property: the target doubles as one.
    const Atom property = req.property == None ? req.target : req.property;
    Display* d = c_.display;

    if (req.selection != a_.clipboard || lost_) {
      // refused
    } else if (req.target == a_.targets) {
      std::vector<Atom> offered{a_.targets, a_.timestamp};
      if (offered_ == Forms::TextAndHtml) offered.push_back(a_.text_html);
      if (offered_)
        offered.insert(offered.end(), {a_.utf8_string, a_.text_plain_utf8, a_.text, a_.string, a_.compound_text});
      XChangeProperty(d, req.requestor, property, a_.atom, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(offered.data()), static_cast<int>(offered.size()));
      reply.property = property;
    } else if (req.target == a_.timestamp) {
      long stamp = static_cast<long>(owned_since_);
      XChangeProperty(d, req.requestor, property, a_.integer, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&stamp), 1);
      reply.property = property;
    } else if (offers(req.target)) {
      const auto [type, text] = form(req.target);
      if (text.size() <= chunk_) {
        XChangeProperty(d, req.requestor, property, type, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
      } else {
        XSelectInput(d, req.requestor, PropertyChangeMask | StructureNotifyMask);
        long size = static_cast<long>(text.size());
        XChangeProperty(d, req.requestor, property, a_.incr, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&size), 1);
        transfers_[{req.requestor, property}] = Transfer{type, text, 0, Clock::now()};
      }
      reply.property = property;
    }
    XEvent out{};
    out.xselection = reply;
    XSendEvent(d, req.requestor, False, NoEventMask, &out);
    XFlush(d);
  }

  void continue_transfer(const Key& key) {
    auto it = transfers_.find(key);
    if (it == transfers_.end()) return;
    Transfer& t = it->second;
    const std::size_t n = std::min(chunk_, t.data.size() - t.offset);
    XChangeProperty(c_.display, key.first, key.second, t.type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(t.data.data() + t.offset), static_cast<int>(n));
    t.last_progress = Clock::now();
    if (n == 0) finish(it);  // the empty chunk ends the transfer
    else t.offset += n;
    XFlush(c_.display);
  }

  void finish(std::map<Key, Transfer>::iterator it) {
    const Window requestor = it->first.first;
    transfers_.erase(it);
    const bool still_used = std::any_of(transfers_.begin(), transfers_.end(),
                                        [&](const auto& t) { return t.first.first == requestor; });
    if (!still_used) XSelectInput(c_.display, requestor, NoEventMask);
  }

  void drop_stalled() {
    const auto now = Clock::now();
    for (auto it = transfers_.begin(); it != transfers_.end();) {
      auto next = std::next(it);
      if (now - it->second.last_progress > kStallTimeout) finish(it);
      it = next;
    }
  }

  Connection& c_;
  const Atoms& a_;
  Time owned_since_;
  std::string_view data_;
  std::optional<Forms> offered_;
  std::size_t chunk_ = 0;
  bool lost_ = false;
  std::map<Key, Transfer> transfers_;
  std::optional<std::string> latin1_, compound_, html_;
};

int window_errors = 0;
int count_error(Display*, XErrorEvent*) {
  ++window_errors;
  return 0;
}

enum class Owner { Ours, Foreign, Gone };

// Whether `w` is the window of a serving process of ours, which carries the server mark.
Owner owner_kind(Connection& c, Window w) {
  if (w == None) return Owner::Gone;
  window_errors = 0;
  auto* previous = XSetErrorHandler(count_error);  // the window may be gone already
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  const int rc = XGetWindowProperty(c.display, w, c.atoms->server_mark, 0, 1, False, AnyPropertyType, &type,
                                    &format, &items, &after, &data);
  XSync(c.display, False);
  XSetErrorHandler(previous);
  if (data) XFree(data);
  if (window_errors > 0) return Owner::Gone;
  return rc == Success && type != None ? Owner::Ours : Owner::Foreign;
}

enum class Ownership { Taken, TakenByOurs, Refused };

// Takes CLIPBOARD for the connection's window as of the start of the read, if there was
// one: the X server refuses that when another client has taken it since, and the newer copy
// stays. When that client is a serving process of ours (two runs at once), its result is as
// good as this one's and the write has nothing left to do.
Ownership take_ownership(Connection& c, Time& when) {
  when = c.read_started != CurrentTime ? c.read_started : server_time(c);
  const unsigned char mark = 1;
  XChangeProperty(c.display, c.window, c.atoms->server_mark, c.atoms->integer, 8, PropModeReplace, &mark, 1);
  XSetSelectionOwner(c.display, c.atoms->clipboard, c.window, when);
  // Among runs at once the owner that overtook this one may itself be overtaken and gone
  // before its mark is read: ask again for the owner then.
  for (int attempt = 0; attempt < 20; ++attempt) {
    const Window owner = XGetSelectionOwner(c.display, c.atoms->clipboard);
    if (owner == c.window) return Ownership::Taken;
    if (owner == None) break;
    const Owner kind = owner_kind(c, owner);
    if (kind != Owner::Gone) return kind == Owner::Ours ? Ownership::TakenByOurs : Ownership::Refused;
  }
  return Ownership::Refused;
}

// Takes the clipboard as of the read's start and serves `data` until another client takes
// it. Returns the serving process's exit status.
int own_and_serve(Connection& c, std::string_view data, std::optional<Forms> offered, serving::Reporter& report) {
  try {
    Time when;
    const Ownership taken = take_ownership(c, when);
    if (taken != Ownership::Taken) {
      report(taken == Ownership::TakenByOurs ? serving::Word::OursFirst : serving::Word::Failed);
      return taken == Ownership::TakenByOurs ? 0 : 1;
    }
    report(serving::Word::Owns);
    run_selection_server(c, when, data, offered);
  } catch (const Error&) {
    report(serving::Word::Failed);
    return 1;
  }
  return 0;
}

// A connection whose socket a forked serving process has taken over: this process must not
// say another word on it, so the display is never closed, only kept where leak checkers see it.
std::vector<Display*> handed_over_displays;

}  // namespace

Atoms::Atoms(Display* d) {
  const char* names[] = {"CLIPBOARD", "TARGETS", "TIMESTAMP", "UTF8_STRING", "text/plain;charset=utf-8",
                         "TEXT", "STRING", "INCR", "INTEGER", "ATOM", "QUOTEMILL_SELECTION",
                         "_QUOTEMILL_SERVER", "COMPOUND_TEXT", "text/html"};
  Atom values[std::size(names)];
  XInternAtoms(d, const_cast<char**>(names), static_cast<int>(std::size(names)), False, values);
  clipboard = values[0];
  targets = values[1];
  timestamp = values[2];
  utf8_string = values[3];
  text_plain_utf8 = values[4];
  text = values[5];
  string = values[6];
  incr = values[7];
  integer = values[8];
  atom = values[9];
  property = values[10];
  server_mark = values[11];
  compound_text = values[12];
  text_html = values[13];
}

namespace {

// A connection attempt that may outlive the caller's patience.
struct ConnectAttempt {
  std::mutex mutex;
  std::condition_variable done_cv;
  bool done = false;
  bool abandoned = false;
  Display* display = nullptr;
};

std::atomic<bool> display_unresponsive{false};
// A display that answered after its caller had given up, kept where it can still be found.
std::atomic<Display*> late_display{nullptr};

}  // namespace

Display* open_display(const char* display_name) {
  if (display_unresponsive) return nullptr;
  auto attempt = std::make_shared<ConnectAttempt>();
  const std::optional<std::string> name = display_name ? std::optional<std::string>(display_name) : std::nullopt;
  // Xlib has no time-out of its own: the attempt runs on a thread that can be left behind.
  // No keyboard is read on these connections: without XKB, connecting costs two round trips less.
  XkbIgnoreExtension(True);
  std::thread connecting([attempt, name] {
    Display* d = XOpenDisplay(name ? name->c_str() : nullptr);
    if (d) XSync(d, False);  // the display's first answer
    std::lock_guard lock(attempt->mutex);
    if (attempt->abandoned)
      late_display = d;
    else
      attempt->display = d;
    attempt->done = true;
    attempt->done_cv.notify_all();
  });
  std::unique_lock lock(attempt->mutex);
  if (attempt->done_cv.wait_for(lock, kConnectTimeout, [&] { return attempt->done; })) {
    lock.unlock();
    connecting.join();
    return attempt->display;
  }
  attempt->abandoned = true;
  display_unresponsive = true;
  lock.unlock();
  connecting.detach();
  return nullptr;
}

Connection::Connection(const char* display_name) {
  display = open_display(display_name);
  if (!display) throw Error(kCannotOpenClipboard);
  window = create_window(display);
  atoms.emplace(display);
}

Connection::~Connection() {
  if (display) XCloseDisplay(display);
}

namespace {

void ask_server_time(Connection& c) {
  XChangeProperty(c.display, c.window, c.atoms->property, c.atoms->string, 8, PropModeAppend, nullptr, 0);
}

// The time of the first PropertyNotify on the window, which ask_server_time caused.
Time await_server_time(Connection& c) {
  XEvent ev;
  const bool seen = wait_for_event(
      c.display, Clock::now() + kAnswerTimeout,
      [&](const XEvent& e) { return e.type == PropertyNotify && e.xproperty.window == c.window; }, ev);
  return seen ? ev.xproperty.time : CurrentTime;
}

}  // namespace

std::optional<std::string> read_clipboard(Connection& c) {
  Display* d = c.display;
  const Atoms& a = *c.atoms;
  const auto deadline = Clock::now() + kReadTimeout;
  // The server time of the read's start rides along with the first request instead of
  // costing a round trip of its own: its PropertyNotify comes before any answer.
  ask_server_time(c);
  bool first_request = true;
  for (Atom target : {a.utf8_string, a.text_plain_utf8, a.string}) {
    XDeleteProperty(d, c.window, a.property);
    XConvertSelection(d, a.clipboard, target, a.property, c.window, CurrentTime);
    if (std::exchange(first_request, false)) c.read_started = await_server_time(c);
    XEvent ev;
    const bool answered = wait_for_event(
        d, Clock::now() + kAnswerTimeout,
        [&](const XEvent& e) {
          return e.type == SelectionNotify && e.xselection.requestor == c.window &&
                 e.xselection.selection == a.clipboard;
        },
        ev);
    if (!answered) throw Error(kCannotOpenClipboard);
    if (ev.xselection.property == None) {
      // Refused: try the next form of text, unless nobody owns the clipboard at all.
      if (XGetSelectionOwner(d, a.clipboard) == None) return std::nullopt;
      continue;
    }

    std::string text;
    Property first = take_property(c, &text);
    if (first.type == a.incr) {
      // Xlib hands a 32-bit item over as a long, sign-extended: 0xFFFFFFFF arrives as -1.
      const std::size_t hint =
          first.format == 32 && first.items > 0
              ? static_cast<std::uint32_t>(reinterpret_cast<const long*>(first.data.get())[0])
              : 0;
      first = Property{};
      text = receive_incremental(c, hint, deadline, first.type);
    } else if (first.format != 8) {
      continue;
    }
    if (!is_text_type(a, first.type)) return std::nullopt;
    if (const auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    if (target == a.string) return latin1_to_utf8(text);
    return text;  // handed on, not copied
  }
  return std::nullopt;
}

bool has_clipboard_owner(Connection& c) { return XGetSelectionOwner(c.display, c.atoms->clipboard) != None; }

Time server_time(Connection& c) {
  ask_server_time(c);
  return await_server_time(c);
}

void serve_clipboard(Connection& c, const std::optional<std::string>& text, Forms forms) {
  serving::Start start;
  start.backend = "x11";
  // The program started again claims the clipboard as of this run's read.
  start.words = std::to_string(c.read_started);
  start.environment = {std::string("DISPLAY=") + DisplayString(c.display)};
  start.connection_fd = ConnectionNumber(c.display);
  start.before_fork = [&c] { XFlush(c.display); };
  start.serve = [&c](std::string_view data, std::optional<Forms> offered, serving::Reporter& report) {
    // Xlib makes COMPOUND_TEXT from UTF-8 only under a UTF-8 locale.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    return own_and_serve(c, data, offered, report);
  };
  // The child has spoken on the connection, whatever its answer: the run's Xlib no longer
  // knows where the conversation stands, and a word from it (closing the display included)
  // would end in an X error. A later use of the clipboard connects anew.
  start.hand_over = [&c] {
    close(ConnectionNumber(c.display));
    handed_over_displays.push_back(std::exchange(c.display, nullptr));
  };
  serving::start(start, text, forms);
}

void run_selection_server(Connection& c, Time owned_since, std::string_view data, std::optional<Forms> offered) {
  SelectionServer(c, owned_since, data, offered).run();
}

int serve_spawned(serving::SpawnedJob& job) {
  // Xlib makes COMPOUND_TEXT from UTF-8 only under a UTF-8 locale.
  std::setlocale(LC_CTYPE, "C.UTF-8");
  try {
    Connection c;
    c.read_started = std::strtoul(job.words.c_str(), nullptr, 10);
    return own_and_serve(c, job.data, job.offered, job.report);
  } catch (const Error&) {
    job.report(serving::Word::Failed);
    return 1;
  }
}

}  // namespace qm::x11
