// quotemill3: fills an HTML template with the clipboard text, the page address and the
// foreground window's title; without arguments it shows its notice window.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <memory>
#include <optional>

#include "error.h"
#include "desktop.h"
#include "message_box.h"
#include "messages.h"
#include "process.h"
#include "request.h"
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
  try {
    qm::OneShotClipboard clipboard(*desktop.clipboard, cp);
    // quotemill-host passes the caption of the browser window the request came from.
    const char* given = std::getenv("QUOTEMILL_CAPTION");
    const std::unique_ptr<qm::ForegroundWindow> foreground =
        given ? std::make_unique<qm::FixedForegroundWindow>(given) : desktop.foreground();
    qm::lite::Services services{clipboard, *desktop.boxes, *foreground, cp, qm::lite::ReadFileFromDisk, run_notice_window};
    qm::lite::ProcessRequest(qm::lite::SplitArguments(qm::join_arguments(argc, argv)), services);
  } catch (const std::bad_alloc&) {
    // A selection too large for the memory the run may use; nothing was written.
    qm::return_freed_memory();
    qm::lite::ShowNotice(*desktop.boxes, qm::kCannotOpenClipboard);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quotemill3: %s\n", e.what());  // the run ends with status 0 all the same
  }
  return 0;
}
