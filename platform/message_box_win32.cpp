#include "message_box_win32.h"

#include <windows.h>

#include <cstdio>

#include "utf16.h"

namespace qm {

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
  MessageBoxW(static_cast<HWND>(owner_), reinterpret_cast<const wchar_t*>(text.c_str()),
              reinterpret_cast<const wchar_t*>(title.c_str()), style);
}

}  // namespace qm
