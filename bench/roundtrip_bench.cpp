// Whole-process round trips on a private Xvfb: quotemill against the xclip pipeline that
// does nothing but read the clipboard and write it back, in the same run. Each run reads
// the clipboard from the owner that the previous run left.
//
//   roundtrip_bench [PROGRAM ARGS...]    default: quotemill -a -h http://example.com/

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <spawn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "x_session.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Sample {
  double ms;
  long max_rss_kib;
};

Sample time_run(const std::vector<std::string>& argv, const std::string& display) {
  std::vector<std::string> env_strings;
  for (char** e = environ; *e; ++e)
    if (std::string_view(*e).rfind("DISPLAY=", 0) != 0) env_strings.emplace_back(*e);
  env_strings.push_back("DISPLAY=" + display);
  std::vector<char*> envp, args;
  for (auto& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> copy = argv;
  for (auto& s : copy) args.push_back(s.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const auto start = Clock::now();
  pid_t pid;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) {
    std::perror("spawn");
    std::exit(1);
  }
  int status;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", argv[0].c_str());
    std::exit(1);
  }
  return {ms, usage.ru_maxrss};
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

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
    for (int i = 0; i < size.runs; ++i) xclip_ms.push_back(time_run(pipeline, x.display()).ms);
    x.set_clipboard(selection(size.bytes));
    for (int i = 0; i < size.runs; ++i) {
      const Sample s = time_run(worker, x.display());
      worker_ms.push_back(s.ms);
      peak = std::max(peak, s.max_rss_kib);
    }
    const double w = median(worker_ms), c = median(xclip_ms);
    std::printf("%-8s %12.2f %12.2f %8.2f %10.1f MiB (%.2fx text)\n", size.name, w, c, w / c, peak / 1024.0,
                peak * 1024.0 / static_cast<double>(size.bytes));
  }
  return 0;
}
