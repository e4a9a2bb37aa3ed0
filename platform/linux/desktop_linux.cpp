// The desktop of a Linux run: the Wayland clipboard where the session's compositor offers the
// data-control protocol, else X11 (GNOME's mutter offers none, and bridges its clipboard to
// XWayland); QUOTEMILL_CLIPBOARD=x11|wayland forces one. Windows and boxes come from the
// program's window module either way.

#include <cstdlib>
#include <string_view>

#include "clipboard_wayland.h"
#include "clipboard_x11.h"
#include "desktop.h"
#include "foreground_x11.h"
#include "module_boxes.h"
#include "serving_process.h"
#include "wayland_selection.h"
#include "x11_selection.h"

namespace qm {
namespace {

std::string_view environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

DesktopServices open_desktop(const CodePage&, const std::string& ui_module) {
  DesktopServices services;
  services.boxes = std::make_unique<ModuleBoxes>(ui_module + ".so");
  const std::string_view forced = environment("QUOTEMILL_CLIPBOARD");
  const bool wayland_session = !environment("WAYLAND_DISPLAY").empty();
  std::unique_ptr<wayland::Connection> wayland;
  if (forced == "wayland" || (forced != "x11" && wayland_session)) wayland = wayland::Connection::open();
  if (wayland || forced == "wayland") {
    services.clipboard = std::make_unique<WaylandClipboard>(std::move(wayland));
    // No program can read another's window caption on Wayland: the browser's helper hands it over.
    services.foreground = [] { return std::make_unique<FixedForegroundWindow>(); };
    return services;
  }
  auto clipboard = std::make_unique<X11Clipboard>(wayland_session);
  X11Clipboard& connection = *clipboard;
  services.clipboard = std::move(clipboard);
  services.foreground = [&connection] { return std::make_unique<X11ForegroundWindow>(connection); };
  return services;
}

std::optional<int> run_desktop_job() {
  return serving::run_if_spawned({{"x11", x11::serve_spawned}, {"wayland", wayland::serve_spawned}});
}

bool desktop_reachable() { return display_reachable() || wayland::display_reachable(); }

}  // namespace qm
