#pragma once
// What every Qt window of both programs shares with the classic desktop's windows.

class QApplication;
class QWidget;

namespace qm {

// The one application object of a window module, made at the first call (or the one the
// process made already, as a test does) and never destroyed: a QApplication destroyed at
// exit, after Qt's own statics, crashes in Qt's clean-up. Named after the running program,
// which names its windows' class for the desktop.
QApplication& qt_application();

// Drops Qt's own messages ("QStandardPaths: XDG_RUNTIME_DIR not set ..."), which would mix
// into the "TITLE: TEXT" lines that scripts read on standard error, unless QT_LOGGING_RULES
// asks for them. Called by each window module before its first Qt object.
void quiet_qt_messages();

// Return presses the focused push button of `window`, as Space does: the classic desktop's
// key, which Qt gives only to the buttons of a dialog. Call once its buttons exist.
void press_buttons_on_return(QWidget& window);

}  // namespace qm
