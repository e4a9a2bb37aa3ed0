#include "menu_entries.h"

#include "text.h"

namespace qm::settings {
namespace {

constexpr char kHeadA[] = "item, \"aタグを挿入してコピー\" = Copy & Execute program,\"";
constexpr char kHeadQ[] = "item, \"qタグを挿入してコピー\" = Copy & Execute program,\"";
constexpr char kHeadOre[] = "item, \"『俺ニュース』方式リンクでコピー\" = Copy & Execute program,\"";
constexpr char kHeadBlockquote[] = "item, \"blockquoteタグを挿入してコピー\" = Copy & Execute program,\"";
constexpr char kHeadHatena[] = "item, \"はてなダイアリーの見出しっぽくコピー\" = Copy & Execute program,\"";

// The option piece of a style with an optional target: -a='target' or "-a ".
std::string target_piece(const char* option, bool with_target, const std::string& target) {
  if (with_target) return std::string("\",\" ") + option + "='" + target + "'";
  return std::string("\",\" ") + option + " ";
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

std::string style_line(std::string_view head_utf8, std::string_view program_path,
                       std::string_view option_piece, std::string_view tail, const CodePage& cp) {
  std::string line = from_utf8(head_utf8, cp);
  line += program_path;
  line += option_piece;
  line += tail;
  line += "\"\r\n";
  return line;
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

  std::string a_piece, ore_piece, quote_number;
  if (in.a_tag)
    a_piece = target_piece("-a", in.a_target, in.a_target ? target(Field::Edit4, in.a_target_text) : "");
  if (in.ore_news)
    ore_piece = target_piece("-o", in.ore_target, in.ore_target ? target(Field::Edit5, in.ore_target_text) : "");
  if (in.blockquote) {
    const std::optional<std::string> number = check(Field::Edit2, in.quote_threshold);
    if (!number) return run;
    quote_number = *number;
  }

  const bool any_style = in.a_tag || in.q_tag || in.ore_news || in.blockquote || in.hatena;
  if (any_style && program_path.find('"') != std::string_view::npos) {
    run.refusal = Refusal::QuoteInProgram;
    return run;
  }
  if (in.a_tag) run.lines += style_line(kHeadA, program_path, a_piece, tail, cp);
  if (in.q_tag) run.lines += style_line(kHeadQ, program_path, "\",\" -q ", tail, cp);
  if (in.ore_news) run.lines += style_line(kHeadOre, program_path, ore_piece, tail, cp);
  if (in.blockquote)
    run.lines += style_line(kHeadBlockquote, program_path, "\",\" -b" + quote_number + " ", tail, cp);
  if (in.hatena) run.lines += style_line(kHeadHatena, program_path, "\",\" -hd ", tail, cp);
  return run;
}

}  // namespace qm::settings
