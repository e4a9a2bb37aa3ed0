#include "roundtrip_harness.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "selection_io.h"
#include "wayland_session.h"
#include "x_session.h"

extern char** environ;

namespace qm::bench {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Ends the benchmark: run_roundtrip reports it, once the desk has ended what it started.
struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& message) { throw Failure(message); }

// The environment for the benchmark's helpers: never the user's own display.
std::vector<std::string> environment(const std::string& display) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "DISPLAY=", 8) && std::strncmp(*e, "WAYLAND_DISPLAY=", 16) &&
        std::strncmp(*e, "XAUTHORITY=", 11) && std::strncmp(*e, "LC_ALL=", 7))
      env.emplace_back(*e);
  if (!display.empty()) env.push_back("DISPLAY=" + display);
  return env;
}

// Starts a helper with its standard input and output on the given descriptors (-1: ours),
// and its standard error on /dev/null when `quiet`.
pid_t spawn(const std::vector<std::string>& argv, const std::string& display, int in_fd, int out_fd,
            bool quiet = false) {
  std::vector<std::string> env = environment(display), words = argv;
  std::vector<char*> envp, args;
  for (auto& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);
  for (auto& s : words) args.push_back(s.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  if (in_fd >= 0) posix_spawn_file_actions_adddup2(&files, in_fd, 0);
  if (out_fd >= 0) posix_spawn_file_actions_adddup2(&files, out_fd, 1);
  if (quiet) posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  const int rc = posix_spawnp(&pid, args[0], &files, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&files);
  if (rc != 0) fail("cannot start " + argv[0] + ": " + std::strerror(rc));
  return pid;
}

std::string read_line(int fd, std::chrono::milliseconds timeout) {
  std::string line;
  const auto deadline = Clock::now() + timeout;
  for (char c; Clock::now() < deadline;) {
    pollfd p{fd, POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (poll(&p, 1, static_cast<int>(std::max<long long>(left, 1))) <= 0) continue;
    if (read(fd, &c, 1) != 1 || c == '\n') return line;
    line += c;
  }
  return line;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Timing {
  double ms;
  long max_rss_kib;
};

// bench_launch's command line for one run of argv on `display`.
std::vector<std::string> launcher(const std::vector<std::string>& argv, const std::string& display) {
  std::vector<std::string> words{test::built("bench/bench_launch"), display, "C.UTF-8"};
  words.insert(words.end(), argv.begin(), argv.end());
  return words;
}

// One run through bench_launch, started by `command`; `name` is the program it times.
Timing launch(const std::vector<std::string>& command, const std::string& name) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) fail("pipe");
  const pid_t pid = spawn(command, "", -1, out[1]);
  close(out[1]);
  const std::string line = read_line(out[0], 120s);
  close(out[0]);
  int raw = 0;
  waitpid(pid, &raw, 0);
  Timing t{};
  int status = -1;
  if (std::sscanf(line.c_str(), "%lf %ld %d", &t.ms, &t.max_rss_kib, &status) != 3 || status != 0)
    fail(name + " failed (exit status " + std::to_string(status) + ")");
  return t;
}

// The standard output of a command run to its end, or nullopt when it failed or took longer
// than `timeout`; what it says on standard error goes nowhere.
std::optional<std::string> collect(const std::vector<std::string>& command, std::chrono::milliseconds timeout) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) fail("pipe");
  const pid_t pid = spawn(command, "", -1, out[1], true);
  close(out[1]);
  std::string text;
  char buffer[1 << 16];
  bool ended = false;
  for (const auto deadline = Clock::now() + timeout; Clock::now() < deadline;) {
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) {
      ended = n == 0;
      break;
    }
    text.append(buffer, static_cast<std::size_t>(n));
  }
  close(out[0]);
  if (!ended) kill(pid, SIGKILL);
  int raw = 0;
  waitpid(pid, &raw, 0);
  if (!ended || !WIFEXITED(raw) || WEXITSTATUS(raw) != 0) return std::nullopt;
  return text;
}

