#include "module_boxes.h"

#include <cstdio>

#include "desktop.h"
#include "error.h"
#include "ui_module.h"

namespace qm {

void ModuleBoxes::show(const Box& box) {
  std::fprintf(stderr, "%s\n", box_log_line(box).c_str());
  std::fflush(stderr);
  if (!desktop_reachable()) return;
  try {
    UiModule::load(module_file_).function<decltype(qm_ui_show_box)>("qm_ui_show_box")(box);
  } catch (const Error& e) {
    std::fprintf(stderr, "quotemill: %s\n", e.what());
  }
}

}  // namespace qm
