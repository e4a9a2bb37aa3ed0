// The window module of quotemill3, loaded only when a window or a box must be shown.

#include <QApplication>

#include "notice_window.h"
#include "ui_module.h"

// Shows the notice window with `text` and runs the event loop until it is dismissed.
QM_UI_EXPORT int qm_ui_run_notice(const std::string& text) {
  QApplication& app = qm::lite::LiteApplication();
  const auto window = qm::lite::BuildNoticeWindow();
  qm::lite::ShowNoticeWindow(*window, text);
  return app.exec();
}

QM_UI_EXPORT void qm_ui_show_box(const qm::Box& box) { qm::lite::ShowNoticeBox(box); }
