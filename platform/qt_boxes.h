#pragma once
// Message boxes in Qt, for the window modules.

#include "message_box.h"

class QApplication;

namespace qm {

// The application object of a module that was loaded on demand; made at the first call.
QApplication& qt_application();

// A modal box with exactly the box's title, text and icon and one "OK" button.
void show_qt_box(const Box& box);

// Shows boxes through show_qt_box, for windows that report to the user.
class QtBoxes : public MessageBoxes {
 public:
  void show(const Box& box) override;
};

}  // namespace qm
