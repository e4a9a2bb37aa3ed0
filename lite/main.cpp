// quotemill3: fills an HTML template with the clipboard text, the page address and the
// foreground window's title; without arguments it shows its notice window.

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "desktop.h"
#include "lite_program.h"
#include "message_box.h"
#include "messages.h"
#include "process.h"
#include "ui_module.h"
#include "user_locale.h"
#include "window_entries.h"

namespace {

void run_notice_window(const std::string& text) {
  if (!qm::desktop_reachable()) {
    std::fprintf(stderr, "%s\n", qm::box_log_line({qm::lite::kNoticeCaption, text}).c_str());
    return;
  }
  qm::UiModule::load("quotemill3_ui.so").function<decltype(qm_ui_run_notice)>("qm_ui_run_notice")(text);
}

}  // namespace

int main(int argc, char** argv) {
  if (const std::optional<int> status = qm::run_desktop_job()) return *status;

  qm::keep_freed_memory();
  const qm::CodePage cp = qm::locale_code_page();
  qm::DesktopServices desktop = qm::open_desktop(cp, "quotemill3_ui");
  // quotemill-host passes the caption of the browser window the request came from.
  const char* caption = std::getenv("QUOTEMILL_CAPTION");
  return qm::lite::RunQuotemill3(qm::join_arguments(argc, argv),
                                 caption ? std::optional<std::string>(caption) : std::nullopt, cp, desktop,
                                 run_notice_window);
}
