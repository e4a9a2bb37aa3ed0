// The entry of the Win32 settings window: the form over the given clipboard, its boxes
// owned by the form, and the window loop until the form has closed.

#include "settings_window_win32.h"

#include <cstdio>
#include <exception>

#include "message_box_win32.h"
#include "settings_form_win32.h"
#include "window_entries.h"
#include "window_win32.h"

namespace qm::settings {
namespace {

// The form's boxes have the form as their owner, so it takes no input while one is open.
class FormBoxes : public MessageBoxes {
 public:
  void show(const Box& box) override { Win32Boxes(owner).show(box); }
  HWND owner = nullptr;
};

}  // namespace

int RunSettingsWindow(const std::string& program_path, const CodePage& cp, ClipboardBackend& clipboard) {
  try {
    FormBoxes boxes;
    TForm2 form(clipboard, boxes, program_path, cp);
    boxes.owner = form.window();
    form.show();
    win32::run_window_loop_until(form.closed());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quotemill: %s\n", e.what());
    return 1;
  }
}

}  // namespace qm::settings

namespace qm {

// The Windows build's settings window is linked into quotemill.
int run_settings_window(const std::string& program_path, const CodePage& cp, ClipboardBackend& clipboard) {
  return settings::RunSettingsWindow(program_path, cp, clipboard);
}

}  // namespace qm
