// quotemill3 for Windows: fills an HTML template with the clipboard text, the page address
// and the foreground window's title; without arguments it shows its notice window.

#include <cstdio>
#include <exception>
#include <new>
#include <optional>

#include "clipboard_win32.h"
#include "error.h"
#include "foreground_win32.h"
#include "message_box_win32.h"
#include "messages.h"
#include "notice_window_win32.h"
#include "process.h"
#include "process_win32.h"
#include "request.h"
#include "user_locale.h"

int main() {
  qm::Win32Boxes boxes;
  try {
    const qm::CodePage cp = qm::locale_code_page();
    qm::Win32Clipboard desktop_clipboard(cp);
    qm::OneShotClipboard clipboard(desktop_clipboard, cp);
    // quotemill-host passes the caption of the browser window the request came from.
    bool given = false;
    qm::FixedForegroundWindow given_foreground(qm::environment_utf8("QUOTEMILL_CAPTION", &given));
    std::optional<qm::Win32ForegroundWindow> desktop_foreground;
    qm::ForegroundWindow& foreground =
        given ? static_cast<qm::ForegroundWindow&>(given_foreground) : desktop_foreground.emplace();
    qm::lite::Services services{clipboard, boxes, foreground, cp, qm::lite::ReadFileFromDisk,
                                qm::lite::RunNoticeWindow};
    qm::lite::ProcessRequest(qm::lite::SplitArguments(qm::command_line_arguments(cp)), services);
  } catch (const std::bad_alloc&) {
    // A selection too large for memory; nothing was written.
    qm::return_freed_memory();
    qm::lite::ShowNotice(boxes, qm::kCannotOpenClipboard);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quotemill3: %s\n", e.what());  // the run ends with status 0 all the same
  }
  return 0;
}
