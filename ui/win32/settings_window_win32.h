#pragma once
// The settings window of quotemill on Windows.

#include <string>

#include "clipboard.h"
#include "codepage.h"

namespace qm::settings {

// Shows the settings window and runs the window loop until it closes; returns the exit
// status. `program_path` (code page) is the program every generated menu line names;
// "生成" writes them through `clipboard`.
int RunSettingsWindow(const std::string& program_path, const CodePage& cp, ClipboardBackend& clipboard);

}  // namespace qm::settings
