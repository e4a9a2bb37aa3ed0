#pragma once
// Message boxes on Windows.

#include "message_box.h"

namespace qm {

// MessageBoxW with the box's title, text and icon and one OK button, brought to the front;
// the standard-error line is written first, as on every desktop.
class Win32Boxes : public MessageBoxes {
 public:
  // `owner` (an HWND) is disabled while a box is open; none centres the box on the screen.
  explicit Win32Boxes(void* owner = nullptr) : owner_(owner) {}
  void show(const Box& box) override;

 private:
  void* owner_;
};

}  // namespace qm
