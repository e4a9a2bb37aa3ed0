#include "message_box.h"

#include <algorithm>
#include <cstdlib>

#include "time_limit.h"

namespace qm {

Box window_loop_error_box(const Error& error) {
  std::string message = error.what();
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  return {kAppTitle, message, BoxIcon::Stop};
}

std::string box_log_line(const Box& box) {
  std::string text = box.text;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  std::string flat;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    flat += (text[i] == '\n' || text[i] == '\r') ? ' ' : text[i];
  }
  return box.title + ": " + flat;
}

std::optional<std::chrono::milliseconds> box_time_left() {
  using Clock = std::chrono::steady_clock;
  static const std::optional<Clock::time_point> deadline = []() -> std::optional<Clock::time_point> {
    const char* value = std::getenv(kBoxTimeLimitVariable);
    const std::optional<std::chrono::milliseconds> limit = value ? read_milliseconds(value) : std::nullopt;
    if (!limit) return std::nullopt;
    return Clock::now() + *limit;
  }();
  if (!deadline) return std::nullopt;
  return std::max(std::chrono::milliseconds(0),
                  std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now()));
}

}  // namespace qm
