#include "desktop.h"

#include "clipboard_x11.h"
#include "foreground_x11.h"
#include "module_boxes.h"

namespace qm {

DesktopServices open_desktop(const CodePage&, const std::string& ui_module) {
  DesktopServices services;
  auto clipboard = std::make_unique<X11Clipboard>();
  X11Clipboard& connection = *clipboard;
  services.clipboard = std::move(clipboard);
  services.boxes = std::make_unique<ModuleBoxes>(ui_module + ".so");
  services.foreground = [&connection] { return std::make_unique<X11ForegroundWindow>(connection); };
  return services;
}

std::optional<int> run_desktop_job() {
  if (!started_as_clipboard_server()) return std::nullopt;
  return serve_clipboard_for_caller();
}

bool desktop_reachable() { return display_reachable(); }

}  // namespace qm
