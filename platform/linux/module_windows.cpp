// The programs' windows on X11 live in their window modules, which need a display: without
// one Qt would abort, so a run says why instead.

#include <cstdio>

#include "desktop.h"
#include "error.h"
#include "message_box.h"
#include "ui_module.h"
#include "window_entries.h"

namespace qm {

int run_settings_window(const std::string& program_path, const CodePage& cp, ClipboardBackend& clipboard) {
  if (!desktop_reachable()) {
    std::fputs("quotemill: cannot open the settings window: no display can be reached (is DISPLAY or WAYLAND_DISPLAY set?)\n",
               stderr);
    return 1;
  }
  try {
    return UiModule::load("quotemill_ui.so").function<decltype(qm_ui_run_settings)>("qm_ui_run_settings")(
        program_path, cp, clipboard);
  } catch (const Error& e) {
    std::fprintf(stderr, "quotemill: cannot open the settings window: %s\n", e.what());
    return 1;
  }
}

void run_notice_window(const std::string& caption, const std::string& text) {
  if (!desktop_reachable()) {
    std::fprintf(stderr, "%s\n", box_log_line({caption, text}).c_str());
    return;
  }
  try {
    UiModule::load("quotemill3_ui.so").function<decltype(qm_ui_run_notice)>("qm_ui_run_notice")(text);
  } catch (const Error& e) {
    std::fprintf(stderr, "quotemill3: %s\n", e.what());
  }
}

}  // namespace qm
