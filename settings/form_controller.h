#pragma once
// What the settings form does, in whatever toolkit its window is: the handlers of its
// controls, the number check and the run of "生成" up to the clipboard and the boxes. A
// window holds the controls, offers them through FormView, and hands every event of the user
// to the controller.

#include <string>

#include "clipboard.h"
#include "codepage.h"
#include "form_layout.h"
#include "form_model.h"
#include "message_box.h"

namespace qm::settings {

// The controls of a settings window, by id, as the controller reads and changes them.
class FormView {
 public:
  virtual ~FormView() = default;
  // A check box's tick, or whether a radio button is the selected one.
  virtual bool ticked(ControlId id) const = 0;
  virtual void set_ticked(ControlId id, bool on) = 0;
  // A text field's text, UTF-8.
  virtual std::string text(ControlId id) const = 0;
  virtual void set_text(ControlId id, const std::string& utf8) = 0;
  // Usable or greyed.
  virtual void set_enabled(ControlId id, bool on) = 0;
  // Puts the keyboard focus in a text field, its whole text selected.
  virtual void focus_field(ControlId id) = 0;
  // Shows the about box and returns once it has closed.
  virtual void show_about() = 0;
  // Closes the window, which ends the settings run.
  virtual void close_window() = 0;
};

class FormController {
 public:
  // `clipboard` receives the generated lines through the counted service; `boxes` shows the
  // form's messages and the report of an error raised in a handler. `program_path` is the
  // running program (code page), which every line names.
  FormController(FormView& view, ClipboardBackend& clipboard, MessageBoxes& boxes, std::string program_path,
                 CodePage cp);

  const FormModel& model() const { return model_; }

  // Puts the form's state at start on the view's controls, once they all exist.
  void show_start();

  // The user changed the tick of a box, selected a radio button or pressed a push button:
  // the control's handler runs, or, for a box without one, the model takes the tick.
  void clicked(ControlId id);
  // The user changed the text of a field.
  void text_changed(ControlId id);

  // The form's handlers. Each enabling handler passes its box's tick to the model, whose
  // rule sets the enabled flag of the controls that depend on the box, one level deep.
  void CheckBox1Click();
  void CheckBox3Click();
  void CheckBox4Click();
  void CheckBox5Click();
  void CheckBox6Click();
  void CheckBox7Click();
  void CheckBox8Click();
  void Button1Click();  // the generator
  void Button2Click();  // the about box, modally

 private:
  // A tick the user changed reaches the model; the flags its rule set reach the view.
  void tick_changed(ControlId id);
  void generate();
  // Runs a handler as the window loop does: an error is reported and the window goes on.
  template <class F>
  void guarded(F&& handler);

  FormView& view_;
  FormModel model_;
  CountedClipboard clipboard_;
  MessageBoxes& boxes_;
  std::string program_path_;
  CodePage cp_;
};

}  // namespace qm::settings
