#pragma once
// What a Windows process knows about itself beyond process.h.

#include <cstdint>
#include <functional>
#include <string>

#include "codepage.h"

namespace qm {

// The command line as the process was given it (GetCommandLineW), in the code page, after
// the program's name: the text the programs split by their own rules.
std::string command_line_arguments(const CodePage& cp);

// The full path of the running executable in UTF-8, never cut.
std::string executable_path_utf8();

// The whole text that `get` writes as GetModuleFileNameW does: into a buffer of `size`
// units, returning its length, or `size` when it was cut to fit. Asks again with more room
// until it fits; empty when `get` fails.
std::u16string whole_module_text(const std::function<std::uint32_t(char16_t* buffer, std::uint32_t size)>& get);

// An environment variable in UTF-8, empty when unset; `found` tells an empty one from none.
std::string environment_utf8(const char* name, bool* found = nullptr);

}  // namespace qm
