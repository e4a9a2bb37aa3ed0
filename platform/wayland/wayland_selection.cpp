#include "wayland_selection.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "error.h"
#include "html_forms.h"
#include "ext-data-control-v1.h"
#include "text.h"
#include "wlr-data-control-unstable-v1.h"

namespace qm::wayland {
namespace {

using Clock = std::chrono::steady_clock;

// The text forms a reader may ask for, in the order a read prefers them.
constexpr const char* kTextTypes[] = {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "STRING"};
// What a served selection offers: UTF-8 under every name readers use, and STRING in Latin-1;
// with the HTML form, that too.
constexpr const char* kServedTypes[] = {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "TEXT", "STRING"};
constexpr char kHtmlType[] = "text/html";
// A pipe as large as the system lets a user make one: a large text then crosses in fewer turns.
constexpr int kPipeSize = 1 << 20;
constexpr std::size_t kChunk = std::size_t{1} << 20;

int remaining_ms(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 60000));
}

}  // namespace

// One connection's state; the protocol flavour is the implementation's business.
class Session {
 public:
  virtual ~Session() = default;
  virtual std::optional<std::string> read_selection() = 0;
  virtual void serve(const std::optional<std::string>& text, Forms forms) = 0;
  virtual int serve_spawned(serving::SpawnedJob& job) = 0;
  virtual const char* protocol() const = 0;
};

