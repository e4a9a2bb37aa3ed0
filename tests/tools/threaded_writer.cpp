// Writes its argument to the clipboard from a process that runs a second thread, as the
// settings window does: the write must go through a freshly started serving process.

#include <chrono>
#include <cstdio>
#include <thread>

#include "clipboard_x11.h"
#include "error.h"
#include "serving_process.h"
#include "x11_selection.h"

int main(int argc, char** argv) {
  if (const auto status = qm::serving::run_if_spawned({{"x11", qm::x11::serve_spawned}})) return *status;
  if (argc < 2) return 2;
  std::thread busy([] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); });
  int status = 0;
  try {
    qm::X11Clipboard desktop;
    qm::CountedClipboard clipboard(desktop, qm::CodePage::utf8());
    clipboard.write_text(argv[1]);
  } catch (const qm::Error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    status = 1;
  }
  busy.join();
  return status;
}
