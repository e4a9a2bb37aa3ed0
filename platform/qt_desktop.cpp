#include "qt_desktop.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>

namespace qm {
namespace {

void drop_qt_message(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  // A fatal message ends the process: its reason is kept, as the only word of the crash.
  if (type == QtFatalMsg)
    std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, text).toLocal8Bit().constData());
}

}  // namespace

void quiet_qt_messages() {
  if (!qEnvironmentVariableIsSet("QT_LOGGING_RULES")) qInstallMessageHandler(drop_qt_message);
}

}  // namespace qm
