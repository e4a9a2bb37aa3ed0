#pragma once
// The clipboard of a Wayland session through the data-control protocol, which clipboard
// tools use: read as a requestor, and owned by a detached serving process that outlives the
// program. `ext-data-control-v1` where the compositor offers it, else
// `zwlr_data_control_manager_v1`.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "selection_reading.h"
#include "serving_process.h"

struct wl_display;

namespace qm::wayland {

// The bounds of a read and of a transfer are X11's.
using selection::kAnswerTimeout;
using selection::kReadTimeout;
using selection::kStallTimeout;

// The mime type that marks a selection served by a process of ours, so that two runs at
// once can tell another of ours from a newer copy of the user's.
inline constexpr char kOursType[] = "application/x-quotemill-result";

class Session;

// A connection to the compositor with the seat's data-control device.
class Connection {
 public:
  // Connects to WAYLAND_DISPLAY; nullopt when there is no compositor to reach or it offers no
  // data-control protocol.
  static std::unique_ptr<Connection> open();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // The text of the selection's plain-text form as UTF-8, up to its first NUL; nullopt when
  // it offers none. Throws Error when the owner does not answer in time or stalls.
  std::optional<std::string> read_selection();

  // Makes `text` the selection in `forms` (nullopt: owned, offering no text) until another client sets
  // one, through a detached serving process; returns once it owns it. Throws Error when it
  // could not, or when the selection changed since this connection read it (the newer copy
  // stays), unless that change was a serving process of ours.
  void serve(const std::optional<std::string>& text, Forms forms);

  // Which protocol the compositor offered: "ext-data-control-v1" or "wlr-data-control".
  const char* protocol() const;

 private:
  explicit Connection(std::unique_ptr<Session> session);
  std::unique_ptr<Session> session_;
};

// Whether a Wayland compositor can be reached at all (for windows and boxes).
bool display_reachable();

// The job of a serving process that the program was started again for (see serve).
int serve_spawned(serving::SpawnedJob& job);

}  // namespace qm::wayland
