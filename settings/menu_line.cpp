#include "menu_line.h"

#include "text.h"

namespace qm::menu {
namespace {

constexpr std::string_view kSection = "Hotclick Popup Menu";
constexpr std::string_view kAction = "Copy & Execute program";

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool contains_icase(std::string_view s, std::string_view word) {
  for (std::size_t i = 0; i + word.size() <= s.size(); ++i)
    if (starts_with_icase(s.substr(i), word)) return true;
  return false;
}

// Consumes `word` (letter case ignored) and the blanks after it.
bool take(std::string_view& s, std::string_view word) {
  if (!starts_with_icase(s, word)) return false;
  s = trim(s.substr(word.size()));
  return true;
}

// Consumes a double-quoted text with no quote inside.
bool take_quoted(std::string_view& s, std::string& out) {
  if (s.empty() || s.front() != '"') return false;
  const std::size_t end = s.find('"', 1);
  if (end == std::string_view::npos) return false;
  out = std::string(s.substr(1, end - 1));
  s = trim(s.substr(end + 1));
  return true;
}

}  // namespace

bool quotable(std::string_view field) { return field.find('"') == std::string_view::npos; }

std::string item_line(std::string_view caption, std::string_view program, std::string_view arguments) {
  using namespace std::literals;
  std::string line;
  for (const std::string_view piece :
       {"item, \""sv, caption, "\" = "sv, kAction, ",\""sv, program, "\",\""sv, arguments, "\"\r\n"sv})
    line += piece;
  return line;
}

std::vector<std::string_view> popup_menu_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  bool in_section = true;  // lines pasted without a heading count
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const std::string_view line = trim(raw);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      in_section = line.back() == ']' && equals_icase(trim(line.substr(1, line.size() - 2)), kSection);
      continue;
    }
    if (in_section) lines.push_back(line);
  }
  return lines;
}

std::string read_item(std::string_view s, MenuItem& item) {
  if (!take(s, "item")) return "not a menu item (an item line begins with \"item,\")";
  if (!take(s, ",")) return "a comma must follow \"item\"";
  if (!take_quoted(s, item.caption)) {
    // Opera's own items name their caption by a number: "Item, 50761 = Copy".
    if (!contains_icase(s, kAction)) return "the action is not \"Copy & Execute program\"";
    return "the caption must stand in double quotes";
  }
  if (!take(s, "=")) return "\"=\" must follow the caption";
  if (!take(s, kAction)) return "the action is not \"Copy & Execute program\"";
  if (!take(s, ",") || !take_quoted(s, item.program) || !take(s, ","))
    return "the program must stand in double quotes between commas";
  // The argument text runs to the line's last quote: a class value may hold quotes.
  if (s.size() < 2 || s.front() != '"' || s.back() != '"') return "the arguments must stand in double quotes";
  item.arguments = std::string(s.substr(1, s.size() - 2));
  return {};
}

}  // namespace qm::menu
