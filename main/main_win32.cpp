// quotemill for Windows: quotes the clipboard as HTML when a browser starts it with a page
// address, opens its settings window when started without arguments.

#include "desktop.h"
#include "process.h"
#include "process_win32.h"
#include "program.h"
#include "settings_window_win32.h"
#include "user_locale.h"

int main() {
  const qm::CodePage cp = qm::locale_code_page();
  // The command line exactly as the browser wrote it, not the C runtime's argument vector,
  // which would have applied Windows' own quoting rules to it.
  const qm::Arguments args(qm::executable_path(), qm::split_command_line(qm::command_line_arguments(cp), cp));
  qm::DesktopServices services = qm::open_desktop(cp, "");
  qm::CountedClipboard clipboard(*services.clipboard, cp);
  qm::Desktop desktop{clipboard, *services.boxes, cp,
                      [&] { return qm::settings::RunSettingsWindow(args[0], cp, *services.clipboard); }};
  return qm::run_quotemill(args, desktop);
}
