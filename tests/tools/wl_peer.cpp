// A misbehaving Wayland clipboard peer for end-to-end tests, the twin of x_peer: the other
// side of the clipboard in the cases that wl-copy and wl-paste cannot play. It speaks the
// data-control protocol as a clipboard manager does (ext-data-control-v1 where the
// compositor offers it, else zwlr_data_control_manager_v1), so it needs no window and no
// focus.
//
//   wl_peer protocol        prints the data-control protocol it would use, or "none"
//   wl_peer own-stuck       owns the clipboard offering text/plain;charset=utf-8 and never
//                           writes to a reader's pipe, nor closes it
//   wl_peer own-image       owns the clipboard offering only image/png
//   wl_peer own-bytes FILE  owns the clipboard offering FILE's bytes, unchanged, as text
//   wl_peer own-drip        owns the clipboard offering text, and writes a reader one byte a
//                           second without end
//   wl_peer read-stall      asks for the clipboard's text and never reads from its pipe;
//                           prints "stalled" (or "none" when nothing is copied)
//   wl_peer race-read       asks for the clipboard's text and takes the clipboard over at
//                           once, as a new copy racing the request; reads the answer to its
//                           end and prints "got SIZE", or "unanswered after SIZE"
//
// The owning modes print "ready" once they own the clipboard, and end when they lose it or
// after a minute at most; the reading modes end after a minute at most.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ext-data-control-v1.h"
#include "wlr-data-control-unstable-v1.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr char kText[] = "text/plain;charset=utf-8";

// The two protocols differ only in their names: one peer over either.
struct Ext {
  using Manager = ext_data_control_manager_v1;
  using Device = ext_data_control_device_v1;
  using Source = ext_data_control_source_v1;
  using Offer = ext_data_control_offer_v1;
  using DeviceListener = ext_data_control_device_v1_listener;
  using SourceListener = ext_data_control_source_v1_listener;
  using OfferListener = ext_data_control_offer_v1_listener;
  static constexpr const wl_interface* interface = &ext_data_control_manager_v1_interface;
  static constexpr std::uint32_t version = 1;
  static Device* device(Manager* m, wl_seat* seat) { return ext_data_control_manager_v1_get_data_device(m, seat); }
  static Source* source(Manager* m) { return ext_data_control_manager_v1_create_data_source(m); }
  static void listen(Device* d, const DeviceListener* l, void* data) { ext_data_control_device_v1_add_listener(d, l, data); }
  static void listen(Source* s, const SourceListener* l, void* data) { ext_data_control_source_v1_add_listener(s, l, data); }
  static void listen(Offer* o, const OfferListener* l, void* data) { ext_data_control_offer_v1_add_listener(o, l, data); }
  static void offer(Source* s, const char* type) { ext_data_control_source_v1_offer(s, type); }
  static void set_selection(Device* d, Source* s) { ext_data_control_device_v1_set_selection(d, s); }
  static void receive(Offer* o, const char* type, int fd) { ext_data_control_offer_v1_receive(o, type, fd); }
  static void destroy(Offer* o) { ext_data_control_offer_v1_destroy(o); }
};

struct Wlr {
  using Manager = zwlr_data_control_manager_v1;
  using Device = zwlr_data_control_device_v1;
  using Source = zwlr_data_control_source_v1;
  using Offer = zwlr_data_control_offer_v1;
  using DeviceListener = zwlr_data_control_device_v1_listener;
  using SourceListener = zwlr_data_control_source_v1_listener;
  using OfferListener = zwlr_data_control_offer_v1_listener;
  static constexpr const wl_interface* interface = &zwlr_data_control_manager_v1_interface;
  static constexpr std::uint32_t version = 2;
  static Device* device(Manager* m, wl_seat* seat) { return zwlr_data_control_manager_v1_get_data_device(m, seat); }
  static Source* source(Manager* m) { return zwlr_data_control_manager_v1_create_data_source(m); }
  static void listen(Device* d, const DeviceListener* l, void* data) { zwlr_data_control_device_v1_add_listener(d, l, data); }
  static void listen(Source* s, const SourceListener* l, void* data) { zwlr_data_control_source_v1_add_listener(s, l, data); }
  static void listen(Offer* o, const OfferListener* l, void* data) { zwlr_data_control_offer_v1_add_listener(o, l, data); }
  static void offer(Source* s, const char* type) { zwlr_data_control_source_v1_offer(s, type); }
  static void set_selection(Device* d, Source* s) { zwlr_data_control_device_v1_set_selection(d, s); }
  static void receive(Offer* o, const char* type, int fd) { zwlr_data_control_offer_v1_receive(o, type, fd); }
  static void destroy(Offer* o) { zwlr_data_control_offer_v1_destroy(o); }
};

struct Globals {
  wl_seat* seat = nullptr;
  std::uint32_t ext = 0, wlr = 0, wlr_version = 0;  // their names in the registry
};

