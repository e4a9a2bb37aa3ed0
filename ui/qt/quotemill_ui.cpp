// The window module of quotemill: its message boxes and its settings window, in Qt.

#include <QApplication>

#include <cstdio>
#include <exception>

#include "look.h"
#include "qt_boxes.h"
#include "qt_desktop.h"
#include "settings_form.h"
#include "ui_module.h"

QM_UI_EXPORT void qm_ui_show_box(const qm::Box& box) noexcept {
  try {
    qm::quiet_qt_messages();
    qm::show_qt_box(box);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quotemill: %s\n", e.what());
  }
}

QM_UI_EXPORT int qm_ui_run_settings(const std::string& program_path, const qm::CodePage& cp,
                                    qm::ClipboardBackend& clipboard) noexcept try {
  qm::quiet_qt_messages();
  QApplication& app = qm::qt_application();  // boxes shown meanwhile use it too
  qm::settings::apply_look(app);
  qm::QtBoxes boxes;
  qm::settings::TForm2 Form2(clipboard, boxes, program_path, cp);
  Form2.show();
  return app.exec();  // ends when the form closes, the program's last window
} catch (const std::exception& e) {
  std::fprintf(stderr, "quotemill: %s\n", e.what());
  return 1;
}
