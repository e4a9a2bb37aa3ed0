#include "time_limit.h"

#include <cstdint>

namespace qm {

std::optional<std::chrono::milliseconds> read_milliseconds(std::string_view text) noexcept {
  constexpr std::int64_t kLargest = 2147483647;
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > kLargest) return std::nullopt;
  }
  if (value == 0) return std::nullopt;
  return std::chrono::milliseconds(value);
}

}  // namespace qm
