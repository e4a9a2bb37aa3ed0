#include "clipboard_x11.h"

#include <new>

#include "error.h"
#include "process.h"
#include "x11_selection.h"

namespace qm {

X11Clipboard::X11Clipboard(bool beside_wayland) : beside_wayland_(beside_wayland) {}
X11Clipboard::~X11Clipboard() = default;

void X11Clipboard::acquire() { connection(); }

// X11 has no lock to give back; the connection is kept for the run's next read or write,
// which saves the light worker a connection per run.
void X11Clipboard::release() noexcept {}

x11::Connection& X11Clipboard::connection() {
  if (!connection_ || !connection_->display) connection_ = std::make_unique<x11::Connection>();
  return *connection_;
}

x11::Connection* X11Clipboard::shared_connection() noexcept {
  try {
    return &connection();
  } catch (const Error&) {
    return nullptr;
  }
}

// A text too large for the memory the program may use is a clipboard that cannot be opened.
std::optional<DesktopText> X11Clipboard::read() {
  try {
    std::optional<std::string> text = x11::read_clipboard(connection());
    if (!text && beside_wayland_ && !x11::has_clipboard_owner(connection())) throw Error(kCannotOpenClipboard);
    return text;
  } catch (const std::bad_alloc&) {
    return_freed_memory();
    throw Error(kCannotOpenClipboard);
  }
}

void X11Clipboard::write(const std::optional<std::string>& text, Forms forms) {
  try {
    x11::serve_clipboard(connection(), text, forms);
  } catch (const std::bad_alloc&) {
    return_freed_memory();
    throw Error(kCannotOpenClipboard);
  }
}

bool display_reachable() {
  Display* d = x11::open_display();
  if (!d) return false;
  XCloseDisplay(d);
  return true;
}

}  // namespace qm
