#include "message_box_win32.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>

#include "utf16.h"

namespace qm {
namespace {

// MessageBoxW's own loop dispatches the thread's timer: its boxes (dialogs of the class
// "#32770") are pressed OK, as the user would.
BOOL CALLBACK press_ok(HWND window, LPARAM) {
  wchar_t name[8] = {};
  if (GetClassNameW(window, name, 8) && std::wcscmp(name, L"#32770") == 0) PostMessageW(window, WM_COMMAND, IDOK, 0);
  return TRUE;
}

void CALLBACK time_up(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  EnumThreadWindows(GetCurrentThreadId(), press_ok, 0);
}

}  // namespace

void Win32Boxes::show(const Box& box) {
  std::fprintf(stderr, "%s\n", box_log_line(box).c_str());
  std::fflush(stderr);
  UINT style = MB_OK | MB_SETFOREGROUND;
  switch (box.icon) {
    case BoxIcon::None: break;
    case BoxIcon::Error: style |= MB_ICONERROR; break;
    // The error report stops the whole program: no other window of it takes input meanwhile.
    case BoxIcon::Stop: style |= MB_ICONSTOP | (owner_ ? 0 : MB_TASKMODAL); break;
  }
  const std::u16string title = utf8_to_utf16(box.title), text = utf8_to_utf16(box.text);
  UINT_PTR timer = 0;
  if (const std::optional<std::chrono::milliseconds> left = box_time_left())
    timer = SetTimer(nullptr, 0, static_cast<UINT>(std::max<long long>(left->count(), USER_TIMER_MINIMUM)), time_up);
  MessageBoxW(static_cast<HWND>(owner_), reinterpret_cast<const wchar_t*>(text.c_str()),
              reinterpret_cast<const wchar_t*>(title.c_str()), style);
  if (timer) KillTimer(nullptr, timer);
}

}  // namespace qm
