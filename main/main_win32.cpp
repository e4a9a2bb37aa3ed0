// quotemill for Windows: quotes the clipboard as HTML when a browser starts it with a page
// address, opens its settings window when started without arguments.

#include "clipboard_win32.h"
#include "message_box_win32.h"
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
  qm::Win32Clipboard desktop_clipboard(cp);
  qm::CountedClipboard clipboard(desktop_clipboard, cp);
  qm::Win32Boxes boxes;
  qm::Desktop desktop{clipboard, boxes, cp, [&args, &cp] { return qm::settings::RunSettingsWindow(args[0], cp); }};
  return qm::run_quotemill(args, desktop);
}
