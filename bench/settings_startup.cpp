// Time from starting `quotemill` without arguments to its settings window being mapped, on
// a private Xvfb, with this program connected as another client. Prints each run and the
// median.
//
//   settings_startup [PATH-TO-QUOTEMILL] [RUNS]

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

pid_t spawn(std::vector<std::string> argv, const std::vector<std::string>& extra_env) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "DISPLAY=", 8) && std::strncmp(*e, "QT_QPA_PLATFORM=", 16)) env.push_back(*e);
  env.insert(env.end(), extra_env.begin(), extra_env.end());
  std::vector<char*> args, envp;
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) {
    std::perror(argv[0].c_str());
    std::exit(2);
  }
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Starts Xvfb on a free display; returns its pid and sets `display`.
pid_t start_xvfb(std::string& display) {
  int fd[2];
  if (pipe(fd)) std::exit(2);
  const pid_t pid = spawn({"Xvfb", "-displayfd", std::to_string(fd[1]), "-noreset", "-nolisten", "tcp", "-screen",
                           "0", "1280x1024x24"},
                          {});
  close(fd[1]);
  char c;
  std::string number;
  pollfd p{fd[0], POLLIN, 0};
  while (poll(&p, 1, 20000) > 0 && read(fd[0], &c, 1) == 1 && c != '\n') number += c;
  close(fd[0]);
  if (number.empty()) {
    std::fputs("Xvfb did not start\n", stderr);
    std::exit(2);
  }
  display = ":" + number;
  return pid;
}

bool is_settings_window(Display* dpy, Window w) {
  const Atom net_wm_name = XInternAtom(dpy, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  bool match = false;
  if (XGetWindowProperty(dpy, w, net_wm_name, 0, 64, False, utf8, &type, &format, &count, &after, &data) ==
          Success &&
      data) {
    match = std::string(reinterpret_cast<char*>(data), count) == "設定";
    XFree(data);
  }
  return match;
}

// Milliseconds until a top-level window titled "設定" is mapped; negative on time-out.
double time_to_map(Display* dpy, const std::string& program, const std::string& display, pid_t& child) {
  XSync(dpy, True);  // drop events of earlier runs
  const auto start = Clock::now();
  child = spawn({program}, {"DISPLAY=" + display});
  const auto deadline = start + std::chrono::seconds(20);
  const int fd = ConnectionNumber(dpy);
  while (Clock::now() < deadline) {
    while (XPending(dpy)) {
      XEvent ev;
      XNextEvent(dpy, &ev);
      if (ev.type == MapNotify && is_settings_window(dpy, ev.xmap.window))
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    pollfd p{fd, POLLIN, 0};
    poll(&p, 1, 50);
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = argc > 1 ? argv[1] : QM_QUOTEMILL_PATH;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
  std::string display;
  const pid_t xvfb = start_xvfb(display);
  Display* dpy = nullptr;
  for (int i = 0; i < 200 && !(dpy = XOpenDisplay(display.c_str())); ++i) usleep(10000);
  if (!dpy) {
    std::fputs("cannot connect to Xvfb\n", stderr);
    kill(xvfb, SIGTERM);
    return 2;
  }
  XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);

  std::vector<double> times;
  for (int i = -1; i < runs; ++i) {  // run -1 warms the caches and is not counted
    pid_t child = -1;
    const double ms = time_to_map(dpy, program, display, child);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    if (ms < 0) {
      std::fputs("the settings window did not appear\n", stderr);
      kill(xvfb, SIGTERM);
      return 1;
    }
    if (i >= 0) {
      times.push_back(ms);
      std::printf("run %2d: %7.1f ms\n", i + 1, ms);
    }
  }
  std::sort(times.begin(), times.end());
  const std::size_t n = times.size();
  const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
  std::printf("settings window mapped: median %.1f ms of %zu runs (min %.1f, max %.1f)\n", median, n, times.front(),
              times.back());
  XCloseDisplay(dpy);
  kill(xvfb, SIGTERM);
  waitpid(xvfb, nullptr, 0);
  return 0;
}
