#include "clipboard_wayland.h"

#include <new>

#include "error.h"
#include "process.h"
#include "wayland_selection.h"

namespace qm {

WaylandClipboard::WaylandClipboard(std::unique_ptr<wayland::Connection> connection)
    : connection_(std::move(connection)) {}
WaylandClipboard::~WaylandClipboard() = default;

void WaylandClipboard::acquire() { connection(); }

wayland::Connection& WaylandClipboard::connection() {
  if (!connection_) connection_ = wayland::Connection::open();
  if (!connection_) throw Error(kCannotOpenClipboard);
  return *connection_;
}

// A text too large for the memory the program may use is a clipboard that cannot be opened.
std::optional<DesktopText> WaylandClipboard::read() {
  try {
    return connection().read_selection();
  } catch (const std::bad_alloc&) {
    return_freed_memory();
    throw Error(kCannotOpenClipboard);
  }
}

void WaylandClipboard::write(const std::optional<std::string>& text, Forms forms) {
  connection();
  // A forked serving process takes the connection over, whatever it then says: a later use
  // connects anew.
  const std::unique_ptr<wayland::Connection> used = std::move(connection_);
  try {
    used->serve(text, forms);
  } catch (const std::bad_alloc&) {
    return_freed_memory();
    throw Error(kCannotOpenClipboard);
  }
}

}  // namespace qm
