#include "form_controller.h"

#include "error.h"

namespace qm::settings {

using enum ControlId;

FormController::FormController(FormView& view, ClipboardBackend& clipboard, MessageBoxes& boxes,
                               std::string program_path, CodePage cp)
    : view_(view),
      clipboard_(clipboard, cp),
      boxes_(boxes),
      program_path_(std::move(program_path)),
      cp_(std::move(cp)) {}

void FormController::show_start() {
  for (const ControlSpec& c : form_layout()) {
    if (c.kind == ControlKind::CheckBox || c.kind == ControlKind::RadioButton) view_.set_ticked(c.id, model_.ticked(c.id));
    if (c.kind == ControlKind::TextField) view_.set_text(c.id, model_.text(c.id));
    view_.set_enabled(c.id, model_.enabled(c.id));
  }
}

void FormController::clicked(ControlId id) {
  switch (id) {
    case CheckBox1: CheckBox1Click(); return;
    case CheckBox3: CheckBox3Click(); return;
    case CheckBox4: CheckBox4Click(); return;
    case CheckBox5: CheckBox5Click(); return;
    case CheckBox6: CheckBox6Click(); return;
    case CheckBox7: CheckBox7Click(); return;
    case CheckBox8: CheckBox8Click(); return;
    case Button1: Button1Click(); return;
    case Button2: Button2Click(); return;
    default: {
      const ControlKind kind = control_spec(id).kind;
      if (kind == ControlKind::CheckBox || kind == ControlKind::RadioButton) tick_changed(id);
    }
  }
}

void FormController::text_changed(ControlId id) {
  if (control_spec(id).kind == ControlKind::TextField) model_.set_text(id, view_.text(id));
}

void FormController::tick_changed(ControlId id) {
  for (ControlId d : model_.set_ticked(id, view_.ticked(id))) view_.set_enabled(d, model_.enabled(d));
}

void FormController::CheckBox1Click() { tick_changed(CheckBox1); }
void FormController::CheckBox3Click() { tick_changed(CheckBox3); }
void FormController::CheckBox4Click() { tick_changed(CheckBox4); }
void FormController::CheckBox5Click() { tick_changed(CheckBox5); }
void FormController::CheckBox6Click() { tick_changed(CheckBox6); }
void FormController::CheckBox7Click() { tick_changed(CheckBox7); }
void FormController::CheckBox8Click() { tick_changed(CheckBox8); }

void FormController::Button1Click() {
  guarded([this] { generate(); });
}

void FormController::Button2Click() {
  guarded([this] { view_.show_about(); });
}

template <class F>
void FormController::guarded(F&& handler) {
  try {
    handler();
  } catch (const Error& e) {
    boxes_.show(window_loop_error_box(e));
  }
}

void FormController::generate() {
  const FormRun run = model_.generate(program_path_, cp_);
  for (ControlId id : run.rewritten) view_.set_text(id, model_.text(id));
  if (run.message) {
    boxes_.show({kAppTitle, run.message, BoxIcon::None});
    if (run.focus) view_.focus_field(*run.focus);
    return;
  }
  {
    ClipboardHold hold(clipboard_);  // closed also when the write fails
    clipboard_.write_text(run.lines);
  }
  boxes_.show({kAppTitle, kConfirmation, BoxIcon::None});
  view_.close_window();
}

}  // namespace qm::settings
