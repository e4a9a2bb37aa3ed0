#include "arguments.h"

namespace qm::lite {
namespace {

bool is_separator(char c) noexcept { return static_cast<unsigned char>(c) <= 0x20; }

}  // namespace

ArgumentList SplitArguments(std::string_view line) {
  ArgumentList args;
  std::size_t i = 0;
  for (;;) {
    for (;;) {
      while (i < line.size() && is_separator(line[i])) ++i;
      if (line.substr(i, 2) != "\"\"") break;
      i += 2;  // an empty pair before an argument counts as white space
    }
    if (i >= line.size()) break;
    const std::size_t start = i;
    bool quoted = false;
    for (; i < line.size() && (quoted || !is_separator(line[i])); ++i)
      if (line[i] == '"') quoted = !quoted;
    std::string token(line.substr(start, i - start));
    if (token.size() >= 2 && token.front() == '"' && token.back() == '"') token = token.substr(1, token.size() - 2);
    args.push_back(std::move(token));
  }
  return args;
}

const std::string& Argument(const ArgumentList& args, int i) noexcept {
  static const std::string empty;
  if (i < 1 || static_cast<std::size_t>(i) > args.size()) return empty;
  return args[static_cast<std::size_t>(i) - 1];
}

std::optional<int> FindOption(const ArgumentList& args, std::string_view option) noexcept {
  std::optional<int> found;
  for (std::size_t i = 0; i < args.size(); ++i)
    if (std::string_view(args[i]).starts_with(option)) found = static_cast<int>(i) + 1;
  return found;
}

std::int32_t ReadInteger(std::string_view text) noexcept {
  std::size_t i = 0;
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    i = 1;
  }
  std::uint32_t value = 0;  // unsigned, so the wrap-around is defined
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);  // modulo 2^32 since C++20
}

bool ReplaceFirst(std::string& text, std::string_view pattern, std::string_view replacement) {
  if (pattern.empty()) return false;
  const std::size_t at = text.find(pattern);
  if (at == std::string::npos) return false;
  text.replace(at, pattern.size(), replacement);
  return true;
}

}  // namespace qm::lite