// The bench owner: one text, claimed anew for every run.
class Owner {
 public:
  Owner(const std::string& text, const std::string& display) {
    char name[] = "/tmp/qm-bench-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) fail("mkstemp");
    for (std::size_t at = 0; at < text.size();) {
      const ssize_t n = write(fd, text.data() + at, text.size() - at);
      if (n <= 0) fail("cannot write the selection file");
      at += static_cast<std::size_t>(n);
    }
    close(fd);
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC)) fail("pipe");
    pid_ = spawn({test::built("bench/bench_owner"), name}, display, in[0], out[1]);
    close(in[0]);
    close(out[1]);
    to_ = in[1];
    from_ = out[0];
    const std::string ready = read_line(from_, 60s);
    unlink(name);
    if (ready != "ready") fail("bench_owner did not start");
  }
  ~Owner() {
    close(to_);
    close(from_);
    waitpid(pid_, nullptr, 0);
  }
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;

  // Takes the clipboard over; the owner's window.
  Window claim() {
    if (write(to_, "claim\n", 6) != 6) fail("bench_owner has gone");
    const std::string line = read_line(from_, 10s);
    unsigned long window = 0;
    if (std::sscanf(line.c_str(), "owned %lx", &window) != 1) fail("bench_owner could not take the clipboard");
    return window;
  }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_;
  int to_, from_;
};

// The processes left behind by the runs: this process is their subreaper, so a serving
// process whose parent has exited becomes a child of ours.
std::vector<pid_t> strays(const std::vector<pid_t>& known) {
  std::istringstream list(read_file("/proc/self/task/" + std::to_string(getpid()) + "/children"));
  std::vector<pid_t> out;
  for (pid_t pid; list >> pid;)
    if (std::find(known.begin(), known.end(), pid) == known.end() && waitpid(pid, nullptr, WNOHANG) == 0)
      out.push_back(pid);
  return out;
}

std::string command_line(pid_t pid) {
  std::string s = read_file("/proc/" + std::to_string(pid) + "/cmdline");
  std::replace(s.begin(), s.end(), '\0', ' ');
  return s;
}

// Waits until every process the runs left has exited (reaping it).
void wait_strays_gone(const std::vector<pid_t>& known) {
  const auto deadline = Clock::now() + 10s;
  for (;;) {
    const std::vector<pid_t> left = strays(known);
    if (left.empty()) return;
    if (Clock::now() > deadline)
      fail("the previous run's serving process (" + command_line(left[0]) +
           ") did not exit after losing the clipboard");
    std::this_thread::sleep_for(200us);
  }
}

// The peak resident memory in KiB of the worker's serving process, -1 without one.
long serving_peak(const std::vector<pid_t>& known) {
  const std::vector<pid_t> left = strays(known);
  pid_t server = -1;
  for (pid_t pid : left)
    if (command_line(pid).rfind("quotemill-clipboard ", 0) == 0) server = pid;
  if (server < 0 && left.size() == 1) server = left[0];  // a build that serves by fork
  if (server < 0) return -1;
  const std::string status = read_file("/proc/" + std::to_string(server) + "/status");
  const std::size_t at = status.find("VmHWM:");
  return at == std::string::npos ? -1 : std::atol(status.c_str() + at + 6);
}

struct Size {
  const char* name;
  const char* key;
  std::size_t bytes;
  int runs;
};
const Size kSizes[] = {{"1 KB", "1K", 1u << 10, 21},
                       {"64 KB", "64K", 64u << 10, 15},
                       {"1 MB", "1M", 1u << 20, 11},
                       {"10 MB", "10M", 10u << 20, 9},
                       {"100 MB", "100M", 100u << 20, 5}};
struct ShapeInfo {
  Shape shape;
  const char* key;
  const char* title;
};
const ShapeInfo kShapes[] = {{Shape::Long, "long", "long lines (1,000 bytes)"},
                             {Shape::Short, "short", "short lines (17 bytes, Japanese and ASCII)"},
                             {Shape::NoBreak, "none", "no line break"}};

struct Contender {
  std::string label;
  std::vector<std::string> argv;
  bool worker;
};

