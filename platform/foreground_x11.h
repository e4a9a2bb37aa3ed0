#pragma once
// The foreground window on X11: the window manager's active window, or without one the
// focus window climbed up to its top-level window.

#include "foreground.h"

namespace qm {

class X11ForegroundWindow : public ForegroundWindow {
 public:
  // _NET_WM_NAME when set, else WM_NAME in whichever encoding the client stored it.
  std::string caption() override;
};

}  // namespace qm
