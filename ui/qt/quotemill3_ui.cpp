// The window module of quotemill3, loaded only when a window or a box must be shown.

#include <QApplication>

#include <cstdio>
#include <exception>

#include "notice_window.h"
#include "qt_desktop.h"
#include "ui_module.h"

QM_UI_EXPORT int qm_ui_run_notice(const std::string& text) noexcept {
  try {
    qm::quiet_qt_messages();
    QApplication& app = qm::qt_application();
    const auto window = qm::lite::BuildNoticeWindow();
    qm::lite::ShowNoticeWindow(*window, text);
    return app.exec();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quotemill3: %s\n", e.what());
    return 0;
  }
}

QM_UI_EXPORT void qm_ui_show_box(const qm::Box& box) noexcept {
  try {
    qm::quiet_qt_messages();
    qm::lite::ShowNoticeBox(box);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quotemill3: %s\n", e.what());
  }
}
