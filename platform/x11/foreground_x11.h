#pragma once
// The foreground window on X11: the window manager's active window, or without one the
// focus window climbed up to its top-level window.

#include "foreground.h"

namespace qm {

class X11Clipboard;
namespace x11 {
struct Connection;
}

class X11ForegroundWindow : public ForegroundWindow {
 public:
  // Notes the window in front when the program starts: the browser that started it. The
  // window is read through the clipboard's display connection, so a run connects once.
  explicit X11ForegroundWindow(X11Clipboard& clipboard);
  ~X11ForegroundWindow() override;

  // _NET_WM_NAME when set, else WM_NAME in whichever encoding the client stored it. While a
  // message box of ours has just closed, the window manager may not yet have given the
  // browser back its place in front; the window noted at the start stands in for it then.
  std::string caption() override;

 private:
  X11Clipboard& clipboard_;
  unsigned long at_start_ = 0;  // the window in front at the start, or None
};

}  // namespace qm
