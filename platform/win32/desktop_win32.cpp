#include "desktop.h"

#include "clipboard_win32.h"
#include "foreground_win32.h"
#include "message_box_win32.h"

namespace qm {

// The windows and boxes are the programs' own: no module to load.
DesktopServices open_desktop(const CodePage& cp, const std::string&) {
  DesktopServices services;
  services.clipboard = std::make_unique<Win32Clipboard>(cp);
  services.boxes = std::make_unique<Win32Boxes>();
  services.foreground = [] { return std::make_unique<Win32ForegroundWindow>(); };
  return services;
}

std::optional<int> run_desktop_job() { return std::nullopt; }

bool desktop_reachable() { return true; }

}  // namespace qm
