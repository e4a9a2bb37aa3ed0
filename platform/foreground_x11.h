#pragma once
// The foreground window on X11: the window manager's active window, or without one the
// focus window climbed up to its top-level window.

#include <memory>

#include "foreground.h"

namespace qm {

class X11ForegroundWindow : public ForegroundWindow {
 public:
  // Notes the window in front when the program starts: the browser that started it.
  X11ForegroundWindow();
  ~X11ForegroundWindow() override;

  // _NET_WM_NAME when set, else WM_NAME in whichever encoding the client stored it. While a
  // message box of ours has just closed, the window manager may not yet have given the
  // browser back its place in front; the window noted at the start stands in for it then.
  std::string caption() override;

 private:
  struct Connection;
  std::unique_ptr<Connection> connection_;
};

}  // namespace qm
