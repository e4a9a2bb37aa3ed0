#pragma once
// The lines of a browser's menu.ini that start a program, written by the settings window and
// read back by quotemill-host:
//   item, "CAPTION" = Copy & Execute program,"PROGRAM","ARGUMENTS"
// Pure functions over texts; the grammar's literals are ASCII, so a line reads the same in
// UTF-8 and in the locale's code page.

#include <string>
#include <string_view>
#include <vector>

namespace qm::menu {

struct MenuItem {
  std::string caption;
  std::string program;
  std::string arguments;  // the argument text, "%u" standing for the page address
  bool operator==(const MenuItem&) const = default;
};

// Whether a caption or program can stand in a line: its double quotes hold no double quote.
// The argument text may hold them, as it runs to the line's last quote.
bool quotable(std::string_view field);

// One item line, ending in CR LF.
std::string item_line(std::string_view caption, std::string_view program, std::string_view arguments);

// The lines of pasted text, CR LF or LF, that may be items, trimmed of blanks: blank lines,
// comments (";") and the lines of sections other than [Hotclick Popup Menu] are left out;
// lines before any section heading count.
std::vector<std::string_view> popup_menu_lines(std::string_view text);

// Reads one trimmed line into `item`: the empty text, or why the line is no item.
std::string read_item(std::string_view line, MenuItem& item);

}  // namespace qm::menu
