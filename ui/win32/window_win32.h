#pragma once
// What the programs' Win32 windows share: texts in and out of controls, the fonts, the
// outer placement from a client size, Return on a push button, and the window loop that
// gives every window the keyboard navigation of a dialog.

#include <windows.h>

#include <string>
#include <string_view>

namespace qm::win32 {

std::wstring wide(std::string_view utf8);
std::string window_text(HWND window);  // UTF-8
void set_window_text(HWND window, std::string_view utf8);

// A font asked for by name and character height in pixels, in the Shift-JIS character set.
// Owned by the caller (DeleteObject).
HFONT make_font(std::string_view family_utf8, int pixel_height);
// The system's own font for windows and boxes (the message-box font). Owned by the caller.
HFONT system_font();
// Gives `window` and every control in it `font`.
void apply_font(HWND window, HFONT font);

// Places a top-level window: its outer top-left corner at `left`, `top`, its client area
// exactly `client_width` × `client_height`, whatever the frame's metrics.
void place_window(HWND window, int left, int top, int client_width, int client_height);

// Return or Enter on `button` while it has the focus clicks it, once per press.
void press_on_return(HWND button);

// The program's icon from its resources (1), at a size; shared, never destroyed.
HICON program_icon(int size);

// A window class of the programs' windows: the arrow cursor, the dialog face, the program's
// icon. Registering the same name again does nothing.
WNDCLASSEXW window_class(const wchar_t* name, WNDPROC procedure);
void register_window_class(const wchar_t* name, WNDPROC procedure);

// The window procedure of a class whose windows each belong to an object of class T, handed
// over as CreateWindowExW's last argument: the object is kept with the window and handles
// its messages through T::handle(window, message, wparam, lparam), from WM_NCCREATE to
// WM_NCDESTROY, its window's last message, after which the window no longer names it.
template <class T>
LRESULT CALLBACK object_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
  auto* object = reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!object) return DefWindowProcW(window, message, wparam, lparam);
  const LRESULT result = object->handle(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  return result;
}

// Runs the thread's window loop until WM_QUIT, with a dialog's keyboard navigation in
// every top-level window; returns the quit code.
int run_window_loop();
// Runs the loop until `done` is true or WM_QUIT arrives (which is posted again for the
// outer loop); returns false on WM_QUIT.
bool run_window_loop_until(const bool& done);
// Handles the messages waiting now as the loop does, and returns (for tests that drive a
// window step by step). A quit request is dropped.
void handle_waiting_messages();

}  // namespace qm::win32
