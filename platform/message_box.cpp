#include "message_box.h"

namespace qm {

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

}  // namespace qm
