#pragma once
// One run of quotemill3 on the desktop's services, the same on every system: the request,
// the clipboard and caption it works on, and what becomes of a failure.

#include <functional>
#include <optional>
#include <string>

#include "codepage.h"
#include "desktop.h"

namespace qm::lite {

// Runs the request of `command_line` (the arguments after the program name, code page `cp`).
// `caption`, the caption of the browser window that quotemill-host passed on, stands for the
// foreground window's; without `rich` the result is offered as text alone;
// `show_notice_window` shows the notice window with a text (UTF-8). A
// selection too large for the memory the run may use is told in a box, any other failure on
// standard error; the run's status is 0 all the same.
int RunQuotemill3(const std::string& command_line, const std::optional<std::string>& caption, bool rich,
                  const CodePage& cp, DesktopServices& desktop,
                  const std::function<void(const std::string&)>& show_notice_window);

}  // namespace qm::lite
