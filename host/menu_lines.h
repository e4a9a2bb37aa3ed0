#pragma once
// The browser menu lines that the settings window writes (and that users write by hand for
// quotemill3), read back into entries:
//   item, "CAPTION" = Copy & Execute program,"PROGRAM"," ARGUMENTS"
// Pure functions over UTF-8 texts.

#include <string>
#include <string_view>
#include <vector>

namespace qm::host {

struct MenuEntry {
  std::string caption;
  std::string program;
  std::string arguments;  // the argument text, "%u" standing for the page address
  bool operator==(const MenuEntry&) const = default;
};

struct RefusedLine {
  std::string line;
  std::string reason;
  bool operator==(const RefusedLine&) const = default;
};

struct MenuLines {
  std::vector<MenuEntry> entries;  // in the order of the lines
  std::vector<RefusedLine> refused;
};

// Reads pasted text, CR LF or LF. Blank lines, comments (";") and the lines of sections
// other than [Hotclick Popup Menu] are ignored; lines before any section heading count.
MenuLines parse_menu_lines(std::string_view text);

// A program's file name without a final ".exe": "quotemill3" for "C:\tools\quotemill3.exe".
std::string program_name(std::string_view program);

// The workers the host runs: a program whose file name is one of these.
bool is_worker_name(std::string_view program);

// Why quotemill3 would read a template from outside its folder with this argument text, as
// it splits it, or the empty text when it would not. "-u NAME" as the first arguments reads
// the file NAME, so NAME must be a plain file name: no "/", "\", ":" or "..", and no "%u",
// for which the page address goes in. A NAME that starts with "-" stands for user.txt.
std::string template_name_problem(std::string_view arguments);

// Why an entry cannot be run, or the empty text when it can.
std::string entry_problem(const MenuEntry& entry);

}  // namespace qm::host
