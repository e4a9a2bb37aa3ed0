// Whole-process round trips on a private Xvfb: quotemill against the xclip pipeline that
// does nothing but read the clipboard and write it back, in the same run. Each run reads
// the clipboard from the owner that the previous run left.
//
//   roundtrip_bench [PROGRAM ARGS...]    default: quotemill -a -h http://example.com/

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "process_timing.h"
#include "x_session.h"

namespace {

// Long lines, so that each quoting run grows the text only a little.
std::string selection(std::size_t size) {
  std::string line(1000, 'x');
  line.replace(0, 30, "日本語の選択範囲 and ASCII ");
  line += '\n';
  std::string text;
  while (text.size() < size) text += line;
  text.resize(size);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> worker{qm::test::built("quotemill"), "-a", "-h", "http://example.com/"};
  if (argc > 1) worker.assign(argv + 1, argv + argc);
  const std::vector<std::string> pipeline{"sh", "-c", "xclip -o -selection clipboard | xclip -i -selection clipboard"};

  qm::test::XSession x;
  std::printf("%-8s %12s %12s %8s %14s\n", "size", "worker ms", "xclip ms", "ratio", "worker peak");
  const struct {
    const char* name;
    std::size_t bytes;
    int runs;
  } sizes[] = {{"1 KB", 1u << 10, 21}, {"10 MB", 10u << 20, 7}, {"100 MB", 100u << 20, 3}};
  for (const auto& size : sizes) {
    std::vector<double> worker_ms, xclip_ms;
    long peak = 0;
    x.set_clipboard(selection(size.bytes));
    for (int i = 0; i < size.runs; ++i) xclip_ms.push_back(qm::bench::time_run(pipeline, x.display()).ms);
    x.set_clipboard(selection(size.bytes));
    for (int i = 0; i < size.runs; ++i) {
      const qm::bench::Timing s = qm::bench::time_run(worker, x.display());
      worker_ms.push_back(s.ms);
      peak = std::max(peak, s.max_rss_kib);
    }
    const double w = qm::bench::median(worker_ms), c = qm::bench::median(xclip_ms);
    std::printf("%-8s %12.2f %12.2f %8.2f %10.1f MiB (%.2fx text)\n", size.name, w, c, w / c, peak / 1024.0,
                peak * 1024.0 / static_cast<double>(size.bytes));
  }
  return 0;
}