// The benchmark's own connection: it reads every result back, and holds the focused window.
class Checker {
 public:
  explicit Checker(const std::string& display) : d_(XOpenDisplay(display.c_str())) {
    if (!d_) fail("cannot open the benchmark's display");
    atoms_ = intern_selection_atoms(d_);
    window_ = XCreateSimpleWindow(d_, DefaultRootWindow(d_), 0, 0, 1, 1, 0, 0, 0);
  }
  ~Checker() { XCloseDisplay(d_); }
  Checker(const Checker&) = delete;
  Checker& operator=(const Checker&) = delete;

  // The clipboard once a program other than the bench owner holds it.
  std::string read(Window bench_owner, const std::string& who) {
    const auto deadline = Clock::now() + 10s;
    while (XGetSelectionOwner(d_, atoms_.clipboard) == bench_owner) {
      if (Clock::now() > deadline) fail(who + " did not take the clipboard");
      std::this_thread::sleep_for(200us);
    }
    char* data;
    std::size_t size;
    Time when;
    if (!read_selection(d_, window_, atoms_, atoms_.clipboard, &data, &size, &when, 10000))
      fail("cannot read the clipboard " + who + " left");
    std::string text(data, size);
    std::free(data);
    return text;
  }

  // A focused top-level window whose caption has the browser's form.
  void focus_window(const std::string& title) {
    const Window w = XCreateSimpleWindow(d_, DefaultRootWindow(d_), 0, 0, 200, 100, 0, 0, 0);
    XChangeProperty(d_, w, XInternAtom(d_, "_NET_WM_NAME", False), atoms_.utf8_string, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
    XMapRaised(d_, w);
    XSync(d_, False);
    for (int i = 0; i < 100; ++i) {  // focus can only go to a viewable window
      XWindowAttributes a;
      if (XGetWindowAttributes(d_, w, &a) && a.map_state == IsViewable) break;
      std::this_thread::sleep_for(10ms);
    }
    XSetInputFocus(d_, w, RevertToParent, CurrentTime);
    XSync(d_, False);
  }

 private:
  Display* d_;
  SelectionAtoms atoms_;
  Window window_;
};

void check(const std::string& got, const std::string& want, const std::string& who) {
  if (got == want) return;
  std::size_t at = 0;
  while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
  auto around = [at](const std::string& s) {
    const std::size_t from = at < 20 ? 0 : at - 20;
    return "\"" + s.substr(from, 60) + "\"";
  };
  fail("wrong result from " + who + ": " + std::to_string(got.size()) + " bytes where " +
       std::to_string(want.size()) + " were expected, first difference at byte " + std::to_string(at) +
       ": got " + around(got) + ", expected " + around(want));
}

// Where the runs take place. Before each run claim() puts the selection on the clipboard
// anew, once nothing of the run before is left; launch() times the contender, read() gives
// what it left on the clipboard.
class Desk {
 public:
  virtual ~Desk() = default;
  // The programs the workers are timed against: each leaves the text as it was, but the floor.
  virtual std::vector<Contender> others() const = 0;
  // The selection of the coming runs.
  virtual void hold(const std::string& text) = 0;
  virtual void claim() = 0;
  virtual Timing launch(const std::vector<std::string>& argv) = 0;
  virtual std::string read(const std::string& who) = 0;
  // After a size's last run: its holder gone, the selection's owner ended.
  virtual void release() = 0;
  // The processes of ours that belong to the setting, not to any run.
  virtual std::vector<pid_t> known() const = 0;
};

// A private Xvfb; the selection is bench_owner's, claimed anew for every run.
class X11Desk : public Desk {
 public:
  explicit X11Desk(const RoundtripSetup& setup) : checker_(x_.display()), settle_(setup.settle) {
    if (!setup.focused_title.empty()) checker_.focus_window(setup.focused_title);
    setting_ = {x_.server_pid()};
    if (setup.prepare) {
      setup.prepare(x_);
      const std::vector<pid_t> left = strays(setting_);
      setting_.insert(setting_.end(), left.begin(), left.end());
    }
  }
  std::vector<Contender> others() const override {
    return {{"xclip", {"sh", "-c", "xclip -o -selection clipboard | xclip -i -selection clipboard"}, false},
            {"xsel", {"sh", "-c", "xsel -b -o | xsel -b -i"}, false},
            {"floor", {test::built("bench/bench_floor")}, false}};
  }
  void hold(const std::string& text) override {
    owner_.reset();
    owner_ = std::make_unique<Owner>(text, x_.display());
  }
  void claim() override {
    window_ = owner_->claim();
    wait_strays_gone(known());
    std::this_thread::sleep_for(settle_);
  }
  Timing launch(const std::vector<std::string>& argv) override {
    return bench::launch(launcher(argv, x_.display()), argv[0]);
  }
  std::string read(const std::string& who) override { return checker_.read(window_, who); }
  void release() override {
    // The last run's serving process goes before the owner does, not with the display.
    owner_->claim();
    wait_strays_gone(known());
    owner_.reset();
  }
  std::vector<pid_t> known() const override {
    std::vector<pid_t> pids = setting_;
    if (owner_) pids.push_back(owner_->pid());
    return pids;
  }

