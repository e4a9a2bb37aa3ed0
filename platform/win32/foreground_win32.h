#pragma once
// The foreground window on Windows.

#include "foreground.h"

namespace qm {

class Win32ForegroundWindow : public ForegroundWindow {
 public:
  // Notes the window in front when the program starts: the browser that started it.
  Win32ForegroundWindow();

  // The caption of the window in front, whole. While a box of this program is in front, or
  // none is, the window noted at the start stands in for it.
  std::string caption() override;

 private:
  void* started_in_front_;  // HWND
};

}  // namespace qm
