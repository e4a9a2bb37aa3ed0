#include "lite_program.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <new>

#include "error.h"
#include "messages.h"
#include "process.h"
#include "request.h"

namespace qm::lite {

int RunQuotemill3(const std::string& command_line, const std::optional<std::string>& caption, bool rich,
                  const CodePage& cp, DesktopServices& desktop,
                  const std::function<void(const std::string&)>& show_notice_window) {
  try {
    OneShotClipboard clipboard(*desktop.clipboard, cp, rich);
    const std::unique_ptr<ForegroundWindow> foreground =
        caption ? std::make_unique<FixedForegroundWindow>(*caption) : desktop.foreground();
    Services services{clipboard, *desktop.boxes, *foreground, cp, ReadFileFromDisk, show_notice_window};
    ProcessRequest(SplitArguments(command_line), services);
  } catch (const std::bad_alloc&) {
    // A selection too large for the memory the run may use; nothing was written.
    return_freed_memory();
    ShowNotice(*desktop.boxes, kCannotOpenClipboard);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quotemill3: %s\n", e.what());
  }
  return 0;
}

}  // namespace qm::lite
