#pragma once
// The notice window of quotemill3 in plain Win32: a caption, a text and one button that ends
// the program. The Qt window's twin.

#include <windows.h>

#include <string>

namespace qm::lite {

class NoticeWindow {
 public:
  // The window, hidden, at its fixed place; its button and close control request the quit.
  NoticeWindow();
  ~NoticeWindow();
  NoticeWindow(const NoticeWindow&) = delete;
  NoticeWindow& operator=(const NoticeWindow&) = delete;

  HWND window() const { return window_; }
  HWND button() const { return NoticeButton; }
  HWND label() const { return NoticeLabel; }

  // Sets the label's text (UTF-8, CR LF line breaks) and shows the window.
  void show(const std::string& text);

 private:
  static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND window_ = nullptr;
  HWND NoticeButton = nullptr;
  HWND NoticeLabel = nullptr;
  HFONT font_ = nullptr;
};

// Asks the window loop to end at its next turn.
void RequestQuit();

// Shows the notice window with `text` (UTF-8, CR LF line breaks) and runs the window loop
// until the user dismisses it.
void RunNoticeWindow(const std::string& text);

}  // namespace qm::lite