 private:
  test::XSession x_;
  Checker checker_;
  std::chrono::milliseconds settle_;
  std::vector<pid_t> setting_;
  std::unique_ptr<Owner> owner_;
  Window window_ = None;
};

// sway run headless with a Wayland-native window in front (tests/support/wayland_session.h):
// wl-copy copies the selection anew for every run, wl-paste reads the result back. The
// workers get the caption from QUOTEMILL_CAPTION, as the browser companion's helper hands it
// over: on Wayland no program reads another's.
class WaylandDesk : public Desk {
 public:
  explicit WaylandDesk(const RoundtripSetup& setup) : w_(test::Compositor::Sway) {
    if (setup.prepare) fail("--wayland: this benchmark's setting is X11's");
    if (!w_.wayland_clipboard()) fail("sway offers no data-control protocol");
    if (!setup.focused_title.empty()) env_["QUOTEMILL_CAPTION"] = setup.focused_title;
    setting_ = strays({});  // the compositor and its window
    file_ = w_.runtime_dir() + "/bench-selection";
  }
  ~WaylandDesk() override { end_owner(); }
  std::vector<Contender> others() const override {
    return {{"wl-copy", {"sh", "-c", "wl-paste --no-newline | wl-copy"}, false}};
  }
  void hold(const std::string& text) override {
    text_ = &text;
    std::ofstream(file_, std::ios::binary | std::ios::trunc) << text;
    chmod(file_.c_str(), 0644);  // read by wl-copy, as the session's user
  }
  void claim() override {
    end_owner();
    const int in = open(file_.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) fail("cannot open the selection file");
    owner_ = spawn(w_.command({"wl-copy", "--foreground", "--type", "text/plain;charset=utf-8"}), "", in, -1);
    close(in);
    // The run before's holder leaves once the new copy has taken its place; at a size's
    // first run there is none, and the copy is read back.
    wait_strays_gone(known());
    for (const auto deadline = Clock::now() + 10s; paste() != *text_; std::this_thread::sleep_for(10ms))
      if (Clock::now() > deadline) fail("wl-copy did not take the clipboard");
  }
  Timing launch(const std::vector<std::string>& argv) override {
    return bench::launch(w_.command(launcher(argv, w_.x_display()), env_), argv[0]);
  }
  std::string read(const std::string& who) override {
    // wl-copy --foreground ends once another program has taken the clipboard.
    for (const auto deadline = Clock::now() + 10s; waitpid(owner_, nullptr, WNOHANG) != owner_;) {
      if (Clock::now() > deadline) fail(who + " did not take the clipboard");
      std::this_thread::sleep_for(200us);
    }
    owner_ = -1;
    const std::optional<std::string> text = paste();
    if (!text) fail("cannot read the clipboard " + who + " left");
    return *text;
  }
  void release() override {
    claim();
    end_owner();
  }
  std::vector<pid_t> known() const override {
    std::vector<pid_t> pids = setting_;
    if (owner_ > 0) pids.push_back(owner_);
    return pids;
  }

 private:
  std::optional<std::string> paste() const {
    return collect(w_.command({"wl-paste", "--no-newline", "--type", "text"}), 60s);
  }
  void end_owner() {
    if (owner_ <= 0) return;
    kill(owner_, SIGTERM);
    waitpid(owner_, nullptr, 0);
    owner_ = -1;
  }

