#include "menu_lines.h"

#include "arguments.h"

namespace qm::host {

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
  for (const std::string_view line : menu::popup_menu_lines(text)) {
    MenuEntry entry;
    std::string reason = menu::read_item(line, entry);
    if (reason.empty()) reason = entry_problem(entry);
    if (reason.empty())
      out.entries.push_back(std::move(entry));
    else
      out.refused.push_back({std::string(line), std::move(reason)});
  }
  return out;
}

}  // namespace qm::host
