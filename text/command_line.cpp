#include "command_line.h"

namespace qm {

std::string_view arguments_after_program(std::string_view line) noexcept {
  std::size_t end;
  if (!line.empty() && line.front() == '"') {
    end = line.find('"', 1);
    end = end == std::string_view::npos ? line.size() : end + 1;
  } else {
    end = line.find_first_of(" \t");
    if (end == std::string_view::npos) end = line.size();
  }
  return line.substr(end);
}

}  // namespace qm
