#include "menu_lines.h"

#include "arguments.h"
#include "text.h"

namespace qm::host {
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

// One item line, or the reason it is none.
std::string read_item(std::string_view s, MenuEntry& entry) {
  if (!take(s, "item")) return "not a menu item (an item line begins with \"item,\")";
  if (!take(s, ",")) return "a comma must follow \"item\"";
  if (!take_quoted(s, entry.caption)) {
    // Opera's own items name their caption by a number: "Item, 50761 = Copy".
    if (!contains_icase(s, kAction)) return "the action is not \"Copy & Execute program\"";
    return "the caption must stand in double quotes";
  }
  if (!take(s, "=")) return "\"=\" must follow the caption";
  if (!take(s, kAction)) return "the action is not \"Copy & Execute program\"";
  if (!take(s, ",") || !take_quoted(s, entry.program) || !take(s, ","))
    return "the program must stand in double quotes between commas";
  // The argument text runs to the line's last quote: a class value may hold quotes.
  if (s.size() < 2 || s.front() != '"' || s.back() != '"') return "the arguments must stand in double quotes";
  entry.arguments = std::string(s.substr(1, s.size() - 2));
  return entry_problem(entry);
}

}  // namespace

std::string program_name(std::string_view program) {
  const std::size_t slash = program.find_last_of("/\\");
  std::string name(slash == std::string_view::npos ? program : program.substr(slash + 1));
  if (name.ends_with(".exe")) name.resize(name.size() - 4);
  return name;
}

bool is_worker_name(std::string_view program) {
  const std::string name = program_name(program);
  return name == "quotemill" || name == "quotemill3";
}

std::string template_name_problem(std::string_view arguments) {
  const lite::ArgumentList args = lite::SplitArguments(arguments);
  if (lite::Argument(args, 1) != "-u") return {};
  const std::string& name = lite::Argument(args, 2);
  if (!name.empty() && name.front() == '-') return {};  // user.txt
  // quotemill3 itself takes "%u" for user.txt, but the host puts the address in first.
  if (name.find("%u") != std::string::npos)
    return "after -u, %u would make the page address the template's file name: name a file in the workers' folder, "
           "as in -u user.txt %u";
  if (name.find_first_of("/\\:") != std::string::npos || name.find("..") != std::string::npos)
    return "the template after -u, \"" + name + "\", must be a plain file name in the workers' folder (no /, \\, : or ..)";
  return {};
}

std::string entry_problem(const MenuEntry& entry) {
  if (entry.caption.empty()) return "the caption is empty";
  if (!is_worker_name(entry.program))
    return "it runs \"" + entry.program + "\": only Quotemill's own workers (quotemill, quotemill3) can be run";
  if (entry.arguments.find("%u") == std::string::npos) return "the arguments have no %u for the page address";
  if (program_name(entry.program) == "quotemill3") return template_name_problem(entry.arguments);
  return {};
}

MenuLines parse_menu_lines(std::string_view text) {
  MenuLines out;
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
    if (!in_section) continue;
    MenuEntry entry;
    const std::string reason = read_item(line, entry);
    if (reason.empty())
      out.entries.push_back(std::move(entry));
    else
      out.refused.push_back({std::string(line), reason});
  }
  return out;
}

}  // namespace qm::host
