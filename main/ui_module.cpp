// The window module of quotemill: its message boxes and its windows, in Qt.

#include "qt_boxes.h"
#include "ui_module.h"

QM_UI_EXPORT void qm_ui_show_box(const qm::Box& box) { qm::show_qt_box(box); }
