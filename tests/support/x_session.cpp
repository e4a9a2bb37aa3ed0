#include "x_session.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace qm::test {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> environment(const std::map<std::string, std::string>& extra) {
  std::map<std::string, std::string> env;
  for (char** e = environ; *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq) env[std::string(*e, static_cast<std::size_t>(eq - *e))] = eq + 1;
  }
  // Never the user's own desktop.
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "QT_QPA_PLATFORM", "LC_ALL"})
    env.erase(name);
  for (const auto& [k, v] : extra) env[k] = v;
  std::vector<std::string> out;
  for (const auto& [k, v] : env) out.push_back(k + "=" + v);
  return out;
}

RunOptions brief() {
  RunOptions options;
  options.timeout = 5s;
  return options;
}

pid_t spawn(const std::vector<std::string>& argv, const RunOptions& options, int in_fd, int out_fd,
            int err_fd) {
  std::vector<std::string> env = environment(options.env);
  std::vector<char*> envp, args;
  for (auto& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> argv_copy = argv;
  if (options.address_space_mib > 0) {
    // The limit is set in the child, by the shell that then becomes the program.
    argv_copy.insert(argv_copy.begin(),
                     {"sh", "-c", "ulimit -v " + std::to_string(options.address_space_mib * 1024) + " && exec \"$@\"",
                      "sh"});
  }
  for (auto& s : argv_copy) args.push_back(s.data());
  args.push_back(nullptr);

  // Found before the fork: the child only makes async-signal-safe calls up to exec.
  std::string path = argv_copy[0];
  if (path.find('/') == std::string::npos) {
    const char* dirs = std::getenv("PATH");
    std::stringstream list(dirs ? dirs : "/usr/bin:/bin");
    for (std::string dir; std::getline(list, dir, ':');)
      if (access((dir + "/" + path).c_str(), X_OK) == 0) {
        path = dir + "/" + path;
        break;
      }
  }
  int failed[2];
  if (pipe2(failed, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    // Killed with the test program, whatever kills it (a ctest time-out): no Xvfb, window
    // manager or program under test outlives it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    setpgid(0, 0);  // a group of its own, so a time-out kills it whole
    dup2(in_fd, 0);
    dup2(out_fd, 1);
    dup2(err_fd, 2);
    if ((options.cwd.empty() || chdir(options.cwd.c_str()) == 0)) execve(path.c_str(), args.data(), envp.data());
    const int error = errno;
    if (write(failed[1], &error, sizeof error) < 0) {
      // the parent sees the exit all the same
    }
    _exit(127);
  }
  setpgid(pid, pid);  // also here, so that a kill of the group right away finds it
  close(failed[1]);
  int error = 0;
  const ssize_t got = read(failed[0], &error, sizeof error);
  close(failed[0]);
  if (got == static_cast<ssize_t>(sizeof error)) {
    waitpid(pid, nullptr, 0);
    throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
  }
  return pid;
}

int decode_status(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw); }

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string temp_file() {
  char name[] = "/tmp/qm-test-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) throw std::runtime_error("mkstemp");
  close(fd);
  return name;
}

}  // namespace

std::string built(const std::string& name) {
  const char* dir = std::getenv("QM_BUILD_DIR");
  return std::string(dir ? dir : ".") + "/" + name;
}

std::string text_difference(const std::optional<std::string>& got, const std::string& want) {
  if (!got) return "no text where " + std::to_string(want.size()) + " bytes were expected";
  if (*got == want) return "";
  std::size_t at = 0;
  while (at < got->size() && at < want.size() && (*got)[at] == want[at]) ++at;
  const std::size_t from = at < 20 ? 0 : at - 20;
  return std::to_string(got->size()) + " bytes where " + std::to_string(want.size()) + " were expected, first " +
         "difference at byte " + std::to_string(at) + ": \"" + got->substr(from, 60) + "\" for \"" +
         want.substr(from, 60) + "\"";
}

RunOptions started_by_the_helper(const std::string& caption, std::chrono::milliseconds timeout) {
  RunOptions options;
  options.env["QUOTEMILL_CAPTION"] = caption;
  options.env["QUOTEMILL_BOX_TIMEOUT_MS"] = "1000";
  options.timeout = timeout;
  return options;
}

