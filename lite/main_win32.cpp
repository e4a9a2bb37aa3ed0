// quotemill3 for Windows: fills an HTML template with the clipboard text, the page address
// and the foreground window's title; without arguments it shows its notice window.

#include <optional>

#include "desktop.h"
#include "lite_program.h"
#include "notice_window_win32.h"
#include "process_win32.h"
#include "user_locale.h"

int main() {
  const qm::CodePage cp = qm::locale_code_page();
  qm::DesktopServices desktop = qm::open_desktop(cp, "");
  // quotemill-host passes the caption of the browser window the request came from.
  bool given = false;
  const std::string caption = qm::environment_utf8("QUOTEMILL_CAPTION", &given);
  return qm::lite::RunQuotemill3(qm::command_line_arguments(cp), given ? std::optional(caption) : std::nullopt, cp,
                                 desktop, qm::lite::RunNoticeWindow);
}