  test::WaylandSession w_;
  std::map<std::string, std::string> env_;
  std::vector<pid_t> setting_;
  std::string file_;
  const std::string* text_ = nullptr;
  pid_t owner_ = -1;
};

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Sets QM_BUILD_DIR to the directory above this program's when it is not given.
void find_build_dir() {
  if (std::getenv("QM_BUILD_DIR")) return;
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return;
  std::string dir(self, static_cast<std::size_t>(n));
  dir = dir.substr(0, dir.rfind('/'));
  dir = dir.substr(0, dir.rfind('/'));
  setenv("QM_BUILD_DIR", dir.c_str(), 1);
}

std::vector<std::string> split(const std::string& list) {
  std::vector<std::string> out;
  std::stringstream s(list);
  for (std::string item; std::getline(s, item, ',');) out.push_back(item);
  return out;
}

}  // namespace

std::string make_selection(Shape shape, std::size_t size) {
  std::vector<std::string> units;
  if (shape == Shape::Long) {
    std::string line = "日本語の選択範囲 and ASCII ";
    line.resize(999, 'x');
    units.push_back(line + '\n');
  } else if (shape == Shape::Short) {
    for (char digit = '0'; digit <= '9'; ++digit) units.push_back(std::string("日本語 text ") + digit + '\n');
  } else {
    units.push_back("日本語の選択範囲 and ASCII text ");
  }
  std::string text;
  text.reserve(size);
  for (std::size_t i = 0; text.size() + units[i].size() <= size; i = (i + 1) % units.size()) text += units[i];
  text.resize(size, 'x');  // ASCII to the exact size, so no character is cut
  return text;
}

std::string with_breaks(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (std::size_t from = 0;;) {
    const std::size_t lf = text.find('\n', from);
    if (lf == std::string::npos) {
      out.append(text, from, std::string::npos);
      return out;
    }
    out.append(text, from, lf - from).append("<br>\n");
    from = lf + 1;
  }
}