void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version) {
  Globals& g = *static_cast<Globals*>(data);
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && !g.seat) {
    g.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  } else if (std::strcmp(interface, Ext::interface->name) == 0) {
    g.ext = name;
  } else if (std::strcmp(interface, Wlr::interface->name) == 0) {
    g.wlr = name;
    g.wlr_version = version;
  }
}
void global_remove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistry{global, global_remove};

// A reader's pipe and what it is still owed.
struct Transfer {
  int fd;
  std::string bytes;
  bool drip;
  Clock::time_point next;
};

template <class P>
struct Peer {
  wl_display* display = nullptr;
  typename P::Manager* manager = nullptr;
  typename P::Device* device = nullptr;
  std::string mode, bytes;
  bool lost = false;
  std::vector<Transfer> transfers;
  std::vector<int> held;  // the pipes own-stuck never writes to
  // The offer of the current selection and the types it offers.
  typename P::Offer* offer = nullptr;
  typename P::Offer* introduced = nullptr;
  std::vector<std::string> types, introduced_types;
  bool selection_known = false;

  static void on_offer_type(void* data, typename P::Offer* offer, const char* type) {
    Peer& p = *static_cast<Peer*>(data);
    if (offer == p.introduced) p.introduced_types.emplace_back(type);
  }
  static constexpr typename P::OfferListener kOffer{on_offer_type};

  static void on_data_offer(void* data, typename P::Device*, typename P::Offer* offer) {
    Peer& p = *static_cast<Peer*>(data);
    p.introduced = offer;
    p.introduced_types.clear();
    P::listen(offer, &kOffer, data);
  }
  static void on_selection(void* data, typename P::Device*, typename P::Offer* offer) {
    Peer& p = *static_cast<Peer*>(data);
    if (p.offer && p.offer != offer) P::destroy(p.offer);
    p.offer = offer;
    p.types = offer == p.introduced ? p.introduced_types : std::vector<std::string>{};
    p.selection_known = true;
  }
  static void on_finished(void* data, typename P::Device*) { static_cast<Peer*>(data)->lost = true; }
  static void on_primary(void* data, typename P::Device*, typename P::Offer* offer) {
    Peer& p = *static_cast<Peer*>(data);
    if (offer && offer != p.offer) P::destroy(offer);
  }
  static constexpr typename P::DeviceListener kDevice{on_data_offer, on_selection, on_finished, on_primary};

  static void on_send(void* data, typename P::Source*, const char* type, std::int32_t fd) {
    Peer& p = *static_cast<Peer*>(data);
    fcntl(fd, F_SETFL, O_NONBLOCK);
    const bool text = std::strcmp(type, kText) == 0 || std::strcmp(type, "text/plain") == 0;
    if (p.mode == "own-stuck") {
      p.held.push_back(fd);
    } else if (p.mode == "own-image" && std::strcmp(type, "image/png") == 0) {
      p.transfers.push_back({fd, std::string("\x89PNG\r\n\x1a\n", 8), false, {}});
    } else if (p.mode == "own-drip" && text) {
      p.transfers.push_back({fd, "", true, Clock::now()});
    } else if ((p.mode == "own-bytes" || p.mode == "race-read") && text) {
      p.transfers.push_back({fd, p.bytes, false, {}});
    } else {
      close(fd);
    }
  }
  static void on_cancelled(void* data, typename P::Source*) { static_cast<Peer*>(data)->lost = true; }
  static constexpr typename P::SourceListener kSource{on_send, on_cancelled};

  // Reads the compositor's events for up to `wait`, and feeds the readers' pipes.
  bool pump(std::chrono::milliseconds wait) {
    while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
    wl_display_flush(display);
    std::vector<pollfd> fds{{wl_display_get_fd(display), POLLIN, 0}};
    const auto now = Clock::now();
    for (const Transfer& t : transfers)
      if (!t.drip || t.next <= now) fds.push_back({t.fd, POLLOUT, 0});
    if (poll(fds.data(), fds.size(), transfers.empty() ? static_cast<int>(wait.count()) : 20) < 0) {
      wl_display_cancel_read(display);
      return false;
    }
    if (fds[0].revents & POLLIN) {
      if (wl_display_read_events(display) != 0) return false;
    } else {
      wl_display_cancel_read(display);
    }
    if (fds[0].revents & (POLLHUP | POLLERR)) return false;
    if (wl_display_dispatch_pending(display) < 0) return false;
    for (std::size_t i = 1; i < fds.size(); ++i) {
      if (!(fds[i].revents & (POLLOUT | POLLERR | POLLHUP))) continue;
      for (auto it = transfers.begin(); it != transfers.end(); ++it) {
        if (it->fd != fds[i].fd) continue;
        bool done = false;
        if (it->drip) {
          done = write(it->fd, "d", 1) != 1;
          it->next = Clock::now() + 1s;  // slower than any whole read may take, never stalled
        } else {
          const ssize_t n = write(it->fd, it->bytes.data(), it->bytes.size());
          if (n > 0) it->bytes.erase(0, static_cast<std::size_t>(n));
          done = it->bytes.empty() || (n < 0 && errno != EAGAIN);
        }
        if (done) {
          close(it->fd);
          transfers.erase(it);
        }
        break;
      }
    }
    return true;
  }

