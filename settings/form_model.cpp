#include "form_model.h"

namespace qm::settings {
namespace {

using enum ControlId;

struct EnablingRule {
  ControlId box;
  std::array<ControlId, 2> dependents;
  std::size_t count;
};

// Each box's handler, one level deep: a dependent's own dependents keep their flags.
constexpr EnablingRule kRules[] = {
    {CheckBox1, {CheckBox7}, 1},
    {CheckBox7, {Edit4}, 1},
    {CheckBox3, {CheckBox8}, 1},
    {CheckBox8, {Edit5}, 1},
    {CheckBox4, {Label2, Edit2}, 2},
    {CheckBox5, {Edit1}, 1},
    {CheckBox6, {Edit3}, 1},
};

constexpr ControlId kRadios[] = {RadioButton1, RadioButton2, RadioButton3};

}  // namespace

std::span<const ControlId> enabled_by(ControlId box) {
  for (const EnablingRule& r : kRules)
    if (r.box == box) return std::span(r.dependents).first(r.count);
  return {};
}

ControlId control_of(Field field) {
  switch (field) {
    case Field::Edit1: return Edit1;
    case Field::Edit2: return Edit2;
    case Field::Edit4: return Edit4;
    case Field::Edit5: return Edit5;
  }
  return Edit1;
}

FormModel::FormModel() {
  for (const ControlSpec& c : form_layout())
    state(c.id) = {c.enabled, c.ticked, c.kind == ControlKind::TextField ? c.caption : ""};
}

LineBreak FormModel::line_break() const {
  return ticked(RadioButton2)   ? LineBreak::Br
         : ticked(RadioButton3) ? LineBreak::BrSlash
                                : LineBreak::Keep;
}

std::span<const ControlId> FormModel::set_ticked(ControlId id, bool on) {
  const ControlKind kind = control_spec(id).kind;
  if (kind == ControlKind::RadioButton) {
    if (on)
      for (ControlId r : kRadios) state(r).ticked = r == id;
    return {};
  }
  if (kind != ControlKind::CheckBox) return {};
  state(id).ticked = on;
  const std::span<const ControlId> dependents = enabled_by(id);
  for (ControlId d : dependents) state(d).enabled = on;
  return dependents;
}

void FormModel::set_text(ControlId id, std::string utf8) {
  if (control_spec(id).kind == ControlKind::TextField) state(id).text = std::move(utf8);
}

FormChoices FormModel::choices(const CodePage& cp) const {
  auto field = [&](ControlId id) { return from_utf8(text(id), cp); };
  FormChoices c;
  c.a_tag = ticked(CheckBox1);
  c.a_target = ticked(CheckBox7);
  c.a_target_text = field(Edit4);
  c.q_tag = ticked(CheckBox2);
  c.ore_news = ticked(CheckBox3);
  c.ore_target = ticked(CheckBox8);
  c.ore_target_text = field(Edit5);
  c.blockquote = ticked(CheckBox4);
  c.quote_threshold = field(Edit2);
  c.hatena = ticked(hatenad);
  c.line_break = line_break();
  c.join_lines = ticked(CheckBox5);
  c.join_threshold = field(Edit1);
  c.class_name = ticked(CheckBox6);
  c.class_text = field(Edit3);
  return c;
}

FormRun FormModel::generate(std::string_view program_path, const CodePage& cp) {
  GeneratorRun run = generate_menu_lines(choices(cp), program_path, cp);
  FormRun out;
  for (const FieldUpdate& u : run.updates) {
    const ControlId id = control_of(u.field);
    state(id).text = to_utf8(u.text, cp);
    out.rewritten.push_back(id);
  }
  switch (run.refusal) {
    case Refusal::BadNumber:
      out.message = kEnterNumber;
      out.focus = control_of(run.refused_field);
      break;
    case Refusal::QuoteInProgram:
      out.message = kQuoteInProgram;
      break;
    case Refusal::None:
      out.lines = std::move(run.lines);
      break;
  }
  return out;
}

}  // namespace qm::settings
