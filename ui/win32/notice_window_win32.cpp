#include "notice_window_win32.h"

#include "messages.h"
#include "window_entries.h"
#include "window_win32.h"

namespace qm::lite {
namespace {

constexpr wchar_t kNoticeClass[] = L"TNoticeWindow";
constexpr int kButtonId = 100;

}  // namespace

NoticeWindow::NoticeWindow() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  win32::register_window_class(kNoticeClass, &NoticeWindow::window_proc);
  window_ = CreateWindowExW(WS_EX_CONTROLPARENT, kNoticeClass, win32::wide(kNoticeCaption).c_str(),
                            WS_OVERLAPPEDWINDOW, 1011, 721, 236, 168, nullptr, nullptr, instance, nullptr);
  if (!window_) return;
  // No automatic word wrap (lines break only at CR LF); an ampersand is shown as it stands.
  NoticeLabel = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 8, 16,
                                209, 81, window_, nullptr, instance, nullptr);
  NoticeButton = CreateWindowExW(0, L"BUTTON", win32::wide("わかった。").c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 88, 128, 89, 22,
                                 window_, reinterpret_cast<HMENU>(INT_PTR{kButtonId}), instance, nullptr);
  win32::press_on_return(NoticeButton);
  font_ = win32::system_font();
  win32::apply_font(window_, font_);
  win32::place_window(window_, 1011, 721, 236, 168);  // fixed, not centred, even on a small screen
}

NoticeWindow::~NoticeWindow() {
  if (window_) DestroyWindow(window_);
  if (font_) DeleteObject(font_);
}

void NoticeWindow::show(const std::string& text) {
  win32::set_window_text(NoticeLabel, text);
  ShowWindow(window_, SW_SHOW);
  SetFocus(NoticeButton);
}

LRESULT CALLBACK NoticeWindow::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == kButtonId && HIWORD(wparam) == BN_CLICKED && lparam) RequestQuit();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE) {
        if (HWND button = GetDlgItem(window, kButtonId)) SetFocus(button);
      }
      return 0;
    case WM_CLOSE:
      // The close control ends the program just as the button does.
      RequestQuit();
      ShowWindow(window, SW_HIDE);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void RequestQuit() { PostQuitMessage(0); }

void RunNoticeWindow(const std::string& text) {
  NoticeWindow notice;
  if (!notice.window()) return;
  notice.show(text);
  win32::run_window_loop();
}

}  // namespace qm::lite

namespace qm {

// The Windows build's notice window is linked into quotemill3, and there is always a desktop.
void run_notice_window(const std::string&, const std::string& text) { lite::RunNoticeWindow(text); }

}  // namespace qm