  // The current selection, which the compositor tells a new device at once. KWin 5.27 says
  // nothing where nothing is copied: no word by the end of the round trip is no selection.
  bool learn_selection() {
    if (wl_display_roundtrip(display) < 0) return false;
    if (!selection_known) offer = nullptr;
    return true;
  }

  const char* text_type() const {
    for (const char* wanted : {kText, "text/plain", "UTF8_STRING"})
      for (const std::string& t : types)
        if (t == wanted) return wanted;
    return types.empty() ? kText : types.front().c_str();
  }

  typename P::Source* take_clipboard(const std::vector<const char*>& offered) {
    typename P::Source* source = P::source(manager);
    P::listen(source, &kSource, this);
    for (const char* type : offered) P::offer(source, type);
    P::set_selection(device, source);
    return source;
  }

  int own() {
    std::vector<const char*> offered{kText};
    if (mode == "own-image") offered = {"image/png"};
    if (mode == "own-bytes") offered = {kText, "text/plain", "UTF8_STRING"};
    take_clipboard(offered);
    if (wl_display_roundtrip(display) < 0 || lost) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    for (const auto end = Clock::now() + 1min; !lost && Clock::now() < end;)
      if (!pump(200ms)) return 1;
    return 0;
  }

  int stall() {
    if (!learn_selection()) return 1;
    if (!offer) {
      std::printf("none\n");
      return 1;
    }
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) return 1;
    P::receive(offer, text_type(), pipe_fds[1]);
    wl_display_flush(display);
    close(pipe_fds[1]);
    std::printf("stalled\n");
    std::fflush(stdout);  // and never reads, so the owner's writes fill the pipe and stop
    for (const auto end = Clock::now() + 1min; Clock::now() < end;)
      if (!pump(200ms)) break;
    close(pipe_fds[0]);
    return 0;
  }

  int race() {
    if (!learn_selection()) return 1;
    if (!offer) {
      std::printf("none\n");
      return 1;
    }
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) return 1;
    P::receive(offer, text_type(), pipe_fds[1]);
    bytes = "race";
    take_clipboard({kText});  // the new copy, sent right behind the request
    wl_display_flush(display);
    close(pipe_fds[1]);
    fcntl(pipe_fds[0], F_SETFL, O_NONBLOCK);
    std::size_t got = 0;
    char buffer[65536];
    for (auto last = Clock::now(); Clock::now() - last < 5s;) {
      if (!pump(0ms)) break;
      pollfd p{pipe_fds[0], POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      const ssize_t n = read(pipe_fds[0], buffer, sizeof buffer);
      if (n == 0) {
        std::printf("got %zu\n", got);
        return 0;
      }
      if (n > 0) {
        got += static_cast<std::size_t>(n);
        last = Clock::now();
      }
    }
    std::printf("unanswered after %zu\n", got);
    return 1;
  }

};

template <class P>
int run_peer(wl_display* display, wl_registry* registry, std::uint32_t name, std::uint32_t version,
             wl_seat* seat, const std::string& mode, const std::string& bytes) {
  Peer<P> peer;
  peer.display = display;
  peer.manager = static_cast<typename P::Manager*>(wl_registry_bind(registry, name, P::interface, version));
  peer.mode = mode;
  peer.bytes = bytes;
  peer.device = P::device(peer.manager, seat);
  P::listen(peer.device, &Peer<P>::kDevice, &peer);
  if (mode == "read-stall") return peer.stall();
  if (mode == "race-read") return peer.race();
  return peer.own();
}

int run(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string mode = argv[1];
  signal(SIGPIPE, SIG_IGN);  // a reader that went away is an error of write(), not our end
  std::string bytes;
  if (mode == "own-bytes") {
    if (argc < 3) return 2;
    std::ifstream in(argv[2], std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    bytes = s.str();
  } else if (mode != "protocol" && mode != "own-stuck" && mode != "own-image" && mode != "own-drip" &&
             mode != "read-stall" && mode != "race-read") {
    return 2;
  }
  wl_display* display = wl_display_connect(nullptr);
  if (!display) return 3;
  Globals g;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistry, &g);
  if (wl_display_roundtrip(display) < 0) return 3;
  if (mode == "protocol") {
    std::printf("%s\n", g.ext ? Ext::interface->name : g.wlr ? Wlr::interface->name : "none");
    return 0;
  }
  if (!g.seat || (!g.ext && !g.wlr)) {
    std::fprintf(stderr, "wl_peer: the compositor offers no data-control protocol\n");
    return 4;
  }
  return g.ext ? run_peer<Ext>(display, registry, g.ext, Ext::version, g.seat, mode, bytes)
               : run_peer<Wlr>(display, registry, g.wlr, std::min(g.wlr_version, Wlr::version), g.seat, mode, bytes);
}

}  // namespace

int main(int argc, char** argv) {
  const int status = run(argc, argv);
  // The compositor's objects and the connection end with the process: a peer that frees none
  // of them is no leak (and the sanitized suite's leak check would count them).
  std::fflush(nullptr);
  _exit(status);
}
