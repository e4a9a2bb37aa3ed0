#include "foreground_win32.h"

#include <windows.h>

#include "utf16.h"

namespace qm {
namespace {

bool ours(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process == GetCurrentProcessId();
}

}  // namespace

Win32ForegroundWindow::Win32ForegroundWindow() : started_in_front_(GetForegroundWindow()) {}

std::string Win32ForegroundWindow::caption() {
  HWND window = GetForegroundWindow();
  if (!window || ours(window)) window = static_cast<HWND>(started_in_front_);
  if (!window || !IsWindow(window)) return {};
  // The length may grow between the two calls; a longer caption is cut, never overrun.
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const int got = GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return utf16_to_utf8(text);
}

}  // namespace qm
