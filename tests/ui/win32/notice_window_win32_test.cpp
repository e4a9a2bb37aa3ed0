// The Win32 notice window of quotemill3: built hidden at its fixed place, shown with a text,
// and ended by its button, by Return on the button and by its close control.

#include <windows.h>

#include <string>

#include "messages.h"
#include "notice_window_win32.h"
#include "win32_check.h"
#include "window_win32.h"

namespace qm::lite {
namespace {

using settings::Rect;
using test::describe;
using test::rect_in_parent;

void built_hidden() {
  NoticeWindow notice;
  QM_CHECK(notice.window() && !IsWindowVisible(notice.window()));
  QM_CHECK(win32::window_text(notice.window()) == kNoticeCaption);
  RECT outer, client;
  GetWindowRect(notice.window(), &outer);
  GetClientRect(notice.window(), &client);
  QM_CHECK(outer.left == 1011 && outer.top == 721);
  QM_CHECK(client.right == 236 && client.bottom == 168);
  QM_CHECK_MSG(rect_in_parent(notice.label()) == (Rect{8, 16, 209, 81}), describe(rect_in_parent(notice.label())));
  QM_CHECK(rect_in_parent(notice.button()) == (Rect{88, 128, 89, 22}));
  QM_CHECK(win32::window_text(notice.button()) == "わかった。");
  QM_CHECK(win32::window_text(notice.label()).empty());
  const LONG_PTR style = GetWindowLongPtrW(notice.label(), GWL_STYLE);
  QM_CHECK((style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP && (style & SS_NOPREFIX));
}

enum class Answer { Button, ReturnKey, CloseControl };
Answer answer;
std::string seen_text;
bool seen_visible = false;

void CALLBACK dismiss(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  HWND window = FindWindowW(L"TNoticeWindow", win32::wide(kNoticeCaption).c_str());
  if (!window) return;
  seen_visible = IsWindowVisible(window);
  HWND label = nullptr, button = nullptr;
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t cls[16];
    GetClassNameW(c, cls, 16);
    (std::wstring(cls) == L"Static" || std::wstring(cls) == L"STATIC" ? label : button) = c;
  }
  seen_text = label ? win32::window_text(label) : "";
  switch (answer) {
    case Answer::Button: SendMessageW(button, BM_CLICK, 0, 0); break;
    case Answer::ReturnKey:
      SetFocus(button);
      PostMessageW(button, WM_KEYDOWN, VK_RETURN, 1);
      break;
    case Answer::CloseControl: PostMessageW(window, WM_CLOSE, 0, 0); break;
  }
}

void shown_and_dismissed() {
  for (Answer a : {Answer::Button, Answer::ReturnKey, Answer::CloseControl}) {
    answer = a;
    seen_text.clear();
    seen_visible = false;
    SetTimer(nullptr, 0, 200, dismiss);
    const std::string text = std::string(kVersionText) + "\r\n& <b>";  // shown as it stands
    RunNoticeWindow(text);  // returns once the quit is requested
    QM_CHECK_MSG(seen_visible && seen_text == text, "answer " + std::to_string(int(a)) + ": " + seen_text);
    QM_CHECK(!FindWindowW(L"TNoticeWindow", nullptr));
  }
}

}  // namespace
}  // namespace qm::lite

int wmain() {
  qm::test::bound_run(30);
  qm::lite::built_hidden();
  qm::lite::shown_and_dismissed();
  return qm::test::finish("notice_window_win32_test");
}
