#pragma once
// The settings window as data: its 23 controls with kind, parent, rectangle, caption, state at
// start, anchor and tab order, and the window's own title, place and font. Every toolkit's
// window builds itself from this one table, so the windows agree to the pixel.

#include <cstddef>
#include <span>

namespace qm::settings {

// The controls of the settings form, in the order the form declares them.
enum class ControlId {
  CheckBox1,
  CheckBox2,
  CheckBox3,
  GroupBox1,
  CheckBox4,
  Edit2,
  Label2,
  RadioGroup1,
  RadioButton1,
  RadioButton2,
  RadioButton3,
  CheckBox5,
  Edit1,
  Label1,
  Button1,
  Button2,
  CheckBox6,
  Edit3,
  CheckBox7,
  CheckBox8,
  Edit4,
  Edit5,
  hatenad,
};
inline constexpr std::size_t kControlCount = 23;

inline constexpr std::size_t index_of(ControlId id) { return static_cast<std::size_t>(id); }

enum class ControlKind { Label, Frame, CheckBox, TextField, RadioButton, PushButton };

// What a control does when its window is resized: stay put, follow the bottom edge, or follow
// the bottom and the right edges.
enum class Anchor { TopLeft, BottomLeft, BottomRight };

struct Rect {
  int left, top, width, height;
  bool operator==(const Rect&) const = default;
};

struct ControlSpec {
  ControlId id;
  ControlKind kind;
  const char* name;         // the control's name, as tests and tools find it
  bool in_frame;            // a child of GroupBox1 (else of the window)
  Rect rect;                // in the parent's client coordinates
  const char* caption;      // UTF-8: the caption, or a text field's text
  bool enabled;             // at start
  bool ticked;              // at start: a box's tick, a radio button's selection
  Anchor anchor;
  int tab_order;            // among the controls of the same parent; -1 for labels
};

// All controls in creation order: a later control lies above an earlier one.
std::span<const ControlSpec> form_layout();
const ControlSpec& control_spec(ControlId id);

// The controls the keyboard focus visits, in order: the style frame's controls first, in their
// own order, then the window's. Frames and labels take no focus and are left out; greyed
// controls are in the chain and skipped by the toolkit.
std::span<const ControlId> tab_chain();

struct WindowSpec {
  const char* name;          // "Form2"
  const char* title;         // UTF-8
  int left, top;             // outer position on the screen, not centred
  int outer_width, outer_height;
  int client_width, client_height;
  const char* font_family;   // UTF-8
  int font_pixel_height;
  ControlId tooltip_frame;   // shows its tooltip over itself and every control inside it
  const char* tooltip;       // UTF-8
};

const WindowSpec& form_window();

// Where control `c` stands in its parent when the window's client area measures
// `client_width` × `client_height`: it keeps its distances from the edges its anchor names,
// as at the designed size. The size never changes.
Rect anchored_rect(const ControlSpec& c, int client_width, int client_height);

}  // namespace qm::settings
