#pragma once
// Message boxes in Qt, for the window modules.

#include <QBasicTimer>
#include <QMessageBox>

#include "message_box.h"

namespace qm {

// A message box as the classic desktop shows one: wide enough for its whole title (the
// title bar also holds the window's icon and its buttons), and centred, frame and all, on
// the screen that holds the pointer. Its size is fixed, so it offers no maximise button.
// A program started with a limit for its boxes (box_time_left) has them press their own OK
// when it is up.
class DesktopMessageBox : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;

 protected:
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  void fit_title();
  void centre();
  QRect placed_;  // where the box last put its client area
  bool framed_ = false;  // the window manager's frame was known then
  QBasicTimer frame_watch_;
  int frame_checks_ = 0;
  QBasicTimer time_limit_;  // closes the box when the program was given a limit
};

// A modal box with exactly the box's title, text and icon and one "OK" button.
void show_qt_box(const Box& box);

// Shows boxes through show_qt_box, for windows that report to the user.
class QtBoxes : public MessageBoxes {
 public:
  void show(const Box& box) override;
};

}  // namespace qm
