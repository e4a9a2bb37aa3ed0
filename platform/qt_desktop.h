#pragma once
// What every Qt window of both programs shares with the classic desktop's windows.

namespace qm {

// Drops Qt's own messages ("QStandardPaths: XDG_RUNTIME_DIR not set ..."), which would mix
// into the "TITLE: TEXT" lines that scripts read on standard error, unless QT_LOGGING_RULES
// asks for them. Called by each window module before its first Qt object.
void quiet_qt_messages();

}  // namespace qm
