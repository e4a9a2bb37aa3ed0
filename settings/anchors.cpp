#include "anchors.h"

#include <QEvent>
#include <QWidget>

namespace qm::settings {

Anchors::Anchors(QWidget* window) : QObject(window), window_(window), designed_size_(window->size()) {
  window->installEventFilter(this);
}

void Anchors::add(QWidget* control, Anchor anchor) {
  if (anchor != Anchor::TopLeft) entries_.push_back({control, anchor, control->geometry()});
}

bool Anchors::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::Resize) {
    const int dx = window_->width() - designed_size_.width();
    const int dy = window_->height() - designed_size_.height();
    for (const Entry& e : entries_)
      e.control->move(e.designed.topLeft() + QPoint(e.anchor == Anchor::BottomRight ? dx : 0, dy));
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace qm::settings
