#pragma once
// The argument list of quotemill: argument 0 is the executable's path, arguments 1 to n
// come from splitting the command line.

#include <string>
#include <string_view>
#include <vector>

#include "codepage.h"

namespace qm {

// Splits an argument text: separators are the bytes 1 to 32; double quotes group and are
// dropped; an empty "" pair where an argument would begin is skipped; an argument that comes
// out empty (a lone quote at the end) ends the list. Nothing else is special. The text holds
// the arguments only, not the program.
std::vector<std::string> split_command_line(std::string_view line, const CodePage& cp);

class Arguments {
 public:
  Arguments(std::string program, std::vector<std::string> arguments)
      : program_(std::move(program)), arguments_(std::move(arguments)) {}

  // n, the number of arguments after the program.
  int count() const noexcept { return static_cast<int>(arguments_.size()); }
  // Argument i: 0 is the program's path; beyond n the empty text.
  const std::string& operator[](int i) const noexcept;
  // Argument n, the program's path when there is none.
  const std::string& last() const noexcept { return (*this)[count()]; }

 private:
  std::string program_;
  std::vector<std::string> arguments_;
};

}  // namespace qm
