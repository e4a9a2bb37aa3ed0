// The entry of the Win32 notice window. The window itself is not built yet: until it is,
// its text goes to standard error, as on a desktop that cannot show it.

#include "notice_window_win32.h"

#include <cstdio>

#include "message_box.h"

namespace qm::lite {

void RunNoticeWindow(const std::string& text) {
  std::fprintf(stderr, "%s\n", box_log_line({"Quotemill_clip", text}).c_str());
}

}  // namespace qm::lite
