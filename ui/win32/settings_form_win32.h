#pragma once
// The settings window of quotemill in plain Win32: built from the form's layout table, it
// holds the controls only; what they do is the form controller's. The Qt window's twin.

#include <windows.h>

#include <array>
#include <string>

#include "clipboard.h"
#include "codepage.h"
#include "form_controller.h"
#include "message_box.h"

namespace qm::settings {

class TForm2 : private FormView {
 public:
  // `clipboard` receives the generated lines through the counted service; `boxes` shows the
  // window's messages and the report of an error raised in a handler. `program_path` is the
  // running program (code page), which every line names. The window is built hidden.
  TForm2(ClipboardBackend& clipboard, MessageBoxes& boxes, std::string program_path, CodePage cp);
  ~TForm2();
  TForm2(const TForm2&) = delete;
  TForm2& operator=(const TForm2&) = delete;

  void show();
  HWND window() const { return window_; }
  HWND control(ControlId id) const { return controls_[index_of(id)]; }
  const FormModel& model() const { return controller_.model(); }
  // True once the window is gone: closed by its close button or by a run of "生成".
  const bool& closed() const { return closed_; }

  // The window's messages (win32::object_window_proc).
  LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  void build_controls();
  void order_for_tabbing();
  void add_tooltip();
  void command(ControlId id, int code);
  void follow_anchors(int client_width, int client_height);

  bool ticked(ControlId id) const override;
  void set_ticked(ControlId id, bool on) override;
  std::string text(ControlId id) const override;
  void set_text(ControlId id, const std::string& utf8) override;
  void set_enabled(ControlId id, bool on) override;
  void focus_field(ControlId id) override;
  void show_about() override;
  void close_window() override;

  std::array<HWND, kControlCount> controls_{};
  HWND window_ = nullptr;
  HWND tooltip_ = nullptr;
  HWND focus_ = nullptr;  // the control that had the focus when the window was left
  HFONT font_ = nullptr;
  bool closed_ = false;
  FormController controller_;
};

// The first control id; each control's id is this plus its index.
inline constexpr int kFirstControlId = 100;

}  // namespace qm::settings