std::string as_html_text(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

RunResult run(const std::vector<std::string>& argv, const RunOptions& options) {
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC))
    throw std::runtime_error("pipe");
  const pid_t pid = spawn(argv, options, in[0], out[1], err[1]);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  fcntl(in[1], F_SETFL, O_NONBLOCK);

  RunResult result;
  std::size_t written = 0;
  int in_fd = in[1];
  if (options.input.empty()) {
    close(in_fd);
    in_fd = -1;
  }
  int fds[2] = {out[0], err[0]};
  std::string* sinks[2] = {&result.out, &result.err};
  const auto deadline = Clock::now() + options.timeout;
  bool exited = false;
  int raw = 0;
  char buffer[65536];
  while (fds[0] >= 0 || fds[1] >= 0 || !exited) {
    if (!exited && waitpid(pid, &raw, WNOHANG) == pid) exited = true;
    if (exited && fds[0] < 0 && fds[1] < 0) break;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      result.timed_out = true;
      kill(-pid, SIGKILL);
      if (!exited) waitpid(pid, &raw, 0);
      exited = true;
      break;
    }
    pollfd p[3];
    int n = 0;
    for (int fd : fds)
      if (fd >= 0) p[n++] = {fd, POLLIN, 0};
    if (in_fd >= 0) p[n++] = {in_fd, POLLOUT, 0};
    poll(p, n, static_cast<int>(std::min<long long>(left, exited ? left : 20)));
    for (int i = 0; i < 2; ++i) {
      if (fds[i] < 0) continue;
      pollfd probe{fds[i], POLLIN, 0};
      if (poll(&probe, 1, 0) <= 0) continue;
      const ssize_t got = read(fds[i], buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(got));
      } else {
        close(fds[i]);
        fds[i] = -1;
      }
    }
    if (in_fd >= 0) {
      const ssize_t put = write(in_fd, options.input.data() + written, options.input.size() - written);
      if (put > 0) written += static_cast<std::size_t>(put);
      if ((put < 0 && errno != EAGAIN) || written == options.input.size()) {
        close(in_fd);
        in_fd = -1;
      }
    }
  }
  for (int fd : fds)
    if (fd >= 0) close(fd);
  if (in_fd >= 0) close(in_fd);
  result.status = decode_status(raw);
  return result;
}

Child start(const std::vector<std::string>& argv, const RunOptions& options) {
  const std::string out = temp_file(), err = temp_file();
  const int in_fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
  const int out_fd = open(out.c_str(), O_WRONLY | O_CLOEXEC);
  const int err_fd = open(err.c_str(), O_WRONLY | O_CLOEXEC);
  const pid_t pid = spawn(argv, options, in_fd, out_fd, err_fd);
  close(in_fd);
  close(out_fd);
  close(err_fd);
  return Child(pid, out, err);
}

std::vector<int> processes_with(const std::string& argument, const std::string& entry) {
  std::vector<int> pids;
  DIR* proc = opendir("/proc");
  if (!proc) return pids;
  const std::string nul(1, '\0');
  while (const dirent* e = readdir(proc)) {
    const int pid = std::atoi(e->d_name);
    if (pid <= 0) continue;
    const std::string dir = "/proc/" + std::string(e->d_name);
    if ((nul + read_file(dir + "/cmdline")).find(nul + argument + nul) == std::string::npos) continue;
    if ((nul + read_file(dir + "/environ")).find(nul + entry + nul) != std::string::npos) pids.push_back(pid);
  }
  closedir(proc);
  return pids;
}

std::string ClipboardSession::peer() const { return built(wayland_clipboard() ? "tests/wl_peer" : "tests/x_peer"); }

std::optional<std::string> ClipboardSession::settled_clipboard(const std::string& want,
                                                               std::chrono::milliseconds timeout) const {
  const auto deadline = Clock::now() + timeout;
  std::optional<std::string> got = clipboard(timeout);
  while (got != want && Clock::now() < deadline) {
    std::this_thread::sleep_for(50ms);
    got = clipboard(timeout);
  }
  return got;
}

std::vector<int> ClipboardSession::processes_with(const std::string& argument) const {
  return test::processes_with(argument, environment_entry());
}

Child::Child(pid_t pid, std::string out_file, std::string err_file)
    : pid_(pid), out_file_(std::move(out_file)), err_file_(std::move(err_file)) {}

