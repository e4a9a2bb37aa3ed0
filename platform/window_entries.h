#pragma once
// The programs' own windows, whatever shows them: on Linux the Qt windows of a window module,
// loaded only when a window must be shown; on Windows the Win32 windows linked into the
// programs. The programs call these and name no toolkit.

#include <string>

#include "clipboard.h"
#include "codepage.h"

namespace qm {

// quotemill's settings window, until it closes; returns the exit status. `program_path` (code
// page) is the program every generated menu line names; "生成" writes them through `clipboard`.
// Without a desktop to show it on, says so on standard error and returns 1.
int run_settings_window(const std::string& program_path, const CodePage& cp, ClipboardBackend& clipboard);

// quotemill3's notice window with `text` (UTF-8, CR LF line breaks), until it is dismissed.
// Without a desktop to show it on, the text is written to standard error as a box titled
// `caption` would be.
void run_notice_window(const std::string& caption, const std::string& text);

}  // namespace qm
