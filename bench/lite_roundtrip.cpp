// Whole-process round trips of quotemill3 on a private Xvfb, against the xclip pipeline that
// only reads the clipboard and writes it back, measured in the same run. A window of this
// program, titled like a browser's, holds the input focus, so every run finds its title.
//
//   lite_roundtrip [ARGS...]    default: -a http://example.com/

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "process_timing.h"
#include "x_session.h"

extern char** environ;

namespace {

std::string selection(std::size_t size) {
  std::string line = "日本語の選択範囲 and some ASCII text of a quoted page ";
  while (line.size() < 200) line += line;
  line += '\n';
  std::string text;
  while (text.size() < size) text += line;
  text.resize(size);
  return text;
}

// A focused top-level window whose caption has the browser's form.
Display* titled_window(const std::string& display) {
  Display* d = XOpenDisplay(display.c_str());
  if (!d) return nullptr;
  const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 200, 100, 0, 0, 0);
  const char title[] = "Benchmark page - Browser";
  XChangeProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), XInternAtom(d, "UTF8_STRING", False), 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(title), sizeof title - 1);
  XMapRaised(d, w);
  XSync(d, False);
  for (int i = 0; i < 100; ++i) {  // focus can only go to a viewable window
    XWindowAttributes a;
    if (XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  XSetInputFocus(d, w, RevertToParent, CurrentTime);
  XSync(d, False);
  return d;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> lite{qm::test::built("quotemill3"), "-a", "http://example.com/"};
  if (argc > 1) lite.assign({qm::test::built("quotemill3")}), lite.insert(lite.end(), argv + 1, argv + argc);
  const std::vector<std::string> pipeline{"sh", "-c", "xclip -o -selection clipboard | xclip -i -selection clipboard"};

  qm::test::XSession x;
  Display* window = titled_window(x.display());
  if (!window) return 1;

  std::printf("%-6s %14s %10s %8s\n", "size", "quotemill3 ms", "xclip ms", "ratio");
  const struct {
    const char* name;
    std::size_t bytes;
    int runs;
  } sizes[] = {{"1 KB", 1u << 10, 31}, {"10 MB", 10u << 20, 7}};
  for (const auto& size : sizes) {
    std::vector<double> lite_ms, xclip_ms;
    // Interleaved, so that both sides meet the same state of the machine; each run reads what
    // the other left on the clipboard, served by that one's process.
    x.set_clipboard(selection(size.bytes));
    for (int i = 0; i < size.runs; ++i) {
      xclip_ms.push_back(qm::bench::time_run(pipeline, x.display()).ms);
      lite_ms.push_back(qm::bench::time_run(lite, x.display()).ms);
    }
    const double l = qm::bench::median(lite_ms), c = qm::bench::median(xclip_ms);
    std::printf("%-6s %14.2f %10.2f %8.2f\n", size.name, l, c, l / c);
  }
  XCloseDisplay(window);
  return 0;
}
