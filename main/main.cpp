// quotemill: quotes the clipboard as HTML when a browser starts it with a page address,
// opens its settings window when started without arguments.

#include <cstdio>

#include "clipboard_x11.h"
#include "user_locale.h"
#include "process.h"
#include "program.h"

int main(int argc, char** argv) {
  if (qm::started_as_clipboard_server()) return qm::serve_clipboard_for_caller();

  const qm::CodePage cp = qm::locale_code_page();
  const qm::Arguments args(qm::executable_path(), qm::split_command_line(qm::join_arguments(argc, argv), cp));
  qm::X11Clipboard desktop_clipboard;
  qm::CountedClipboard clipboard(desktop_clipboard, cp);
  qm::DesktopBoxes boxes("quotemill_ui.so");
  qm::Desktop desktop{clipboard, boxes, cp, [] {
                        std::fputs("usage: quotemill [STYLE] [OPTION]... http://PAGE\n", stderr);
                        return 0;
                      }};
  return qm::run_quotemill(args, desktop);
}
