#pragma once
// The settings window's entry in quotemill's window module.

#include <string>

#include "clipboard.h"
#include "codepage.h"
#include "ui_module.h"

// Shows the settings window and runs the window loop until it closes; returns the exit
// status. `program_path` (code page) is the program every generated menu line names;
// "生成" writes them through `clipboard`.
QM_UI_EXPORT int qm_ui_run_settings(const std::string& program_path, const qm::CodePage& cp,
                                    qm::ClipboardBackend& clipboard) noexcept;
