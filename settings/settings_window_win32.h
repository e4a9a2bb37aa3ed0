#pragma once
// The settings window of quotemill on Windows.

#include <string>

#include "codepage.h"

namespace qm::settings {

// Shows the settings window and runs the window loop until it closes; returns the exit
// status. `program_path` (code page) is the program every generated menu line names.
int RunSettingsWindow(const std::string& program_path, const CodePage& cp);

}  // namespace qm::settings
