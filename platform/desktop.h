#pragma once
// The one way in to the desktop's services. Which backend serves a run (X11, Win32) is
// decided by the build and here, never by the programs, which name no backend.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "clipboard.h"
#include "codepage.h"
#include "foreground.h"
#include "message_box.h"

namespace qm {

struct DesktopServices {
  std::unique_ptr<ClipboardBackend> clipboard;
  std::unique_ptr<MessageBoxes> boxes;
  // The window in front, noted when this is called; the clipboard's backend must outlive it
  // (X11 reads it through the clipboard's display connection).
  std::function<std::unique_ptr<ForegroundWindow>()> foreground;
};

// The services of the desktop this run is on. `cp` is the code page of the programs' texts;
// `ui_module` names the program's window module, which shows the boxes where windows live
// in a module of their own.
DesktopServices open_desktop(const CodePage& cp, const std::string& ui_module);

// A backend may start the program again for a job of its own (X11: the process that serves
// the clipboard once the run has ended). Called first thing in main: runs that job and gives
// its exit status, or nullopt for an ordinary start.
std::optional<int> run_desktop_job();

// Whether a window or a box can be shown at all (X11: a display can be reached).
bool desktop_reachable();

}  // namespace qm
