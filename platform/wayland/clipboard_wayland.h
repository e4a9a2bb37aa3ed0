#pragma once
// The desktop clipboard of a Wayland session, through the data-control protocol.

#include <memory>

#include "clipboard.h"

namespace qm {

namespace wayland {
class Connection;
}

class WaylandClipboard : public ClipboardBackend {
 public:
  // Takes the connection the choice of backend made, or none: then the first use connects.
  explicit WaylandClipboard(std::unique_ptr<wayland::Connection> connection = nullptr);
  ~WaylandClipboard() override;

  // Throws Error when no compositor offering data-control can be reached.
  void acquire() override;
  void release() noexcept override {}
  std::optional<DesktopText> read() override;
  void write(const std::optional<std::string>& text, Forms forms) override;

 private:
  wayland::Connection& connection();
  std::unique_ptr<wayland::Connection> connection_;
};

}  // namespace qm
