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
  // `beside_wayland`: the run is in a Wayland session and takes the X11 path through
  // XWayland, whose clipboard is the session's only where the compositor bridges it. With
  // no owner at all there, the session's clipboard cannot be told, and a read says so
  // rather than quoting nothing.
  explicit X11Clipboard(bool beside_wayland = false);
  ~X11Clipboard() override;

  void acquire() override;
  void release() noexcept override;
  std::optional<DesktopText> read() override;
  void write(const std::optional<std::string>& text, Forms forms) override;

  // The run's display connection, for other services to share; nullptr when no display can
  // be reached. A write may hand it over to the serving process, so ask again each time.
  x11::Connection* shared_connection() noexcept;

 private:
  x11::Connection& connection();
  std::unique_ptr<x11::Connection> connection_;
  bool beside_wayland_;
};

// True when a message box could be shown on $DISPLAY.
bool display_reachable();

}  // namespace qm
