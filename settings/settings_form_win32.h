#pragma once
// The settings window of quotemill in plain Win32: built from the form's layout table, its
// state and rules the form model's, which the controls mirror. The Qt window's twin.

#include <windows.h>

#include <array>
#include <string>

#include "clipboard.h"
#include "codepage.h"
#include "form_model.h"
#include "message_box.h"

namespace qm::settings {

class TForm2 {
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
  const FormModel& model() const { return model_; }
  // True once the window is gone: closed by its close button or by a run of "生成".
  const bool& closed() const { return closed_; }

  // Handlers: each enabling handler passes its box's tick to the model, whose rule sets the
  // enabled flag of the controls that depend on the box, one level deep.
  void CheckBox4Click();
  void CheckBox5Click();
  void CheckBox6Click();
  void Button2Click();  // the about box, modally
  void Button1Click();  // the generator
  void CheckBox1Click();
  void CheckBox7Click();
  void CheckBox3Click();
  void CheckBox8Click();

 private:
  static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
  void build_controls();
  void order_for_tabbing();
  void add_tooltip();
  void command(ControlId id, int code);
  void follow_anchors(int client_width, int client_height);
  // A tick the user changed reaches the model; the flags its rule set reach the controls.
  void tick_changed(ControlId id);
  void generate();
  template <class F>
  void guarded(F&& handler);

  FormModel model_;
  std::array<HWND, kControlCount> controls_{};
  HWND window_ = nullptr;
  HWND tooltip_ = nullptr;
  HWND focus_ = nullptr;  // the control that had the focus when the window was left
  HFONT font_ = nullptr;
  bool closed_ = false;
  CountedClipboard clipboard_;
  MessageBoxes& boxes_;
  std::string program_path_;
  CodePage cp_;
};

// The first control id; each control's id is this plus its index.
inline constexpr int kFirstControlId = 100;

}  // namespace qm::settings
