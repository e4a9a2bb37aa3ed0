#pragma once
// What the Qt window modules export beside qm_ui_show_box (ui_module.h), for the programs,
// which link no Qt and find these by name in the module they load.

#include <string>

#include "clipboard.h"
#include "codepage.h"
#include "ui_module.h"

// quotemill_ui: shows the settings window and runs the window loop until it closes; returns
// the exit status. `program_path` (code page) is the program every generated menu line
// names; "生成" writes them through `clipboard`.
QM_UI_EXPORT int qm_ui_run_settings(const std::string& program_path, const qm::CodePage& cp,
                                    qm::ClipboardBackend& clipboard) noexcept;

// quotemill3_ui: shows the notice window with `text` (UTF-8, CR LF line breaks) and runs the
// window loop until it is dismissed.
QM_UI_EXPORT int qm_ui_run_notice(const std::string& text) noexcept;