namespace {

int run_benchmark(int argc, char** argv, const RoundtripSetup& setup) {
  std::vector<std::string> programs, arguments = setup.arguments, size_keys, shape_keys;
  bool own_arguments = false, wayland = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--program" && i + 1 < argc) {
      programs.push_back(argv[++i]);
    } else if (a == "--sizes" && i + 1 < argc) {
      size_keys = split(argv[++i]);
    } else if (a == "--shapes" && i + 1 < argc) {
      shape_keys = split(argv[++i]);
    } else if (a == "--wayland") {
      wayland = true;
    } else if (a == "--") {
      arguments.assign(argv + i + 1, argv + argc);
      own_arguments = true;
      break;
    } else {
      std::fprintf(stderr, "usage: %s\n", setup.usage.c_str());
      return 2;
    }
  }
  if (programs.empty()) programs.push_back(test::built(setup.program));
  if (wayland && size_keys.empty()) size_keys = {"1K", "10M"};

  // The programs' serving processes, and xclip's, xsel's and wl-copy's copies, are left
  // behind as orphans: they come to us.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  std::unique_ptr<Desk> desk;
  if (wayland)
    desk = std::make_unique<WaylandDesk>(setup);
  else
    desk = std::make_unique<X11Desk>(setup);

  std::vector<Contender> contenders;
  const bool several = programs.size() > 1;
  for (std::size_t i = 0; i < programs.size(); ++i) {
    std::vector<std::string> argv_i{programs[i]};
    argv_i.insert(argv_i.end(), arguments.begin(), arguments.end());
    const std::string label = several ? std::string(1, static_cast<char>('A' + i)) : "worker";
    std::string shown;
    for (const auto& w : argv_i) shown += " " + w;
    std::printf("%-6s =%s\n", label.c_str(), shown.c_str());
    contenders.push_back({label, argv_i, true});
  }
  const std::size_t workers = programs.size();
  for (Contender& other : desk->others()) contenders.push_back(std::move(other));
  if (wayland) std::printf("On sway, headless: wl-copy copies each run's selection, wl-paste reads the result.\n");
  if (own_arguments) std::printf("(own arguments: each result is checked against the first worker's first)\n");
  std::printf("Peaks are multiples of the text: the worker's ru_maxrss, and its serving process's VmHWM.\n");

  const auto started = Clock::now();
  for (const ShapeInfo& shape : kShapes) {
    if (!shape_keys.empty() && std::find(shape_keys.begin(), shape_keys.end(), shape.key) == shape_keys.end())
      continue;
    std::printf("\n%s\n%-7s", shape.title, "size");
    for (const auto& c : contenders) std::printf(" %9s", (c.label + " ms").c_str());
    for (std::size_t w = 0; w < workers; ++w)
      for (std::size_t other = workers; other < contenders.size(); ++other)
        std::printf(" %9s",
                    ((several ? contenders[w].label : std::string("w")) + "/" + contenders[other].label).c_str());
    for (std::size_t w = 0; w < workers; ++w)
      std::printf(" %9s %9s", (contenders[w].label + " peak").c_str(), (contenders[w].label + " srv").c_str());
    std::printf("\n");
    std::fflush(stdout);

    for (const Size& size : kSizes) {
      if (!size_keys.empty() && std::find(size_keys.begin(), size_keys.end(), size.key) == size_keys.end())
        continue;
      const std::string text = make_selection(shape.shape, size.bytes);
      std::optional<std::string> worker_want;
      if (!own_arguments) worker_want = setup.expected(text);
      const std::string floor_want = "<a href=\"http://example.com/\">" + with_breaks(text) + "</a>";
      desk->hold(text);
      std::vector<std::vector<double>> ms(contenders.size());
      std::vector<long> peak(workers, 0), server_peak(workers, -1);
      for (int run = 0; run < size.runs; ++run) {
        for (std::size_t k = 0; k < contenders.size(); ++k) {
          // Each run starts with another contender, so that none always follows the same one.
          const std::size_t i = (k + static_cast<std::size_t>(run)) % contenders.size();
          const Contender& c = contenders[i];
          desk->claim();
          const Timing t = desk->launch(c.argv);
          ms[i].push_back(t.ms);
          const std::string who = c.argv[0] + (c.worker ? "" : " (" + c.label + ")") + ", " + shape.key + " " +
                                  size.name + ", run " + std::to_string(run + 1);
          std::string got = desk->read(who);
          if (c.worker) {
            if (!worker_want) worker_want = got;
            check(got, *worker_want, who);
            peak[i] = std::max(peak[i], t.max_rss_kib);
            server_peak[i] = std::max(server_peak[i], serving_peak(desk->known()));
          } else {
            check(got, c.label == "floor" ? floor_want : text, who);
          }
        }
      }
      desk->release();
      std::vector<double> med;
      for (const auto& m : ms) med.push_back(median(m));
      std::printf("%-7s", size.name);
      for (double m : med) std::printf(" %9.2f", m);
      for (std::size_t w = 0; w < workers; ++w)
        for (std::size_t other = workers; other < contenders.size(); ++other)
          std::printf(" %9.2f", med[w] / med[other]);
      const double kib = static_cast<double>(size.bytes) / 1024.0;
      for (std::size_t w = 0; w < workers; ++w) {
        std::printf(" %8.2fx", static_cast<double>(peak[w]) / kib);
        if (server_peak[w] < 0)
          std::printf(" %9s", "-");
        else
          std::printf(" %8.2fx", static_cast<double>(server_peak[w]) / kib);
      }
      std::printf("\n");
      std::fflush(stdout);
    }
  }
  std::printf("\nmedians of");
  for (const Size& s : kSizes)
    if (size_keys.empty() || std::find(size_keys.begin(), size_keys.end(), s.key) != size_keys.end())
      std::printf(" %d at %s,", s.runs, s.name);
  std::printf(" every result checked byte for byte; %.0f s in all\n",
              std::chrono::duration<double>(Clock::now() - started).count());
  return 0;
}

}  // namespace

int run_roundtrip(int argc, char** argv, const RoundtripSetup& setup) {
  find_build_dir();
  try {
    return run_benchmark(argc, argv, setup);
  } catch (const std::exception& e) {  // a Failure, or a desk that would not start
    std::fflush(stdout);
    std::fprintf(stderr, "roundtrip: %s\n", e.what());
    return 1;
  }
}

}  // namespace qm::bench
