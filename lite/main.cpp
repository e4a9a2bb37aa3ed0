// quotemill3: fills an HTML template with the clipboard text, the page address and the
// foreground window's title; without arguments it shows its notice window.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <optional>

#include "clipboard_x11.h"
#include "error.h"
#include "foreground_x11.h"
#include "message_box.h"
#include "messages.h"
#include "process.h"
#include "request.h"
#include "ui_module.h"
#include "user_locale.h"

QM_UI_EXPORT int qm_ui_run_notice(const std::string& text) noexcept;

namespace {

void run_notice_window(const std::string& text) {
  if (!qm::display_reachable()) {
    std::fprintf(stderr, "%s\n", qm::box_log_line({"Quotemill_clip", text}).c_str());
    return;
  }
  qm::UiModule::load("quotemill3_ui.so").function<decltype(qm_ui_run_notice)>("qm_ui_run_notice")(text);
}

}  // namespace

int main(int argc, char** argv) {
  if (qm::started_as_clipboard_server()) return qm::serve_clipboard_for_caller();

  qm::keep_freed_memory();
  qm::DesktopBoxes boxes("quotemill3_ui.so");
  try {
    const qm::CodePage cp = qm::locale_code_page();
    qm::X11Clipboard desktop_clipboard;
    qm::OneShotClipboard clipboard(desktop_clipboard, cp);
    // quotemill-host passes the caption of the browser window the request came from.
    const char* given = std::getenv("QUOTEMILL_CAPTION");
    qm::FixedForegroundWindow given_foreground(given ? given : "");
    std::optional<qm::X11ForegroundWindow> desktop_foreground;
    qm::ForegroundWindow& foreground =
        given ? static_cast<qm::ForegroundWindow&>(given_foreground) : desktop_foreground.emplace(desktop_clipboard);
    qm::lite::Services services{clipboard, boxes, foreground, cp, qm::lite::ReadFileFromDisk, run_notice_window};
    qm::lite::ProcessRequest(qm::lite::SplitArguments(qm::join_arguments(argc, argv)), services);
  } catch (const std::bad_alloc&) {
    // A selection too large for the memory the run may use; nothing was written.
    qm::return_freed_memory();
    qm::lite::ShowNotice(boxes, qm::kCannotOpenClipboard);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quotemill3: %s\n", e.what());  // the run ends with status 0 all the same
  }
  return 0;
}
