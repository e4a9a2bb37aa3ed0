// quotemill3: fills an HTML template with the clipboard text, the page address and the
// foreground window's title; without arguments it shows its notice window.

#include <optional>

#include "desktop.h"
#include "lite_program.h"
#include "messages.h"
#include "process.h"
#include "user_locale.h"
#include "window_entries.h"

int main(int argc, char** argv) {
  if (const std::optional<int> status = qm::run_desktop_job()) return *status;

  qm::keep_freed_memory();
  const qm::CodePage cp = qm::locale_code_page();
  qm::DesktopServices desktop = qm::open_desktop(cp, "quotemill3_ui");
  // quotemill-host passes the caption of the browser window the request came from.
  return qm::lite::RunQuotemill3(
      qm::program_arguments(argc, argv, cp), qm::environment_text("QUOTEMILL_CAPTION"),
      qm::rich_paste_allowed(qm::environment_text(qm::kRichPasteVariable)), cp, desktop,
      [](const std::string& text) { qm::run_notice_window(qm::lite::kNoticeCaption, text); });
}
