#include "qt_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QFontDatabase>
#include <QResizeEvent>
#include <QScreen>
#include <QTimerEvent>

#include <algorithm>
#include <cstdio>

#include "qt_desktop.h"
#include "qt_frame.h"

namespace qm {

void DesktopMessageBox::showEvent(QShowEvent* event) {
  QMessageBox::showEvent(event);  // sizes the box to its text and buttons
  fit_title();
  ask_window_frame(*this);
  centre();
  // The frame is known once the window manager has taken the box, and a window manager may
  // place the box itself: for a while the box is centred again until it stands framed where
  // it was put.
  frame_checks_ = 0;
  frame_watch_.start(20, this);
  if (const std::optional<std::chrono::milliseconds> left = box_time_left())
    time_limit_.start(static_cast<int>(left->count()), this);
}

bool DesktopMessageBox::event(QEvent* event) {
  const bool handled = QMessageBox::event(event);
  if (event->type() == QEvent::LayoutRequest && isVisible()) fit_title();  // QMessageBox sized itself once more
  return handled;
}

void DesktopMessageBox::resizeEvent(QResizeEvent* event) {
  QMessageBox::resizeEvent(event);
  if (isVisible()) centre();
}

void DesktopMessageBox::timerEvent(QTimerEvent* event) {
  if (event->timerId() == time_limit_.timerId()) {
    time_limit_.stop();
    if (QAbstractButton* ok = button(QMessageBox::Ok)) ok->click();
    return;
  }
  if (event->timerId() != frame_watch_.timerId()) return QMessageBox::timerEvent(event);
  const bool settled = framed_ && geometry() == placed_;
  if (!settled && (geometry() != placed_ || !window_frame(*this).isNull())) centre();
  if (settled || ++frame_checks_ >= 150) frame_watch_.stop();  // three seconds, for a desktop without frames
}

void DesktopMessageBox::fit_title() {
  // The window manager's title font is not known here; the desktop's title font in bold is
  // wider than the usual ones. Beside the title, the bar holds the window's icon and up to
  // three buttons, each about a line of that font wide, and a window manager that centres
  // the title keeps as much room on the other side.
  QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  font.setBold(true);
  const QFontMetrics metrics(font);
  const int wanted = metrics.horizontalAdvance(windowTitle()) + 2 * 3 * metrics.height();
  const int room = screen() ? screen()->availableGeometry().width() : wanted;
  if (width() < wanted) setFixedSize(std::min(wanted, room), height());
}

void DesktopMessageBox::centre() {
  const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  // The frame is read from the window manager each time: Qt's own figure may be older.
  const QMargins frame = window_frame(*this);
  QRect outer(QPoint(), size().grownBy(frame));
  outer.moveCenter(screen->geometry().center());
  framed_ = !frame.isNull();
  placed_ = QRect(outer.topLeft() + QPoint(frame.left(), frame.top()), size());
  setGeometry(placed_);  // the client area's place; the frame goes around it
}

void show_qt_box(const Box& box) {
  qt_application();
  QString text = QString::fromUtf8(box.text.data(), static_cast<qsizetype>(box.text.size()));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  const QMessageBox::Icon icon = box.icon == BoxIcon::None ? QMessageBox::NoIcon : QMessageBox::Critical;
  DesktopMessageBox message(icon, QString::fromStdString(box.title), text, QMessageBox::Ok);
  message.setTextFormat(Qt::PlainText);  // an argument is shown as typed, never as markup
  message.setTextInteractionFlags(Qt::NoTextInteraction);
  message.exec();
}

void QtBoxes::show(const Box& box) {
  std::fprintf(stderr, "%s\n", box_log_line(box).c_str());
  std::fflush(stderr);
  show_qt_box(box);
}

}  // namespace qm
