#pragma once
// The window in the foreground and its caption, which the light worker reads the page
// title from.

#include <string>

namespace qm {

class ForegroundWindow {
 public:
  virtual ~ForegroundWindow() = default;
  // The caption of the foreground window in UTF-8; empty when there is no such window,
  // it has no caption, or the desktop cannot be reached.
  virtual std::string caption() = 0;
};

// A foreground window whose caption is given: by a test, or by the browser companion,
// which knows the caption of the browser window a request came from even where no program
// can read another's caption (Wayland).
class FixedForegroundWindow : public ForegroundWindow {
 public:
  explicit FixedForegroundWindow(std::string caption = {}) : text(std::move(caption)) {}
  std::string caption() override {
    ++reads;
    return text;
  }
  std::string text;
  int reads = 0;
};

}  // namespace qm
