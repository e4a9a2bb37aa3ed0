// The entry of the Win32 settings window. The window itself (TForm2 and the about box in
// plain Win32) is not built yet: until it is, settings mode says so and fails.

#include "settings_window_win32.h"

#include <cstdio>

namespace qm::settings {

int RunSettingsWindow(const std::string&, const CodePage&) {
  std::fputs("quotemill: the settings window is not part of the Windows build yet\n", stderr);
  return 1;
}

}  // namespace qm::settings
