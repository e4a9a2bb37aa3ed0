#include "window_win32.h"

#include <commctrl.h>

#include <vector>

#include "utf16.h"

namespace qm::win32 {
namespace {

LRESULT CALLBACK return_presses(HWND button, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  switch (message) {
    case WM_GETDLGCODE:
      // Keeps the window loop's dialog navigation from turning Return into IDOK.
      if (wparam == VK_RETURN) return DLGC_WANTMESSAGE | DefSubclassProc(button, message, wparam, lparam);
      break;
    case WM_KEYDOWN:
      if (wparam == VK_RETURN) {
        if (!(lparam & (1 << 30))) SendMessageW(button, BM_CLICK, 0, 0);  // a held key repeats nothing
        return 0;
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(button, return_presses, 0);
      break;
  }
  return DefSubclassProc(button, message, wparam, lparam);
}

BOOL CALLBACK set_font(HWND child, LPARAM font) {
  SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  return TRUE;
}

// Tab, the arrow keys and a button's mnemonic work in every window as in a dialog.
bool dialog_message(MSG& msg) {
  HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  return root && IsDialogMessageW(root, &msg);
}

}  // namespace

std::wstring wide(std::string_view utf8) {
  const std::u16string u = utf8_to_utf16(utf8);
  return {u.begin(), u.end()};
}

std::string window_text(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
  const int got = GetWindowTextW(window, buffer.data(), length + 1);
  return utf16_to_utf8(std::u16string(buffer.begin(), buffer.begin() + got));
}

void set_window_text(HWND window, std::string_view utf8) { SetWindowTextW(window, wide(utf8).c_str()); }

HFONT make_font(std::string_view family_utf8, int pixel_height) {
  LOGFONTW lf{};
  lf.lfHeight = -pixel_height;  // the character height, not the cell's
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const std::wstring family = wide(family_utf8);
  family.copy(lf.lfFaceName, LF_FACESIZE - 1);
  return CreateFontIndirectW(&lf);
}

HFONT system_font() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    return CreateFontIndirectW(&metrics.lfMessageFont);
  LOGFONTW lf{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  return CreateFontIndirectW(&lf);
}

void apply_font(HWND window, HFONT font) {
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  EnumChildWindows(window, set_font, reinterpret_cast<LPARAM>(font));
}

void place_window(HWND window, int left, int top, int client_width, int client_height) {
  RECT r{0, 0, client_width, client_height};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), GetMenu(window) != nullptr,
                     static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
  SetWindowPos(window, nullptr, left, top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  // A frame whose metrics differ from what AdjustWindowRectEx assumed (a window manager's)
  // still gets the client size asked for.
  RECT client;
  GetClientRect(window, &client);
  const int dw = client_width - client.right, dh = client_height - client.bottom;
  if (dw || dh)
    SetWindowPos(window, nullptr, 0, 0, r.right - r.left + dw, r.bottom - r.top + dh,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

void press_on_return(HWND button) { SetWindowSubclass(button, return_presses, 0, 0); }

HICON program_icon(int size) {
  return static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_SHARED));
}

WNDCLASSEXW window_class(const wchar_t* name, WNDPROC procedure) {
  WNDCLASSEXW c{};
  c.cbSize = sizeof c;
  c.lpfnWndProc = procedure;
  c.hInstance = GetModuleHandleW(nullptr);
  c.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  c.hIcon = program_icon(32);
  c.hIconSm = program_icon(16);
  c.lpszClassName = name;
  return c;
}

void register_window_class(const wchar_t* name, WNDPROC procedure) {
  const WNDCLASSEXW c = window_class(name, procedure);
  RegisterClassExW(&c);
}

int run_window_loop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (dialog_message(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

bool run_window_loop_until(const bool& done) {
  MSG msg;
  while (!done) {
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // the outer loop ends too
      return false;
    }
    if (dialog_message(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

void handle_waiting_messages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT || dialog_message(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace qm::win32
