#pragma once
// The browser menu lines that the settings window writes (and that users write by hand for
// quotemill3), read back into the entries the host will run, by the grammar of menu_line.h.
// Pure functions over UTF-8 texts.

#include <string>
#include <string_view>
#include <vector>

#include "menu_line.h"

namespace qm::host {

using MenuEntry = menu::MenuItem;

struct RefusedLine {
  std::string line;
  std::string reason;
  bool operator==(const RefusedLine&) const = default;
};

struct MenuLines {
  std::vector<MenuEntry> entries;  // in the order of the lines
  std::vector<RefusedLine> refused;
};

// Reads pasted text, CR LF or LF, as menu::popup_menu_lines picks its lines: each is an entry,
// or refused with the reason, when it is no item or the item cannot be run.
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
