#pragma once
// The about box of the settings window in plain Win32: the program's emblem, name and maker.
// The Qt box's twin.

#include <windows.h>

namespace qm::settings {

class TQuotemill_about {
 public:
  // Made by the settings form, its owner, for one modal showing; recorded as the open box.
  explicit TQuotemill_about(HWND owner);
  ~TQuotemill_about();
  TQuotemill_about(const TQuotemill_about&) = delete;
  TQuotemill_about& operator=(const TQuotemill_about&) = delete;

  // Shows the box and takes the owner's input until the box has closed.
  void exec();
  // Closes the box as its title bar's close button does.
  void close();

  // The about box that is open now, or none.
  static TQuotemill_about* current();

  HWND window() const { return window_; }

  // The controls, by the names of the box.
  HWND Button1 = nullptr;
  HWND icon = nullptr;
  HWND Quotemill = nullptr;
  HWND Label1 = nullptr;
  HWND Label2 = nullptr;
  HWND Label3 = nullptr;
  HWND Label4 = nullptr;

  void Button1Click();

  // The box's messages (win32::object_window_proc).
  LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  HWND text_label(int left, int top, const char* utf8);

  HWND owner_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  bool closed_ = false;
};

}  // namespace qm::settings
