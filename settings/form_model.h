#pragma once
// The settings form's state and rules without a toolkit: the controls' ticks, texts and
// enabled flags, the seven enabling rules, and the run of "生成" up to the clipboard. A window
// tells the model what the user changed and mirrors back what the model changed.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codepage.h"
#include "form_layout.h"
#include "menu_entries.h"

namespace qm::settings {

// The controls whose enabled flag follow `box`'s tick, in the order the rule sets them;
// empty for a control without an enabling rule.
std::span<const ControlId> enabled_by(ControlId box);

// The text field a generator run may rewrite.
ControlId control_of(Field field);

// What a window does after a run of "生成", in this order: show the new texts of
// `rewritten`; when `message` is set, show it in a plain box and put the focus in `focus`
// (selecting its text) if that is set, and stop there; otherwise write `lines` to the
// clipboard, show kConfirmation and close.
struct FormRun {
  std::vector<ControlId> rewritten;
  const char* message = nullptr;     // UTF-8: why nothing is written
  std::optional<ControlId> focus;
  std::string lines;                 // code page
};

class FormModel {
 public:
  // Every control as the window shows it at start.
  FormModel();

  bool ticked(ControlId id) const { return state(id).ticked; }
  bool enabled(ControlId id) const { return state(id).enabled; }
  const std::string& text(ControlId id) const { return state(id).text; }  // UTF-8
  LineBreak line_break() const;

  // The user changed the tick of a check box or selected a radio button. A check box's
  // enabling rule then sets the enabled flag of its dependents to the tick, one level deep,
  // and the controls it set are returned (for the window to mirror); nothing else changes. A
  // radio button selected unselects the other two; unselecting one alone changes nothing,
  // since exactly one is always selected.
  std::span<const ControlId> set_ticked(ControlId id, bool ticked);

  // The user changed a text field (UTF-8, any text: the numbers are checked by "生成").
  void set_text(ControlId id, std::string utf8);

  // What "生成" reads: ticks and texts, the texts taken into the code page.
  FormChoices choices(const CodePage& cp) const;

  // The run of "生成" up to the clipboard: number checks and "_blank" refills, whose texts the
  // model takes over, then the lines or the reason for writing none.
  FormRun generate(std::string_view program_path, const CodePage& cp);

 private:
  struct ControlState {
    bool enabled;
    bool ticked;
    std::string text;
  };
  const ControlState& state(ControlId id) const { return states_[index_of(id)]; }
  ControlState& state(ControlId id) { return states_[index_of(id)]; }

  std::array<ControlState, kControlCount> states_;
};

}  // namespace qm::settings
