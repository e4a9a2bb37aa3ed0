#pragma once
// One run of quotemill3: from its arguments to the clipboard.

#include <functional>
#include <string>

#include "arguments.h"
#include "clipboard.h"
#include "codepage.h"
#include "foreground.h"
#include "message_box.h"
#include "templates.h"

namespace qm::lite {

// What a run reaches of the desktop.
struct Services {
  OneShotClipboard& clipboard;
  MessageBoxes& boxes;
  ForegroundWindow& foreground;
  CodePage cp;
  FileReader read_file;
  // Shows the notice window with a text (UTF-8) and returns when the user dismissed it.
  std::function<void(const std::string&)> show_notice_window;
};

// The run. Without arguments: the notice window with the version text. With a last argument
// lacking "://": a message and one box per argument. Otherwise the clipboard text becomes
// the expanded template, with the -d, -c, -h and -x options applied; in an HTML template the
// page's text and title are escaped. A clipboard that cannot
// be read, or a user template that cannot be loaded, is reported and the clipboard is left
// as it was.
void ProcessRequest(const ArgumentList& args, Services& services);

}  // namespace qm::lite
