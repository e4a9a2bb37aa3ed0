#include "qt_desktop.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <string>

#include "process.h"

namespace qm {
namespace {

void drop_qt_message(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  // A fatal message ends the process: its reason is kept, as the only word of the crash.
  if (type == QtFatalMsg)
    std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, text).toLocal8Bit().constData());
}

// Clicks the button it watches when Return or Enter reaches it.
class ReturnPresses : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
    if (!key->isAutoRepeat()) static_cast<QPushButton*>(watched)->click();  // one press, one click
    return true;
  }
};

}  // namespace

QApplication& qt_application() {
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return *app;
  // The object and what it keeps of its arguments are deliberately never deleted, and stay
  // where leak checkers see them.
  static int argc = 1;
  static std::string* const name = new std::string(executable_path());
  static char* argv[] = {name->data(), nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

void quiet_qt_messages() {
  if (!qEnvironmentVariableIsSet("QT_LOGGING_RULES")) qInstallMessageHandler(drop_qt_message);
}

void press_buttons_on_return(QWidget& window) {
  auto* filter = new ReturnPresses(&window);
  for (QPushButton* button : window.findChildren<QPushButton*>()) button->installEventFilter(filter);
}

}  // namespace qm