namespace {

// The two data-control protocols are the same protocol under two names: one set of traits per
// name, and the code below written once over them.
#define QM_DATA_CONTROL_FLAVOUR(Name, prefix, label)                                                        \
  struct Name {                                                                                             \
    using Manager = prefix##_manager_v1;                                                                    \
    using Device = prefix##_device_v1;                                                                      \
    using Source = prefix##_source_v1;                                                                      \
    using Offer = prefix##_offer_v1;                                                                        \
    using DeviceListener = prefix##_device_v1_listener;                                                     \
    using SourceListener = prefix##_source_v1_listener;                                                     \
    using OfferListener = prefix##_offer_v1_listener;                                                       \
    static constexpr const char* kLabel = label;                                                            \
    static const wl_interface* manager_interface() { return &prefix##_manager_v1_interface; }              \
    static Device* get_device(Manager* m, wl_seat* s) { return prefix##_manager_v1_get_data_device(m, s); } \
    static Source* create_source(Manager* m) { return prefix##_manager_v1_create_data_source(m); }          \
    static void destroy(Manager* m) { prefix##_manager_v1_destroy(m); }                                     \
    static void destroy(Device* d) { prefix##_device_v1_destroy(d); }                                       \
    static void destroy(Source* s) { prefix##_source_v1_destroy(s); }                                       \
    static void destroy(Offer* o) { prefix##_offer_v1_destroy(o); }                                         \
    static void set_selection(Device* d, Source* s) { prefix##_device_v1_set_selection(d, s); }             \
    static void offer(Source* s, const char* type) { prefix##_source_v1_offer(s, type); }                   \
    static void receive(Offer* o, const char* type, int fd) { prefix##_offer_v1_receive(o, type, fd); }     \
    static void listen(Device* d, const DeviceListener* l, void* data) { prefix##_device_v1_add_listener(d, l, data); } \
    static void listen(Source* s, const SourceListener* l, void* data) { prefix##_source_v1_add_listener(s, l, data); } \
    static void listen(Offer* o, const OfferListener* l, void* data) { prefix##_offer_v1_add_listener(o, l, data); }    \
  }

QM_DATA_CONTROL_FLAVOUR(ExtFlavour, ext_data_control, "ext-data-control-v1");
QM_DATA_CONTROL_FLAVOUR(WlrFlavour, zwlr_data_control, "wlr-data-control");

// What the registry offered.
struct Globals {
  wl_seat* seat = nullptr;
  std::uint32_t ext = 0, wlr = 0;  // the managers' global names, 0 when not offered
};

void on_global(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
  auto& g = *static_cast<Globals*>(data);
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && !g.seat)
    g.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  else if (std::strcmp(interface, ext_data_control_manager_v1_interface.name) == 0)
    g.ext = name;
  else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0)
    g.wlr = name;
}
void on_global_remove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistryListener{on_global, on_global_remove};

// A transfer of the served text to one reader's pipe.
struct Transfer {
  int fd;
  std::string_view data;
  std::size_t offset;
  Clock::time_point last_progress;
};

template <class P>
class FlavourSession : public Session {
 public:
  FlavourSession(wl_display* display, wl_registry* registry, wl_seat* seat, std::uint32_t manager_name)
      : display_(display), registry_(registry), seat_(seat) {
    manager_ = static_cast<typename P::Manager*>(wl_registry_bind(registry, manager_name, P::manager_interface(), 1));
    device_ = P::get_device(manager_, seat_);
    P::listen(device_, &kDeviceListener, this);
    // The device tells the current selection, with its offer's types, at once.
    wl_display_roundtrip(display_);
    wl_display_roundtrip(display_);
  }

  ~FlavourSession() override {
    for (auto& [offer, types] : offers_) drop(offer, [](typename P::Offer* o) { P::destroy(o); });
    drop(source_, [](typename P::Source* s) { P::destroy(s); });
    drop(device_, [](typename P::Device* d) { P::destroy(d); });
    drop(manager_, [](typename P::Manager* m) { P::destroy(m); });
    drop(seat_, wl_seat_destroy);
    drop(registry_, wl_registry_destroy);
    wl_display_disconnect(display_);
  }

  const char* protocol() const override { return P::kLabel; }

  std::optional<std::string> read_selection() override {
    wl_display_roundtrip(display_);  // whatever changed since the connection was opened
    read_changes_ = selection_changes_;
    read_done_ = true;
    if (!selection_) return std::nullopt;
    const std::vector<std::string>& types = offers_[selection_];
    const char* type = nullptr;
    for (const char* wanted : kTextTypes)
      if (std::find(types.begin(), types.end(), wanted) != types.end()) {
        type = wanted;
        break;
      }
    if (!type) return std::nullopt;  // a picture, or nothing a text reader knows
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) throw Error(kCannotOpenClipboard);
    fcntl(pipe_fds[0], F_SETPIPE_SZ, kPipeSize);
    P::receive(selection_, type, pipe_fds[1]);
    wl_display_flush(display_);
    close(pipe_fds[1]);
    std::string text = receive(pipe_fds[0]);
    close(pipe_fds[0]);
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    if (std::strcmp(type, "STRING") == 0) return latin1_to_utf8(text);
    return text;
  }

  void serve(const std::optional<std::string>& text, Forms forms) override {
    serving::Start start;
    start.backend = "wayland";
    start.connection_fd = wl_display_get_fd(display_);
    start.before_fork = [this] { wl_display_flush(display_); };
    start.serve = [this](std::string_view data, std::optional<Forms> offered, serving::Reporter& report) {
      return own_and_serve(data, offered, report);
    };
    start.hand_over = [this] { handed_over_ = true; };
    serving::start(start, text, forms);
  }

  int serve_spawned(serving::SpawnedJob& job) override { return own_and_serve(job.data, job.offered, job.report); }

 private:
  // Reads the owner's pipe to its end, within the bounds of a read. The owner tells no size:
  // room starts large and untouched, as for an X11 transfer without a believable size, and
  // the pieces come through one buffer that stays warm.
  std::string receive(int fd) {
    std::string out = string_with_capacity(selection::kMaxGrowth);
    const auto piece = std::make_unique_for_overwrite<char[]>(kChunk);
    const auto deadline = Clock::now() + kReadTimeout;
    auto stall = Clock::now() + kAnswerTimeout;
    for (;;) {
      pollfd p{fd, POLLIN, 0};
      const int ready = poll(&p, 1, std::min(remaining_ms(deadline), remaining_ms(stall)));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) throw Error(kCannotOpenClipboard);  // the owner went quiet, or dripped too long
      const ssize_t n = read(fd, piece.get(), kChunk);
      if (n == 0) return out;
      if (n < 0) {
        if (errno == EINTR || errno == EAGAIN) continue;
        throw Error(kCannotOpenClipboard);
      }
      selection::append_growing(out, {piece.get(), static_cast<std::size_t>(n)});
      stall = Clock::now() + kStallTimeout;
    }
  }

  // Sets the selection to a source of ours and serves it until another client sets one and
  // every transfer is done. Returns the serving process's exit status.
  int own_and_serve(std::string_view data, std::optional<Forms> offered, serving::Reporter& report) {
    wl_display_roundtrip(display_);
    if (read_done_ && selection_changes_ != read_changes_) {
      // Someone copied since the run read: the newer copy stays, unless it is another run's.
      const bool ours = selection_ && has_type(selection_, kOursType);
      report(ours ? serving::Word::OursFirst : serving::Word::Failed);
      return ours ? 0 : 1;
    }
    data_ = data;
    offered_ = offered;
    source_ = P::create_source(manager_);
    P::listen(source_, &kSourceListener, this);
    if (offered == Forms::TextAndHtml) P::offer(source_, kHtmlType);
    if (offered)
      for (const char* type : kServedTypes) P::offer(source_, type);
    P::offer(source_, kOursType);
    P::set_selection(device_, source_);
    if (wl_display_roundtrip(display_) < 0 || lost_) {
      report(serving::Word::Failed);
      return 1;
    }
    report(serving::Word::Owns);
    run_server();
    return 0;
  }

  bool has_type(typename P::Offer* offer, const char* type) {
    const std::vector<std::string>& types = offers_[offer];
    return std::find(types.begin(), types.end(), type) != types.end();
  }

  // Answers each reader on its own until the selection is another's and every transfer is
  // done; a transfer that makes no progress for a while is dropped, so a stuck reader blocks
  // no one.
  void run_server() {
    const int display_fd = wl_display_get_fd(display_);
    while (!(lost_ && transfers_.empty())) {
      while (wl_display_prepare_read(display_) != 0)
        if (wl_display_dispatch_pending(display_) < 0) return;
      if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(display_);
        return;  // the compositor has gone
      }
      std::vector<pollfd> fds{{display_fd, POLLIN, 0}};
      for (const Transfer& t : transfers_) fds.push_back({t.fd, POLLOUT, 0});
      const int ready = poll(fds.data(), fds.size(), 1000);
      if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
        if (wl_display_read_events(display_) < 0) return;
      } else {
        wl_display_cancel_read(display_);
      }
      if (wl_display_dispatch_pending(display_) < 0) return;
      for (std::size_t i = 1; i < fds.size(); ++i)
        if (fds[i].revents) continue_transfer(fds[i].fd);
      drop_stalled();
    }
  }

  void start_transfer(const char* type, int fd) {
    std::string_view form = data_;
    if (std::strcmp(type, "STRING") == 0) {
      // Latin-1, with what Latin-1 cannot hold as numeric character references, which are the
      // same characters to every reader of HTML.
      if (!latin1_) latin1_ = from_utf8(data_, CodePage::from_codeset("ISO-8859-1"));
      form = *latin1_;
    } else if (std::strcmp(type, kHtmlType) == 0) {
      if (offered_ == Forms::TextAndHtml && !html_) html_ = html_with_charset(data_);
      form = html_ ? std::string_view(*html_) : std::string_view();
    } else if (std::find_if(std::begin(kServedTypes), std::end(kServedTypes),
                            [&](const char* t) { return std::strcmp(t, type) == 0; }) == std::end(kServedTypes)) {
      form = {};  // our own mark, or a type we never offered: nothing to send
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    transfers_.push_back({fd, form, 0, Clock::now()});
    continue_transfer(fd);
  }

  void continue_transfer(int fd) {
    auto it = std::find_if(transfers_.begin(), transfers_.end(), [fd](const Transfer& t) { return t.fd == fd; });
    if (it == transfers_.end()) return;
    while (it->offset < it->data.size()) {
      const ssize_t n = write(fd, it->data.data() + it->offset, std::min(kChunk, it->data.size() - it->offset));
      if (n > 0) {
        it->offset += static_cast<std::size_t>(n);
        it->last_progress = Clock::now();
        continue;
      }
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;  // the reader will make room
      break;                                                     // the reader has gone
    }
    close(fd);
    transfers_.erase(it);
  }

  void drop_stalled() {
    const auto now = Clock::now();
    std::erase_if(transfers_, [&](const Transfer& t) {
      if (now - t.last_progress <= kStallTimeout) return false;
      close(t.fd);
      return true;
    });
  }

  // Frees an object of the connection. After a fork has taken the connection over nothing more
  // is said on it: the object is only freed on this side, which sends no request.
  template <class T, class Request>
  void drop(T* object, Request request) {
    if (!object) return;
    if (handed_over_)
      wl_proxy_destroy(reinterpret_cast<wl_proxy*>(object));
    else
      request(object);
  }

  static void on_data_offer(void* data, typename P::Device*, typename P::Offer* offer) {
    auto* self = static_cast<FlavourSession*>(data);
    self->offers_[offer];
    P::listen(offer, &kOfferListener, self);
  }
  static void on_selection(void* data, typename P::Device*, typename P::Offer* offer) {
    auto* self = static_cast<FlavourSession*>(data);
    if (self->selection_ && self->selection_ != offer) self->forget(self->selection_);
    self->selection_ = offer;
    ++self->selection_changes_;
  }
  static void on_finished(void* data, typename P::Device*) { static_cast<FlavourSession*>(data)->lost_ = true; }
  static void on_primary_selection(void* data, typename P::Device*, typename P::Offer* offer) {
    auto* self = static_cast<FlavourSession*>(data);
    if (offer && offer != self->selection_) self->forget(offer);
  }
  static void on_offer(void* data, typename P::Offer* offer, const char* type) {
    static_cast<FlavourSession*>(data)->offers_[offer].emplace_back(type);
  }
  static void on_send(void* data, typename P::Source*, const char* type, std::int32_t fd) {
    static_cast<FlavourSession*>(data)->start_transfer(type, fd);
  }
  static void on_cancelled(void* data, typename P::Source*) { static_cast<FlavourSession*>(data)->lost_ = true; }

  void forget(typename P::Offer* offer) {
    offers_.erase(offer);
    P::destroy(offer);
  }

  static constexpr typename P::DeviceListener kDeviceListener{on_data_offer, on_selection, on_finished,
                                                              on_primary_selection};
  static constexpr typename P::OfferListener kOfferListener{on_offer};
  static constexpr typename P::SourceListener kSourceListener{on_send, on_cancelled};

  wl_display* display_;
  wl_registry* registry_;
  wl_seat* seat_;
  typename P::Manager* manager_ = nullptr;
  typename P::Device* device_ = nullptr;
  typename P::Source* source_ = nullptr;
  std::map<typename P::Offer*, std::vector<std::string>> offers_;
  typename P::Offer* selection_ = nullptr;
  unsigned selection_changes_ = 0, read_changes_ = 0;
  bool read_done_ = false;
  bool lost_ = false;
  bool handed_over_ = false;
  std::string_view data_;
  std::optional<std::string> latin1_, html_;
  std::optional<Forms> offered_;
  std::vector<Transfer> transfers_;
};

std::unique_ptr<Session> connect_session() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (!name || !*name) return nullptr;
  wl_display* display = wl_display_connect(nullptr);
  if (!display) return nullptr;
  Globals globals;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, &globals);
  wl_display_roundtrip(display);
  if (!globals.seat || (!globals.ext && !globals.wlr)) {
    if (globals.seat) wl_seat_destroy(globals.seat);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return nullptr;
  }
  if (globals.ext) return std::make_unique<FlavourSession<ExtFlavour>>(display, registry, globals.seat, globals.ext);
  return std::make_unique<FlavourSession<WlrFlavour>>(display, registry, globals.seat, globals.wlr);
}

}  // namespace

Connection::Connection(std::unique_ptr<Session> session) : session_(std::move(session)) {}
Connection::~Connection() = default;

std::unique_ptr<Connection> Connection::open() {
  std::unique_ptr<Session> session = connect_session();
  if (!session) return nullptr;
  return std::unique_ptr<Connection>(new Connection(std::move(session)));
}

std::optional<std::string> Connection::read_selection() { return session_->read_selection(); }
void Connection::serve(const std::optional<std::string>& text, Forms forms) { session_->serve(text, forms); }
const char* Connection::protocol() const { return session_->protocol(); }

bool display_reachable() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (!name || !*name) return false;
  wl_display* display = wl_display_connect(nullptr);
  if (!display) return false;
  wl_display_disconnect(display);
  return true;
}

int serve_spawned(serving::SpawnedJob& job) {
  std::unique_ptr<Session> session = connect_session();
  if (!session) {
    job.report(serving::Word::Failed);
    return 1;
  }
  return session->serve_spawned(job);
}

}  // namespace qm::wayland
