#pragma once
// A Windows process receives one command line, not an argument vector: the programs skip
// the program's name as Windows itself finds it, then split the rest by their own rules.

#include <string_view>

namespace qm {

// What follows the program's name in `command_line`: a name that begins with a double quote
// runs to the next double quote, any other to the first blank or tab. The rest starts right
// after the name, separators and all.
std::string_view arguments_after_program(std::string_view command_line) noexcept;

}  // namespace qm
