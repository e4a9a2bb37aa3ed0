#include "menu_entries.h"

#include "menu_line.h"
#include "styles.h"
#include "text.h"

namespace qm::settings {
namespace {

// The form's styles in the order their lines are written: the box that ticks a style, the
// style, the field of its target or number, and for a target, the box that adds it and the
// style that then stands.
struct FormStyle {
  bool FormChoices::*ticked;
  Style style;
  std::string FormChoices::*value = nullptr;
  Field field = Field::Edit1;
  bool FormChoices::*with_target = nullptr;
  Style target_style = Style::None;
};

const FormStyle kFormStyles[] = {
    {&FormChoices::a_tag, Style::Link, &FormChoices::a_target_text, Field::Edit4, &FormChoices::a_target,
     Style::LinkWithTarget},
    {&FormChoices::q_tag, Style::InlineQuote},
    {&FormChoices::ore_news, Style::NewsLink, &FormChoices::ore_target_text, Field::Edit5, &FormChoices::ore_target,
     Style::NewsLinkWithTarget},
    {&FormChoices::blockquote, Style::Quotation, &FormChoices::quote_threshold, Field::Edit2},
    {&FormChoices::hatena, Style::Heading},
};

// One menu line: the style's caption (taken from UTF-8 into the code page), the program, the
// style's argument, then the options every line shares.
std::string style_line(const StyleRow& row, std::string_view value, std::string_view program_path,
                       std::string_view tail, const CodePage& cp) {
  // A blank follows an option without a quoted target, as the lines have always read.
  std::string arguments = " " + style_argument(row, value);
  if (row.value != StyleValue::Target) arguments += ' ';
  arguments += tail;
  return menu::item_line(from_utf8(row.caption, cp), program_path, arguments);
}

}  // namespace

std::optional<std::int32_t> read_form_number(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::string_view rest = text.substr(i);

  std::size_t hex_prefix = 0;
  if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X'))
    hex_prefix = 1;
  else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X'))
    hex_prefix = 2;

  if (hex_prefix) {
    const std::optional<std::uint32_t> hex = hex_number(rest.substr(hex_prefix));
    if (!hex) return std::nullopt;
    return static_cast<std::int32_t>(*hex);
  }
  if (rest.empty()) return std::nullopt;
  const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
  std::uint64_t value = 0;
  for (char c : rest) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > limit) return std::nullopt;
  }
  const std::int64_t signed_value = negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
  return static_cast<std::int32_t>(signed_value);
}

std::string decimal_text(std::int32_t value) { return std::to_string(value); }

std::string option_tail(LineBreak line_break, const std::optional<std::string>& join_threshold,
                        const std::optional<std::string>& class_text) {
  std::string tail;
  if (line_break == LineBreak::Br)
    tail += " -h";
  else if (line_break == LineBreak::BrSlash)
    tail += " -x";
  if (join_threshold) tail += " -d=" + *join_threshold;
  if (class_text) tail += " -c='" + *class_text + "'";
  tail += " %u";
  return tail;
}

GeneratorRun generate_menu_lines(const FormChoices& in, std::string_view program_path,
                                 const CodePage& cp) {
  GeneratorRun run;
  // A number the worker can convert: the check passed and the value is not negative (the
  // worker reads digits only, so "-d=-5" or "-b-5" would break every use of the entry).
  auto check = [&run](Field field, const std::string& text) -> std::optional<std::string> {
    const std::optional<std::int32_t> value = read_form_number(text);
    if (!value || *value < 0) {
      run.refusal = Refusal::BadNumber;
      run.refused_field = field;
      return std::nullopt;
    }
    std::string normal = decimal_text(*value);
    if (normal != text) run.updates.push_back({field, normal});
    return normal;
  };
  auto target = [&run](Field field, const std::string& text) {
    if (!text.empty()) return text;
    run.updates.push_back({field, "_blank"});
    return std::string("_blank");
  };

  std::optional<std::string> join;
  if (in.join_lines && !(join = check(Field::Edit1, in.join_threshold))) return run;
  const std::string tail =
      option_tail(in.line_break, join, in.class_name ? std::optional(in.class_text) : std::nullopt);

  // Each ticked style's row and value, in the order of the lines; the values are checked and
  // refilled in that order too.
  struct Chosen {
    const StyleRow* row;
    std::string value;
  };
  std::vector<Chosen> chosen;
  for (const FormStyle& f : kFormStyles) {
    if (!(in.*f.ticked)) continue;
    const StyleRow& row = style_row(f.with_target && in.*f.with_target ? f.target_style : f.style);
    std::string value;
    if (row.value == StyleValue::Target) {
      value = target(f.field, in.*f.value);
    } else if (row.value == StyleValue::Number) {
      std::optional<std::string> number = check(f.field, in.*f.value);
      if (!number) return run;
      value = std::move(*number);
    }
    chosen.push_back({&row, std::move(value)});
  }

  if (!chosen.empty() && !menu::quotable(program_path)) {
    run.refusal = Refusal::QuoteInProgram;
    return run;
  }
  for (const Chosen& c : chosen) run.lines += style_line(*c.row, c.value, program_path, tail, cp);
  return run;
}

}  // namespace qm::settings