Child::Child(Child&& other) noexcept
    : pid_(other.pid_), out_file_(std::move(other.out_file_)), err_file_(std::move(other.err_file_)),
      reaped_(other.reaped_) {
  other.reaped_ = true;
}

Child::~Child() {
  if (!reaped_) {
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (!out_file_.empty()) unlink(out_file_.c_str());
  if (!err_file_.empty()) unlink(err_file_.c_str());
}

bool Child::running() const {
  if (reaped_) return false;
  // Looks without reaping, so that wait() still finds the exit status.
  siginfo_t info{};
  if (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return false;
  return info.si_pid == 0;
}

std::string Child::output() const { return read_file(out_file_); }
std::string Child::errors() const { return read_file(err_file_); }

RunResult Child::wait(std::chrono::milliseconds timeout) {
  RunResult result;
  const auto deadline = Clock::now() + timeout;
  int raw = 0;
  while (!reaped_) {
    if (waitpid(pid_, &raw, WNOHANG) == pid_) {
      reaped_ = true;
      break;
    }
    if (Clock::now() >= deadline) {
      result.timed_out = true;
      kill(-pid_, SIGKILL);
      waitpid(pid_, &raw, 0);
      reaped_ = true;
      break;
    }
    std::this_thread::sleep_for(10ms);
  }
  result.status = decode_status(raw);
  result.out = read_file(out_file_);
  result.err = read_file(err_file_);
  return result;
}

XSession::XSession(bool window_manager) {
  char dir[] = "/tmp/qm-runtime-XXXXXX";
  if (!mkdtemp(dir)) throw std::runtime_error("mkdtemp");
  runtime_dir_ = dir;
  int fd[2];
  if (pipe2(fd, O_CLOEXEC)) throw std::runtime_error("pipe");
  const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  const int display_fd = fcntl(fd[1], F_DUPFD, 10);  // without CLOEXEC: Xvfb writes to it
  RunOptions options;
  xvfb_ = spawn({"Xvfb", "-displayfd", std::to_string(display_fd), "-noreset", "-nolisten", "tcp", "-screen",
                 "0", "1280x1024x24"},
                options, null, null, null);
  close(display_fd);
  close(fd[1]);
  close(null);
  std::string number;
  const auto deadline = Clock::now() + 20s;
  while (Clock::now() < deadline) {
    pollfd p{fd[0], POLLIN, 0};
    if (poll(&p, 1, 200) <= 0) continue;
    char c;
    if (read(fd[0], &c, 1) != 1) break;
    if (c == '\n') break;
    number += c;
  }
  close(fd[0]);
  if (number.empty()) throw std::runtime_error("Xvfb did not start");
  display_ = ":" + number;
  if (window_manager) {
    const int quiet = open("/dev/null", O_RDWR | O_CLOEXEC);
    RunOptions wm;
    wm.env["DISPLAY"] = display_;
    // The system-wide configuration, whatever the user has: box_faults measures its title font.
    wm_ = spawn({"openbox", "--config-file", "/etc/xdg/openbox/rc.xml"}, wm, quiet, quiet, quiet);
    close(quiet);
    // openbox sets _NET_SUPPORTING_WM_CHECK once it manages the screen.
    for (auto until = Clock::now() + 10s; Clock::now() < until; std::this_thread::sleep_for(50ms)) {
      const RunResult r = run({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}, with_display({}));
      if (r.out.find("window id") != std::string::npos) break;
    }
  }
}

void XSession::freeze(bool frozen) const { kill(xvfb_, frozen ? SIGSTOP : SIGCONT); }

XSession::~XSession() {
  freeze(false);  // a stopped server would not take its SIGTERM
  for (pid_t pid : {wm_, xvfb_}) {
    if (pid <= 0) continue;
    kill(pid, SIGTERM);
    int raw;
    for (int i = 0; i < 200 && waitpid(pid, &raw, WNOHANG) == 0; ++i) std::this_thread::sleep_for(10ms);
    kill(pid, SIGKILL);
    waitpid(pid, &raw, WNOHANG);
  }
  // The programs run here may leave things in it (a D-Bus client its dbus-1 folder).
  std::error_code ignored;
  std::filesystem::remove_all(runtime_dir_, ignored);
}

RunOptions XSession::with_display(RunOptions options) const {
  options.env["DISPLAY"] = display_;
  options.env.try_emplace("LANG", "C.UTF-8");
  options.env.try_emplace("XDG_RUNTIME_DIR", runtime_dir_);
  return options;
}

RunResult XSession::run(const std::vector<std::string>& argv, RunOptions options) const {
  return test::run(argv, with_display(std::move(options)));
}

Child XSession::start(const std::vector<std::string>& argv, RunOptions options) const {
  return test::start(argv, with_display(std::move(options)));
}

void XSession::set_clipboard(const std::string& bytes) const {
  // xclip stays behind as the owner; its streams go nowhere so nothing waits on it.
  const std::string file = temp_file();
  {
    std::ofstream f(file, std::ios::binary);
    f << bytes;
  }
  RunOptions options;
  options.timeout = 20s;
  const RunResult r = run({"sh", "-c", "xclip -selection clipboard -i \"$0\" >/dev/null 2>&1 </dev/null", file},
                          options);
  unlink(file.c_str());
  if (r.status != 0) throw std::runtime_error("xclip -i failed: " + r.err);
  // xclip's launcher may exit before its background copy owns the clipboard.
  for (int i = 0; i < 100; ++i) {
    if (clipboard() == bytes) return;
    std::this_thread::sleep_for(20ms);
  }
  throw std::runtime_error("xclip did not take the clipboard");
}

std::optional<std::string> XSession::clipboard(std::chrono::milliseconds timeout) const {
  RunOptions options;
  options.timeout = timeout;
  const RunResult r = run({"xclip", "-selection", "clipboard", "-o"}, options);
  if (r.status != 0 || r.timed_out) return std::nullopt;
  return r.out;
}

std::string XSession::clipboard_owner() const {
  const std::string out = run({built("tests/x_peer"), "owner"}, brief()).out;
  return out.substr(0, out.find('\n'));
}

Child XSession::start_owner(const std::vector<std::string>& mode) const {
  const std::string before = clipboard_owner();
  std::vector<std::string> argv{built("tests/x_peer")};
  argv.insert(argv.end(), mode.begin(), mode.end());
  Child peer = start(argv);
  for (int i = 0; i < 250 && clipboard_owner() == before; ++i) std::this_thread::sleep_for(20ms);
  if (clipboard_owner() == before) throw std::runtime_error("x_peer did not take the clipboard");
  return peer;
}

std::optional<std::string> XSession::wait_window(const std::string& title_regex,
                                                 std::chrono::milliseconds timeout) const {
  const auto deadline = Clock::now() + timeout;
  do {
    const RunResult r = run({"xdotool", "search", "--onlyvisible", "--name", title_regex}, brief());
    if (r.status == 0 && !r.out.empty()) return r.out.substr(0, r.out.find('\n'));
    std::this_thread::sleep_for(50ms);
  } while (Clock::now() < deadline);
  return std::nullopt;
}

bool XSession::answer_box(const std::string& title_regex, std::chrono::milliseconds timeout) const {
  const auto id = wait_window(title_regex, timeout);
  if (!id) return false;
  const auto deadline = Clock::now() + timeout;
  while (Clock::now() < deadline) {
    run({"xdotool", "windowfocus", *id}, brief());
    run({"xdotool", "key", "--clearmodifiers", "Return"}, brief());
    for (int i = 0; i < 20; ++i) {
      std::this_thread::sleep_for(25ms);
      const RunResult r = run({"xdotool", "search", "--onlyvisible", "--name", title_regex}, brief());
      if (r.out.find(*id + "\n") == std::string::npos) return true;
    }
  }
  return false;
}

namespace {

int number_after(const std::string& text, const std::string& pattern) {
  std::smatch m;
  return std::regex_search(text, m, std::regex(pattern)) ? std::stoi(m[1]) : -1;
}

// The width of `title` in the font openbox draws active titles with, at `dpi`.
int openbox_title_width(const std::string& title, int dpi) {
  static int argc = 3;
  static char a0[] = "x_session", a1[] = "-platform", a2[] = "offscreen";
  static char* argv[] = {a0, a1, a2, nullptr};
  if (!QGuiApplication::instance()) new QGuiApplication(argc, argv);  // lives to the end of the tests
  const std::string rc = read_file("/etc/xdg/openbox/rc.xml");  // the one the sessions' openbox reads
  std::smatch m;
  const std::regex font(R"(<font place="ActiveWindow">\s*<name>([^<]*)</name>\s*<size>(\d+)</size>[\s\S]*?<weight>(\w+))");
  if (!std::regex_search(rc, m, font)) return -1;
  QFont f(QString::fromStdString(m[1]));
  f.setPixelSize(static_cast<int>(std::lround(std::stoi(m[2]) * dpi / 72.0)));
  f.setBold(m[3] == "bold");
  return QFontMetrics(f).horizontalAdvance(QString::fromStdString(title));
}

}  // namespace

std::string XSession::box_faults(const std::string& id, const std::string& title) const {
  const std::string screen = run({"xdpyinfo"}, brief()).out;
  const double mid_x = number_after(screen, R"(dimensions:\s+(\d+)x)") / 2.0;
  const double mid_y = number_after(screen, R"(dimensions:\s+\d+x(\d+))") / 2.0;
  std::smatch m;
  std::string frame, info;
  double x = 0, y = 0;
  for (const auto deadline = Clock::now() + 5s; Clock::now() < deadline; std::this_thread::sleep_for(50ms)) {
    // openbox puts the box into a frame window of its own, a child of the root.
    const std::string up = run({"xwininfo", "-children", "-id", id}, brief()).out;
    if (!std::regex_search(up, m, std::regex(R"(Parent window id: (0x[0-9a-f]+) \(has no name\))"))) continue;
    frame = m[1];
    info = run({"xwininfo", "-id", frame}, brief()).out;
    x = number_after(info, R"(Absolute upper-left X:\s+(-?\d+))") + number_after(info, R"(Width:\s+(\d+))") / 2.0;
    y = number_after(info, R"(Absolute upper-left Y:\s+(-?\d+))") + number_after(info, R"(Height:\s+(\d+))") / 2.0;
    if (std::abs(x - mid_x) <= 2 && std::abs(y - mid_y) <= 2) break;
  }
  if (frame.empty()) return "never framed";
  std::ostringstream faults;
  if (std::abs(x - mid_x) > 2 || std::abs(y - mid_y) > 2)
    faults << "frame centred at " << x << "," << y << ", not " << mid_x << "," << mid_y << "; ";
  // The title's label window: the widest in the title bar, above the client, narrower than the bar.
  const std::string tree = run({"xwininfo", "-tree", "-id", frame}, brief()).out;
  const int bar = number_after(info, R"(Width:\s+(\d+))") - 2;
  const int client_y = number_after(tree, R"(0x[0-9a-f]+ ".*\s+\d+x\d+\+-?\d+\+-?\d+\s+\+-?\d+\+(-?\d+))");
  int room = -1;
  const std::regex row(R"(\(has no name\): \(\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+-?\d+\+(-?\d+))");
  for (auto it = std::sregex_iterator(tree.begin(), tree.end(), row); it != std::sregex_iterator(); ++it)
    if (std::stoi((*it)[2]) > 3 && std::stoi((*it)[1]) < bar && std::stoi((*it)[3]) < client_y)
      room = std::max(room, std::stoi((*it)[1]));
  // openbox keeps 2 pixels blank on each side of the title and draws its shadow a pixel to the right.
  const int needed = openbox_title_width(title, number_after(screen, R"(resolution:\s+(\d+)x)")) + 5;
  if (room < needed) faults << "title label " << room << " px for " << needed << " px of title; ";
  if (run({"xprop", "-id", id, "_NET_WM_ALLOWED_ACTIONS"}, brief()).out.find("MAXIMIZE") != std::string::npos)
    faults << "offers maximise; ";
  return faults.str();
}

RunResult XSession::run_answering(const std::vector<std::string>& argv, const std::string& title_regex,
                                  RunOptions options) const {
  const auto limit = options.timeout;
  Child child = start(argv, std::move(options));
  const auto deadline = Clock::now() + limit;
  while (child.running() && Clock::now() < deadline) {
    if (wait_window(title_regex, 200ms)) answer_box(title_regex);
  }
  return child.wait(std::chrono::duration_cast<std::chrono::milliseconds>(
      std::max<Clock::duration>(deadline - Clock::now(), 100ms)));
}

}  // namespace qm::test
