#include "arguments.h"

namespace qm {
namespace {

bool is_separator(char c) noexcept {
  const auto b = static_cast<unsigned char>(c);
  return b >= 1 && b <= 32;
}

}  // namespace

std::vector<std::string> split_command_line(std::string_view line, const CodePage& cp) {
  std::vector<std::string> out;
  std::size_t p = 0;
  const std::size_t end = line.find('\0') == std::string_view::npos ? line.size() : line.find('\0');
  for (;;) {
    for (;;) {
      while (p < end && is_separator(line[p])) ++p;
      if (p + 1 < end && line[p] == '"' && line[p + 1] == '"')
        p += 2;
      else
        break;
    }
    std::string arg;
    while (p < end && !is_separator(line[p])) {
      if (line[p] == '"') {
        ++p;
        while (p < end && line[p] != '"') {
          const std::size_t n = std::min(cp.char_length(line, p), end - p);
          arg.append(line, p, n);
          p += n;
        }
        if (p < end) ++p;  // the closing quote
      } else {
        const std::size_t n = std::min(cp.char_length(line, p), end - p);
        arg.append(line, p, n);
        p += n;
      }
    }
    if (arg.empty()) return out;
    out.push_back(std::move(arg));
  }
}

const std::string& Arguments::operator[](int i) const noexcept {
  static const std::string empty;
  if (i == 0) return program_;
  if (i < 0 || i > count()) return empty;
  return arguments_[static_cast<std::size_t>(i - 1)];
}

}  // namespace qm
