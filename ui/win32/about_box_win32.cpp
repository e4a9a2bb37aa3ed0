#include "about_box_win32.h"

#include <string>

#include "about_text.h"
#include "form_layout.h"
#include "window_win32.h"

namespace qm::settings {
namespace {

constexpr wchar_t kBoxClass[] = L"TQuotemill_about";
constexpr int kButtonId = 100;

// The program-wide reference to the open about box; at most one exists, since the settings
// window takes no input while it is open.
TQuotemill_about* open_box = nullptr;

}  // namespace

TQuotemill_about::TQuotemill_about(HWND owner) : owner_(owner) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  win32::register_window_class(kBoxClass, &win32::object_window_proc<TQuotemill_about>);
  window_ = CreateWindowExW(WS_EX_CONTROLPARENT, kBoxClass, win32::wide(kAboutTitle).c_str(),
                            WS_OVERLAPPEDWINDOW, 465, 255, 254, 133, owner, nullptr, instance, this);
  open_box = this;
  if (!window_) return;  // nothing to show: exec returns at once
  font_ = win32::make_font(form_window().font_family, form_window().font_pixel_height);
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

  // Creation order: the emblem, the labels, the button.
  icon = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON | SS_REALSIZECONTROL, 32, 16, 32,
                         32, window_, nullptr, instance, nullptr);
  SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(win32::program_icon(32)), 0);
  Quotemill = text_label(128, 8, kProgramName);
  Label1 = text_label(88, 24, kMakerLine);
  // Declared with the others; the box shows nothing in it.
  Label2 = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD, 0, 0, 0, 0, window_, nullptr, instance, nullptr);
  Label3 = text_label(8, 56, kWebAddress);
  Label4 = text_label(144, 56, kMailAddress);
  Button1 = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON,
                            88, 72, 75, 25, window_, reinterpret_cast<HMENU>(INT_PTR{kButtonId}), instance, nullptr);
  win32::press_on_return(Button1);
  win32::apply_font(window_, font_);
  win32::place_window(window_, 465, 255, 246, 105);
}

TQuotemill_about::~TQuotemill_about() {
  if (window_) {
    EnableWindow(owner_, TRUE);
    DestroyWindow(window_);
  }
  if (font_) DeleteObject(font_);
  if (open_box == this) open_box = nullptr;
}

TQuotemill_about* TQuotemill_about::current() { return open_box; }

HWND TQuotemill_about::text_label(int left, int top, const char* utf8) {
  const std::wstring text = win32::wide(utf8);
  SIZE size{};
  HDC dc = GetDC(window_);
  HGDIOBJ old = SelectObject(dc, font_);
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(window_, dc);
  // As wide as its text, 12 pixels high.
  return CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, left, top,
                         size.cx, 12, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
}

void TQuotemill_about::exec() {
  if (!window_) return;
  EnableWindow(owner_, FALSE);  // the settings window takes no input meanwhile
  ShowWindow(window_, SW_SHOW);
  SetFocus(Button1);
  win32::run_window_loop_until(closed_);
}

void TQuotemill_about::close() {
  if (window_) SendMessageW(window_, WM_CLOSE, 0, 0);
}

void TQuotemill_about::Button1Click() {
  if (open_box) open_box->close();
}

LRESULT TQuotemill_about::handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!window_) window_ = window;  // from WM_NCCREATE on, before CreateWindowExW returns
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == kButtonId && HIWORD(wparam) == BN_CLICKED && lparam) Button1Click();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE && Button1) SetFocus(Button1);  // its only focusable control
      return 0;
    case WM_CLOSE:
      // The owner takes input again before the box goes, so it, not another program, comes
      // to the front.
      EnableWindow(owner_, TRUE);
      DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      closed_ = true;
      return 0;
    case WM_NCDESTROY:
      window_ = nullptr;
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace qm::settings
