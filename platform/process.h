#pragma once
// What the running process knows about itself.

#include <string>

namespace qm {

// The full path of the running executable, never cut, whatever its length.
std::string executable_path();

// The arguments after the program name joined with single blanks: the command line that
// the programs split by their own rules.
std::string join_arguments(int argc, const char* const* argv);

// The number of threads of this process (1 when it cannot be told).
int thread_count();

}  // namespace qm
