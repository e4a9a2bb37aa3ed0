#pragma once
// The desktop clipboard on X11: the CLIPBOARD selection.

#include <memory>

#include "clipboard.h"

namespace qm {

namespace x11 {
struct Connection;
}

class X11Clipboard : public ClipboardBackend {
 public:
  X11Clipboard();
  ~X11Clipboard() override;

  void acquire() override;
  void release() noexcept override;
  std::optional<DesktopText> read() override;
  void write(const std::optional<std::string>& text) override;

  // The run's display connection, for other services to share; nullptr when no display can
  // be reached. A write may hand it over to the serving process, so ask again each time.
  x11::Connection* shared_connection() noexcept;

 private:
  x11::Connection& connection();
  std::unique_ptr<x11::Connection> connection_;
};

// True when a message box could be shown on $DISPLAY.
bool display_reachable();

}  // namespace qm

namespace qm {

// A program that writes the clipboard from a process running threads starts itself again
// as the serving process; its main() hands over to it first thing.
bool started_as_clipboard_server();
int serve_clipboard_for_caller();

}  // namespace qm
