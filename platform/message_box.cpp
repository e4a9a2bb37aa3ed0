#include "message_box.h"

#include <cstdio>

#include "clipboard_x11.h"
#include "error.h"
#include "ui_module.h"

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

void DesktopBoxes::show(const Box& box) {
  std::fprintf(stderr, "%s\n", box_log_line(box).c_str());
  std::fflush(stderr);
  if (!display_reachable()) return;
  try {
    UiModule::load(module_file_).function<decltype(qm_ui_show_box)>("qm_ui_show_box")(box);
  } catch (const Error& e) {
    std::fprintf(stderr, "quotemill: %s\n", e.what());
  }
}

}  // namespace qm
