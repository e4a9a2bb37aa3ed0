// quotemill3 for Windows: fills an HTML template with the clipboard text, the page address
// and the foreground window's title; without arguments it shows its notice window.

#include <cstdio>
#include <exception>
#include <new>
#include <memory>
#include <optional>

#include "desktop.h"
#include "error.h"
#include "messages.h"
#include "notice_window_win32.h"
#include "process.h"
#include "process_win32.h"
#include "request.h"
#include "user_locale.h"

int main() {
  const qm::CodePage cp = qm::locale_code_page();
  qm::DesktopServices desktop = qm::open_desktop(cp, "");
  try {
    qm::OneShotClipboard clipboard(*desktop.clipboard, cp);
    // quotemill-host passes the caption of the browser window the request came from.
    bool given = false;
    const std::string caption = qm::environment_utf8("QUOTEMILL_CAPTION", &given);
    const std::unique_ptr<qm::ForegroundWindow> foreground =
        given ? std::make_unique<qm::FixedForegroundWindow>(caption) : desktop.foreground();
    qm::lite::Services services{clipboard, *desktop.boxes, *foreground, cp, qm::lite::ReadFileFromDisk,
                                qm::lite::RunNoticeWindow};
    qm::lite::ProcessRequest(qm::lite::SplitArguments(qm::command_line_arguments(cp)), services);
  } catch (const std::bad_alloc&) {
    // A selection too large for memory; nothing was written.
    qm::return_freed_memory();
    qm::lite::ShowNotice(*desktop.boxes, qm::kCannotOpenClipboard);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quotemill3: %s\n", e.what());  // the run ends with status 0 all the same
  }
  return 0;
}
