#pragma once
// The system's own conversion between a code page and UTF-8, for checking the programs'
// tables against it.

#include <optional>
#include <string>

#include "codepage.h"

namespace qm {

bool system_has_code_page(const CodePage& cp);

// The whole text converted, or nullopt when the system refuses any of it (or could only
// give a substitute).
std::optional<std::string> system_to_utf8(const std::string& text, const CodePage& cp);
std::optional<std::string> system_from_utf8(const std::string& utf8, const CodePage& cp);

}  // namespace qm
