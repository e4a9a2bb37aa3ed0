#pragma once
// Fixed-position controls that follow the bottom or right edge of their window when it is
// resized, as the form descriptions' anchors say.

#include <QObject>
#include <QRect>
#include <QSize>
#include <vector>

#include "form_layout.h"

class QWidget;

namespace qm::settings {

class Anchors : public QObject {
 public:
  // Watches `window`, whose client area now has its designed size.
  explicit Anchors(QWidget* window);
  // `control` keeps its current distance from the edges its anchor names.
  void add(QWidget* control, Anchor anchor);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Entry {
    QWidget* control;
    Anchor anchor;
    QRect designed;
  };
  QWidget* window_;
  QSize designed_size_;
  std::vector<Entry> entries_;
};

}  // namespace qm::settings
