// quotemill: quotes the clipboard as HTML when a browser starts it with a page address,
// opens its settings window when started without arguments.

#include <cstdio>

#include "desktop.h"
#include "process.h"
#include "program.h"
#include "ui_module.h"
#include "user_locale.h"
#include "window_entries.h"

namespace {

// Settings mode: the window lives in the window module, which needs a display; without one
// Qt would abort, so the run says why and fails.
int run_settings_window(const std::string& program_path, const qm::CodePage& cp, qm::ClipboardBackend& clipboard) {
  if (!qm::desktop_reachable()) {
    std::fputs("quotemill: cannot open the settings window: no X display can be reached (is DISPLAY set?)\n",
               stderr);
    return 1;
  }
  try {
    auto* run = qm::UiModule::load("quotemill_ui.so").function<decltype(qm_ui_run_settings)>("qm_ui_run_settings");
    return run(program_path, cp, clipboard);
  } catch (const qm::Error& e) {
    std::fprintf(stderr, "quotemill: cannot open the settings window: %s\n", e.what());
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (const std::optional<int> status = qm::run_desktop_job()) return *status;

  qm::keep_freed_memory();
  const qm::CodePage cp = qm::locale_code_page();
  const qm::Arguments args(qm::executable_path(), qm::split_command_line(qm::join_arguments(argc, argv), cp));
  qm::DesktopServices services = qm::open_desktop(cp, "quotemill_ui");
  qm::CountedClipboard clipboard(*services.clipboard, cp);
  qm::Desktop desktop{clipboard, *services.boxes, cp,
                      [&] { return run_settings_window(args[0], cp, *services.clipboard); }};
  return qm::run_quotemill(args, desktop);
}
