#pragma once
// What the running process knows about itself.

#include <optional>
#include <string>

#include "codepage.h"

namespace qm {

// The arguments after the program's name as one text, which the programs split by their own
// rules: on Linux the argument vector joined with single blanks (join_arguments), on Windows
// the command line exactly as the caller wrote it, in the code page `cp`.
std::string program_arguments(int argc, const char* const* argv, const CodePage& cp);

// An environment variable's text in UTF-8; nullopt when it is not set.
std::optional<std::string> environment_text(const char* name);

// The full path of the running executable, never cut, whatever its length.
std::string executable_path();

// The arguments after the program name joined with single blanks: the command line that
// the programs split by their own rules.
std::string join_arguments(int argc, const char* const* argv);

// Keeps freed memory for reuse instead of handing it back: on a virtual machine a fresh
// page costs far more than the memory kept, and a worker run makes several passes over a
// text of up to hundreds of megabytes.
void keep_freed_memory();

// Hands the freed memory kept for reuse back to the system, so that after a text too large
// for a memory limit there is room to tell the user.
void return_freed_memory();

}  // namespace qm
