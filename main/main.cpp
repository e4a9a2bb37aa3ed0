// quotemill: quotes the clipboard as HTML when a browser starts it with a page address,
// opens its settings window when started without arguments.

#include <optional>

#include "desktop.h"
#include "process.h"
#include "program.h"
#include "user_locale.h"
#include "window_entries.h"

int main(int argc, char** argv) {
  if (const std::optional<int> status = qm::run_desktop_job()) return *status;

  qm::keep_freed_memory();
  const qm::CodePage cp = qm::locale_code_page();
  const qm::Arguments args(qm::executable_path(), qm::split_command_line(qm::program_arguments(argc, argv, cp), cp));
  qm::DesktopServices services = qm::open_desktop(cp, "quotemill_ui");
  qm::CountedClipboard clipboard(*services.clipboard, cp,
                                 qm::rich_paste_allowed(qm::environment_text(qm::kRichPasteVariable)));
  qm::Desktop desktop{clipboard, *services.boxes, cp,
                      [&] { return qm::run_settings_window(args[0], cp, *services.clipboard); }};
  return qm::run_quotemill(args, desktop);
}
